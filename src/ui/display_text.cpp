// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/display_text.h"

#include "core/one_line.h"
#include "core/utf8.h"

QString DisplayText(std::string_view bytes)
{
    const auto size = static_cast<qsizetype>(bytes.size());
    return IsValidUtf8(bytes) ? QString::fromUtf8(bytes.data(), size) : QString::fromLatin1(bytes.data(), size);
}

QString DisplayLine(std::string_view bytes)
{
    return QString::fromStdString(OneLineText(bytes));
}

QString MenuName(const QString& name)
{
    // Counted in characters, a surrogate pair being one: a cut never falls inside one.
    int characters = 0;
    qsizetype cut = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (i > 0 && name[i].isLowSurrogate() && name[i - 1].isHighSurrogate())
            continue;
        if (characters == kMenuNameChars - 1)
            cut = i;
        ++characters;
    }
    if (characters <= kMenuNameChars)
        return name;
    return name.left(cut) + QChar(0x2026);
}

QString PlainToolTip(const QString& text)
{
    // Spaces kept as they are, and broken where the tip is too narrow.
    return "<p style=\"white-space:pre-wrap\">" + text.toHtmlEscaped() + "</p>";
}
