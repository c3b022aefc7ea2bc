// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/line_field.h"

#include "core/utf8.h"
#include "ui/display_text.h"

#include <QLineEdit>
#include <QPointer>
#include <QValidator>
#include <QVariant>
#include <algorithm>

namespace {

const char* const kBytesProperty = "znkBytes";
const char* const kShownProperty = "znkShown";
const char* const kLatin1Property = "znkLatin1";

// Takes the line breaks and NULs out before the field takes the text; what remains goes to the
// field's own validator, if it had one.
class CLineValidator : public QValidator {
public:
    CLineValidator(const QValidator* inner, QObject* parent) : QValidator(parent), inner_(inner) {}

    State validate(QString& input, int& pos) const override
    {
        qsizetype removedBeforeCursor = 0;
        for (qsizetype i = input.size() - 1; i >= 0; --i) {
            const QChar c = input.at(i);
            if (c == u'\r' || c == u'\n' || c == QChar(0)) {
                input.remove(i, 1);
                if (i < pos)
                    ++removedBeforeCursor;
            }
        }
        pos -= static_cast<int>(removedBeforeCursor);
        return inner_ ? inner_->validate(input, pos) : Acceptable;
    }

    void fixup(QString& input) const override
    {
        if (inner_)
            inner_->fixup(input);
    }

private:
    QPointer<const QValidator> inner_;
};

} // namespace

QLineEdit* OneLineField(QLineEdit* field)
{
    if (!field || dynamic_cast<const CLineValidator*>(field->validator()))
        return field;
    field->setValidator(new CLineValidator(field->validator(), field));
    return field;
}

void SetFieldBytes(QLineEdit* field, std::string_view bytes)
{
    const QString shown = DisplayText(bytes);
    field->setProperty(kBytesProperty, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    field->setProperty(kShownProperty, shown);
    field->setProperty(kLatin1Property, !IsValidUtf8(bytes));
    field->setText(shown);
}

std::string TextBytes(const QString& text, bool latin1)
{
    if (latin1) {
        const bool fits = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
        if (fits)
            return text.toLatin1().toStdString();
    }
    return text.toStdString();
}

std::string FieldBytes(const QLineEdit* field)
{
    const QString text = field->text();
    const QVariant shown = field->property(kShownProperty);
    if (shown.isValid() && shown.toString() == text)
        return field->property(kBytesProperty).toByteArray().toStdString();
    return TextBytes(text, field->property(kLatin1Property).toBool());
}

void OneLineFields(QWidget* page)
{
    for (QLineEdit* field : page->findChildren<QLineEdit*>())
        OneLineField(field);
}
