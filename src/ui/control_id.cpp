// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/control_id.h"

#include "ui/display_text.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

QPushButton* MakeButton(QWidget* parent, int id, const QString& text)
{
    return SetControlId(new QPushButton(text, parent), id);
}

QAction* AddCommand(QMenu* menu, int id, const QString& text)
{
    return SetControlId(menu->addAction(text), id);
}

void AddInfoLine(QMenu* menu, const QString& text)
{
    const QString cut = MenuName(text);
    QString shown = cut;
    QAction* line = menu->addAction(shown.replace('&', "&&"));
    line->setEnabled(false);
    if (cut != text) {
        line->setToolTip(PlainToolTip(text));
        menu->setToolTipsVisible(true);
    }
}
