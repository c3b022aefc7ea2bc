// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QLabel>
#include <QString>

// A one-line label for a text of any length: when the text is wider than the label it is cut at
// the right with "…", and the tool tip shows it whole. It never asks for more room than its
// layout gives, so what stands beside it keeps its place. text() is what is shown.
class CElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit CElidedLabel(QWidget* parent = nullptr);

    void SetFullText(const QString& text);
    const QString& fullText() const { return full_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Elide();

    QString full_;
};
