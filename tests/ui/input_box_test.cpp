// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_support/widgets.h"
#include "ui/input_box.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// The window a page would show the box over.
class InputBox : public ::testing::Test {
protected:
    InputBox() { main->show(); }
    QWidget owner;
    QWidget* main = &owner;
};

} // namespace

TEST_F(InputBox, ShowsTitlePromptAndInitialTextAndReturnsOk)
{
    InputBoxSeen seen;
    QWidget* focus = nullptr;
    WhenModalShows(*main, "CInputBox", [&](QWidget& box) { focus = box.focusWidget(); });
    AnswerInputBox(*main, "10.0.0.7:27016", true, &seen);
    CInputBox box(main);
    EXPECT_EQ(box.parentWidget(), main);
    EXPECT_EQ(box.DoModal("Add", "Please type the IP to add", "1.2.3.4"), CInputBox::IDOK);
    EXPECT_EQ(seen.title, "Add");
    EXPECT_EQ(seen.prompt, "Please type the IP to add");
    EXPECT_EQ(seen.text, "1.2.3.4");
    EXPECT_EQ(focus, FindById<QLineEdit>(&box, CInputBox::IdEdit));
    EXPECT_EQ(box.text, "10.0.0.7:27016");
}

TEST_F(InputBox, CancelStillKeepsTheTypedText)
{
    InputBoxSeen seen;
    AnswerInputBox(*main, "secret", false, &seen);
    CInputBox box(main);
    EXPECT_EQ(box.DoModal("Password", "Password", ""), CInputBox::IDCANCEL);
    EXPECT_EQ(seen.text, "");
    EXPECT_EQ(box.text, "secret");
}

TEST_F(InputBox, EscapeIsCancelAndEmptyOkIsNotValidated)
{
    QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
    CInputBox box(main);
    EXPECT_EQ(box.DoModal("Friends", "Please type the name of the player to add", "x"), CInputBox::IDCANCEL);
    EXPECT_EQ(box.text, "x");

    QTimer::singleShot(0, [] {
        auto* edit = FindById<QLineEdit>(QApplication::activeModalWidget(), CInputBox::IdEdit);
        edit->clear();
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_EQ(box.DoModal("Friends", "Name", "x"), CInputBox::IDOK);
    EXPECT_EQ(box.text, "");
}
