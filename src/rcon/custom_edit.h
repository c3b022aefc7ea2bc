// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QFont>
#include <QPlainTextEdit>
#include <QPointer>
#include <QString>

// The output pane of a remote console: a fixed-pitch, unwrapped text pane that stays out of the
// operator's way. It is not read-only — the operator may mark and even type in it — but any key
// released in it and any click in it send the keyboard back to the input line, and a mouse
// selection is copied to the clipboard as soon as the button is released.
class CCustomEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    // The lines a pane keeps; the oldest go as new ones come, so a console left open on a busy
    // server holds a few megabytes at most.
    static constexpr int kMaxLines = 10000;

    explicit CCustomEdit(QWidget* parent = nullptr);

    // Adds text and a line break after the last line, leaving the operator's caret and
    // selection as they are, and keeps the newest line in view while the pane shows the end.
    // text may hold several lines ("\r\n" or "\n" between them).
    void AppendLine(const QString& text);

    // The line that gets the keyboard after a key or mouse release here.
    void SetInputLine(QWidget* input) { input_ = input; }

    // The system fixed-pitch font, 13 pixels high.
    static QFont PaneFont();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void GiveFocusToInput();

    QFont font_;
    QPointer<QWidget> input_;
};
