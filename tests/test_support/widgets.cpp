// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_support/widgets.h"

#include "ui/input_box.h"
#include "ui/sort_list_ctrl.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

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
        auto* edit = FindById<QLineEdit>(&box, CInputBox::IdEdit);
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

void Click(const QObject* window, int id)
{
    auto* button = FindById<QAbstractButton>(window, id);
    ASSERT_TRUE(button) << "no button " << id;
    QTest::mouseClick(button, Qt::LeftButton);
}

void Tick(QAbstractButton* box)
{
    ASSERT_TRUE(box);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

void Choose(QComboBox* combo, int index)
{
    ASSERT_TRUE(combo);
    combo->setCurrentIndex(index);
    Q_EMIT combo->activated(index);
}

void ClickRow(CReportListCtrl* list, int row)
{
    ASSERT_TRUE(list);
    const QModelIndex index = list->model()->index(row, 0);
    ASSERT_TRUE(index.isValid()) << "no row " << row;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualRect(index).center());
}

void ClickRow(QListWidget* list, int row)
{
    ASSERT_TRUE(list);
    QListWidgetItem* item = list->item(row);
    ASSERT_TRUE(item) << "no row " << row;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

std::vector<std::string> Rows(const CReportListCtrl* list)
{
    std::vector<std::string> rows;
    for (int r = 0; r < list->GetItemCount(); ++r) {
        if (list->isRowHidden(r, QModelIndex()))
            continue;
        std::string row;
        for (int c = 0; c < list->GetColumnCount(); ++c)
            row += (c ? " | " : "") + list->GetItemTextStd(r, c);
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> Rows(const QListWidget* list)
{
    std::vector<std::string> rows;
    for (int r = 0; r < list->count(); ++r)
        rows.push_back(list->item(r)->text().toStdString());
    return rows;
}

std::vector<std::string> MenuLines(const QMenu* menu)
{
    std::vector<std::string> lines;
    for (const QAction* a : menu->actions()) {
        const std::string text = a->text().toStdString();
        lines.push_back(a->isSeparator() ? "-" : a->isEnabled() ? text : "(" + text + ")");
    }
    return lines;
}

void PickMenuLine(QMenu* menu, int id)
{
    auto* line = FindById<QAction>(menu, id);
    ASSERT_TRUE(line) << "no menu line " << id;
    ASSERT_TRUE(line->isEnabled()) << line->text().toStdString();
    line->trigger();
}
