#include "test_support/widgets.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

void WhenModalShows(QObject& scope, const QString& name, const std::function<void(QWidget&)>& action,
                    const std::function<bool(QWidget&)>& ready)
{
    auto* poll = new QTimer(&scope);
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || (!name.isEmpty() && modal->objectName() != name) || (ready && !ready(*modal)))
            return;
        poll->stop();
        poll->deleteLater();
        action(*modal);
    });
    poll->start(10);
}

void AnswerInputBox(QObject& scope, const QString& typed, bool ok, InputBoxSeen* seen)
{
    WhenModalShows(scope, "CInputBox", [=](QWidget& box) {
        auto* edit = FindById<QLineEdit>(&box, 999);
        if (seen) {
            seen->title = box.windowTitle();
            if (auto* prompt = box.findChild<QLabel*>("prompt"))
                seen->prompt = prompt->text();
            seen->text = edit ? edit->text() : QString();
        }
        if (edit && !typed.isNull()) {
            edit->selectAll();
            if (typed.isEmpty())
                edit->clear();
            else
                QTest::keyClicks(edit, typed);
        }
        if (auto* button = FindById<QPushButton>(&box, ok ? 1 : 2))
            QTest::mouseClick(button, Qt::LeftButton);
    });
}
