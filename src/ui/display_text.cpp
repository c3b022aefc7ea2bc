#include "ui/display_text.h"

#include "core/utf8.h"

QString DisplayText(std::string_view bytes)
{
    const auto size = static_cast<qsizetype>(bytes.size());
    return IsValidUtf8(bytes) ? QString::fromUtf8(bytes.data(), size) : QString::fromLatin1(bytes.data(), size);
}
