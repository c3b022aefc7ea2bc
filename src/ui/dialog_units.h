// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QRect>

// Window layouts are given in dialog units, as the program's dialogs have always been laid out:
// one horizontal unit is a quarter of the average character width and one vertical unit an
// eighth of the character height of the dialog font. The dialog font is the application's font
// when the window is built, so a layout grows with a wider or taller font and its texts keep
// fitting (8-point MS Sans Serif gives 6 x 13 pixels, 8-point DejaVu Sans 7 x 13).
struct DialogBaseUnits {
    int x = 6;  // the average width of the letters A-Z and a-z, rounded
    int y = 13; // the font's height
};
// The base units of the application's font (measured once a font).
DialogBaseUnits DialogBase();

inline int DluX(int x)
{
    return (x * DialogBase().x + 2) / 4;
}
inline int DluY(int y)
{
    return (y * DialogBase().y + 4) / 8;
}
inline QRect DluRect(int x, int y, int w, int h)
{
    return QRect(DluX(x), DluY(y), DluX(w), DluY(h));
}
// The horizontal dialog units that cover pixels (rounded up).
inline int PixelsToDluX(int pixels)
{
    return (pixels * 4 + DialogBase().x - 1) / DialogBase().x;
}

class QGroupBox;
class QLabel;
class QString;
class QWidget;

// Puts a control at its place in dialog units; returns it, for building a window in one line a
// control.
template <class T> T* Place(T* control, int x, int y, int w, int h)
{
    control->setGeometry(DluRect(x, y, w, h));
    return control;
}

// A label, and a group box framing the controls created after it (drawn under them), placed in
// dialog units.
QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int w, int h = 9);
QGroupBox* MakeGroup(QWidget* parent, const QString& title, int x, int y, int w, int h);
