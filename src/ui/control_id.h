// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QPushButton;
class QWidget;

// Every control a window gives an id is named "id" + the number, so that code and tests find it
// by the number and the numbers never drift apart.
inline QString ControlName(int id)
{
    return QStringLiteral("id%1").arg(id);
}

template <class T> T* SetControlId(T* control, int id)
{
    control->setObjectName(ControlName(id));
    return control;
}

template <class T> T* FindControl(const QObject* parent, int id)
{
    return parent ? parent->findChild<T*>(ControlName(id)) : nullptr;
}

// A push button with its id, and a menu command with its id.
QPushButton* MakeButton(QWidget* parent, int id, const QString& text);
QAction* AddCommand(QMenu* menu, int id, const QString& text);
// A menu line that tells and cannot be chosen (server names are shown as they are: a '&' in
// one is no mnemonic). A text too long for a menu line is cut (MenuName); the line's tool tip
// then shows the whole of it.
void AddInfoLine(QMenu* menu, const QString& text);
