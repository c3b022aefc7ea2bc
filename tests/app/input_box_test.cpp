#include "app/input_box.h"
#include "app_fixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// Answers the box once it is up: checks what it shows, types, and presses a button.
void AnswerInputBox(const QString& typed, const char* button, QString* shownTitle, QString* shownPrompt,
                    QString* shownText)
{
    QTimer::singleShot(0, [=] {
        auto* box = qobject_cast<CInputBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        EXPECT_EQ(box->objectName(), "CInputBox");
        *shownTitle = box->windowTitle();
        *shownPrompt = box->findChild<QLabel*>("prompt")->text();
        auto* edit = box->findChild<QLineEdit*>("id999");
        *shownText = edit->text();
        EXPECT_EQ(box->focusWidget(), edit);
        if (!typed.isEmpty()) {
            edit->selectAll();
            QTest::keyClicks(edit, typed);
        }
        QTest::mouseClick(box->findChild<QPushButton*>(button), Qt::LeftButton);
    });
}

} // namespace

using InputBox = StartedApp;

TEST_F(InputBox, ShowsTitlePromptAndInitialTextAndReturnsOk)
{
    QString title, prompt, initial;
    AnswerInputBox("10.0.0.7:27016", "id1", &title, &prompt, &initial);
    CInputBox box;
    EXPECT_EQ(box.parentWidget(), main);
    EXPECT_EQ(box.DoModal("Add", "Please type the IP to add", "1.2.3.4"), CInputBox::IDOK);
    EXPECT_EQ(title, "Add");
    EXPECT_EQ(prompt, "Please type the IP to add");
    EXPECT_EQ(initial, "1.2.3.4");
    EXPECT_EQ(box.text, "10.0.0.7:27016");
}

TEST_F(InputBox, CancelStillKeepsTheTypedText)
{
    QString title, prompt, initial;
    AnswerInputBox("secret", "id2", &title, &prompt, &initial);
    CInputBox box;
    EXPECT_EQ(box.DoModal("Password", "Password", ""), CInputBox::IDCANCEL);
    EXPECT_EQ(initial, "");
    EXPECT_EQ(box.text, "secret");
}

TEST_F(InputBox, EscapeIsCancelAndEmptyOkIsNotValidated)
{
    QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
    CInputBox box;
    EXPECT_EQ(box.DoModal("Friends", "Please type the name of the player to add", "x"), CInputBox::IDCANCEL);
    EXPECT_EQ(box.text, "x");

    QString title, prompt, initial;
    QTimer::singleShot(0, [] {
        auto* edit = QApplication::activeModalWidget()->findChild<QLineEdit*>("id999");
        edit->clear();
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_EQ(box.DoModal("Friends", "Name", "x"), CInputBox::IDOK);
    EXPECT_EQ(box.text, "");
}
