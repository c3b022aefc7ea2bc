// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class CReportListCtrl;
class QAbstractButton;
class QAction;
class QComboBox;
class QListWidget;
class QMenu;
class QWidget;

// Helpers of the tests that build windows.

// The control (or menu action) a window gives the id: objectName "id" + number.
template <class T = QObject> T* FindById(const QObject* parent, int id)
{
    return parent ? parent->findChild<T*>(QStringLiteral("id%1").arg(id)) : nullptr;
}

// Runs action on the next modal window called name (any modal window when name is empty) once
// it is up and ready(window) holds (no ready: at once). Polls every 10 ms until then; the
// polling belongs to scope, so a failing test cannot leave it running into the next one.
void WhenModalShows(QObject& scope, const QString& name, const std::function<void(QWidget&)>& action,
                    const std::function<bool(QWidget&)>& ready = {});

// What an input box showed before it was answered.
struct InputBoxSeen {
    QString title;
    QString prompt;
    QString text; // the initial text of the edit
};

// Answers the next input box: replaces its text with typed (when typed is not null) and presses
// Ok (ok) or Cancel. seen, when given, receives what the box showed.
void AnswerInputBox(QObject& scope, const QString& typed, bool ok, InputBoxSeen* seen = nullptr);

// ---- what a user does with the controls ----

// A mouse click on the button with that id in window (a failure when there is none).
void Click(const QObject* window, int id);
// A click on the box itself, where a user clicks (a wide check box takes no click past its text).
void Tick(QAbstractButton* box);
// The user's confirmed choice of a combo box line.
void Choose(QComboBox* combo, int index);
// A click on the row, as the user selects it.
void ClickRow(CReportListCtrl* list, int row);
void ClickRow(QListWidget* list, int row);

// A list's rows as the user reads them (hidden rows left out), columns joined with " | ".
std::vector<std::string> Rows(const CReportListCtrl* list);
std::vector<std::string> Rows(const QListWidget* list);

// A menu as the user reads it: "-" for a separator, "(text)" for a line that cannot be chosen.
std::vector<std::string> MenuLines(const QMenu* menu);
// Chooses the line with that id (a failure when there is none or it cannot be chosen).
void PickMenuLine(QMenu* menu, int id);
