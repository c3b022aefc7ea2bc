#pragma once
#include <QRect>

// Window layouts are given in dialog units, as the program's dialogs have always been laid out:
// one horizontal unit is a quarter of the average character width and one vertical unit an
// eighth of the character height of the dialog font (6 x 13 pixels at 8 points).
inline int DluX(int x) { return (x * 6 + 2) / 4; }
inline int DluY(int y) { return (y * 13 + 4) / 8; }
inline QRect DluRect(int x, int y, int w, int h) { return QRect(DluX(x), DluY(y), DluX(w), DluY(h)); }

class QGroupBox;
class QLabel;
class QString;
class QWidget;

// Puts a control at its place in dialog units; returns it, for building a window in one line a
// control.
template <class T>
T* Place(T* control, int x, int y, int w, int h)
{
    control->setGeometry(DluRect(x, y, w, h));
    return control;
}

// A label, and a group box framing the controls created after it (drawn under them), placed in
// dialog units.
QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int w, int h = 9);
QGroupBox* MakeGroup(QWidget* parent, const QString& title, int x, int y, int w, int h);
