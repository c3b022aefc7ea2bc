// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialog_units.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <qdrawutil.h>

namespace {

// A frame drawn as the layouts expect it: its line through the middle of the title, as dialogs
// have always drawn it. It is drawn here rather than by the style, as some styles put the title
// above the line, which then runs a whole line lower, onto the first row of the controls framed.
class CGroupFrame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QFontMetrics metrics = fontMetrics();
        const bool titled = !title().isEmpty();
        const QRect text(DialogBase().x, 0, metrics.horizontalAdvance(title()) + 4, metrics.height());
        if (titled)
            painter.setClipRegion(QRegion(rect()).subtracted(text));
        qDrawShadeRect(&painter, rect().adjusted(0, titled ? metrics.height() / 2 : 0, 0, 0), palette(), true, 1, 0);
        painter.setClipping(false);
        if (titled)
            style()->drawItemText(&painter, text, Qt::AlignCenter | Qt::TextShowMnemonic, palette(), isEnabled(),
                                  title(), QPalette::WindowText);
    }
};

} // namespace

DialogBaseUnits DialogBase()
{
    // Windows measures a dialog font the same way: the 52 letters' width over 26, halved and
    // rounded, and the height of a line. Windows are built on the window thread only.
    static QFont measured;
    static DialogBaseUnits base;
    static bool valid = false;
    const QFont font = QApplication::font();
    if (!valid || font != measured) {
        const QFontMetrics metrics(font);
        const int letters =
            metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        base.x = std::max(1, (letters / 26 + 1) / 2);
        base.y = std::max(1, metrics.height());
        measured = font;
        valid = true;
    }
    return base;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int w, int h)
{
    return Place(new QLabel(text, parent), x, y, w, h);
}

QGroupBox* MakeGroup(QWidget* parent, const QString& title, int x, int y, int w, int h)
{
    return Place(new CGroupFrame(title, parent), x, y, w, h);
}
