// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/elided_label.h"

#include "ui/display_text.h"

#include <QResizeEvent>
#include <algorithm>

CElidedLabel::CElidedLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setMinimumWidth(0);
}

void CElidedLabel::SetFullText(const QString& text)
{
    full_ = text;
    Elide();
}

void CElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    Elide();
}

void CElidedLabel::Elide()
{
    const QString shown = fontMetrics().elidedText(full_, Qt::ElideRight, std::max(0, contentsRect().width()));
    setToolTip(shown == full_ ? QString() : PlainToolTip(full_));
    if (shown != text())
        setText(shown);
}
