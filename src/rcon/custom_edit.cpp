#include "rcon/custom_edit.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextCursor>

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
    return font;
}

void CCustomEdit::AppendLine(const QString& text)
{
    QTextCursor cursor = textCursor();
    cursor.insertText(text + QStringLiteral("\r\n"));
    setTextCursor(cursor);
    // Down by as many lines as there are: the newest line comes into view wherever the caret was.
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
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
