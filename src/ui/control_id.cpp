#include "ui/control_id.h"

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
    QString escaped = text;
    menu->addAction(escaped.replace('&', "&&"))->setEnabled(false);
}
