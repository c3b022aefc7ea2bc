// SPDX-License-Identifier: GPL-3.0-or-later
#include "rcon/custom_edit.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>

namespace {

constexpr int kPanePixelSize = 13;

} // namespace

CCustomEdit::CCustomEdit(QWidget* parent) : QPlainTextEdit(parent), font_(PaneFont())
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Tab leaves the pane as it leaves every other control of a dialog.
    setTabChangesFocus(true);
    setFont(font_);
    // What the server said is not the operator's to undo; an undo history would also keep every
    // line ever shown, dropped ones included.
    setUndoRedoEnabled(false);
    viewport()->setCursor(Qt::ArrowCursor);
}

QFont CCustomEdit::PaneFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(kPanePixelSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setFixedPitch(true);
    font.setStyleHint(QFont::TypeWriter);
    if (QFontInfo(font).fixedPitch())
        return font;
    // The desktop's "monospace" can be a face whose few wide glyphs make it proportional to the
    // font system (Noto Sans Mono with fontconfig): the status columns would no longer line up.
    for (const char* family : {"DejaVu Sans Mono", "Liberation Mono", "Courier New", "Nimbus Mono PS", "Courier"}) {
        QFont fixed = font;
        fixed.setFamilies({QString::fromLatin1(family)});
        if (QFontInfo(fixed).fixedPitch())
            return fixed;
    }
    return font;
}

void CCustomEdit::AppendLine(const QString& text)
{
    // Output goes after the last line, whatever the operator has marked or wherever the caret
    // is. A caret at the end, as a click leaves it, stays at the end; a selection stays exactly
    // what it was, even one ending at the end (Qt would stretch that over the new text). The
    // view follows new lines only while it shows the end: scrolled up, the operator keeps the
    // lines they were reading, even as the oldest lines above them are dropped.
    QScrollBar* down = verticalScrollBar();
    QScrollBar* across = horizontalScrollBar();
    const bool following = down->value() == down->maximum();
    const int acrossValue = across->value();
    const QTextCursor firstShown(firstVisibleBlock());
    const bool caretFollows = !textCursor().hasSelection() && textCursor().atEnd();
    const int anchor = textCursor().anchor();
    const int position = textCursor().position();

    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(text + QStringLiteral("\r\n"));

    int dropped = 0; // characters
    if (const int excess = document()->blockCount() - (kMaxLines + 1); excess > 0) {
        QTextCursor top(document());
        top.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, excess);
        dropped = top.position();
        top.removeSelectedText();
    }
    // Where the caret and the selection were, once the dropped lines are counted.
    const int keptAnchor = std::max(0, anchor - dropped);
    const int keptPosition = std::max(0, position - dropped);
    if (!caretFollows && (textCursor().anchor() != keptAnchor || textCursor().position() != keptPosition)) {
        QTextCursor caret(document());
        caret.setPosition(keptAnchor);
        caret.setPosition(keptPosition, QTextCursor::KeepAnchor);
        setTextCursor(caret);
        across->setValue(acrossValue);
    }
    down->setValue(following ? down->maximum() : firstShown.blockNumber());
}

void CCustomEdit::keyPressEvent(QKeyEvent* event)
{
    // Enter is the window's, as in any dialog: it never breaks a line of the output.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CCustomEdit::keyReleaseEvent(QKeyEvent* event)
{
    QPlainTextEdit::keyReleaseEvent(event);
    GiveFocusToInput();
}

void CCustomEdit::mouseReleaseEvent(QMouseEvent* event)
{
    // The pane's own handling first: it completes a drag selection.
    QPlainTextEdit::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    if (textCursor().hasSelection())
        copy();
    moveCursor(QTextCursor::End);
    ensureCursorVisible();
    GiveFocusToInput();
}

void CCustomEdit::GiveFocusToInput()
{
    if (input_)
        input_->setFocus(Qt::OtherFocusReason);
}
