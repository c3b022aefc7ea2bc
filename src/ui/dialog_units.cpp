#include "ui/dialog_units.h"

#include <QGroupBox>
#include <QLabel>

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int w, int h)
{
    return Place(new QLabel(text, parent), x, y, w, h);
}

QGroupBox* MakeGroup(QWidget* parent, const QString& title, int x, int y, int w, int h)
{
    return Place(new QGroupBox(title, parent), x, y, w, h);
}
