#include "music/mp3_tags.h"

#include <id3/misc_support.h>
#include <id3/tag.h>

namespace {

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The text of a frame's text field, single-byte or UTF-16; empty when it has none.
std::string FieldText(const ID3_Frame* frame)
{
    if (!frame)
        return {};
    const ID3_Field* field = frame->GetField(ID3FN_TEXT);
    if (!field)
        return {};
    const ID3_TextEnc encoding = field->GetEncoding();
    if (ID3TE_IS_DOUBLE_BYTE_ENC(encoding)) {
        const unicode_t* text = field->GetRawUnicodeText();
        // Size() is the text's length in bytes here (two a unit); the buffer holds no more.
        return text ? Utf16BigEndianBytesToUtf8(reinterpret_cast<const unsigned char*>(text), field->Size() / 2)
                    : std::string();
    }
    const char* text = field->GetRawText();
    return text ? std::string(text) : std::string();
}

} // namespace

std::string Utf16BigEndianBytesToUtf8(const unsigned char* bytes, size_t units)
{
    std::string out;
    for (size_t i = 0; i < units; ++i) {
        uint32_t unit = (uint32_t(bytes[2 * i]) << 8) | bytes[2 * i + 1];
        if (unit == 0)
            break;
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units) {
            const uint32_t low = (uint32_t(bytes[2 * i + 2]) << 8) | bytes[2 * i + 3];
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (unit >= 0xD800 && unit < 0xE000)
            unit = 0xFFFD;
        AppendUtf8(out, unit);
    }
    return out;
}

Mp3Tags ReadMp3Tags(const std::string& path)
{
    Mp3Tags tags;
    // Linked to every tag kind at once, id3lib merges an ID3v1 tag into the ID3v2 frames and
    // spoils their UTF-16 text on the way (a title "Thème" comes out as "Thhme"). The ID3v2 tag
    // is read on its own first; the other kinds fill only what it lacks.
    ID3_Tag v2;
    v2.Link(path.c_str(), ID3TT_ID3V2);
    ID3_Tag all;
    all.Link(path.c_str(), ID3TT_ALL);
    auto frame = [&](ID3_FrameID id) -> const ID3_Frame* {
        if (const ID3_Frame* f = v2.Find(id))
            return f;
        return all.Find(id);
    };

    tags.album = FieldText(frame(ID3FID_ALBUM));
    tags.title = FieldText(frame(ID3FID_TITLE));
    tags.artist = FieldText(frame(ID3FID_LEADARTIST));
    tags.year = FieldText(frame(ID3FID_YEAR));
    tags.comment = FieldText(frame(ID3FID_COMMENT));
    tags.track = FieldText(frame(ID3FID_TRACKNUM));

    // id3lib's genre function turns a UTF-16 text into single bytes, garbling whatever is not
    // Latin-1; such a frame is read as UTF-16 like the others.
    const ID3_Tag& genreTag = v2.Find(ID3FID_CONTENTTYPE) ? v2 : all;
    const ID3_Frame* genre = genreTag.Find(ID3FID_CONTENTTYPE);
    const ID3_Field* genreField = genre ? genre->GetField(ID3FN_TEXT) : nullptr;
    if (genreField && ID3TE_IS_DOUBLE_BYTE_ENC(genreField->GetEncoding())) {
        tags.genre = FieldText(genre);
    } else if (char* text = ID3_GetGenre(&genreTag)) {
        tags.genre = text;
        ID3_FreeString(text);
    }

    if (const Mp3_Headerinfo* header = all.GetMp3HeaderInfo()) {
        tags.hasMpegHeader = true;
        tags.mpegVersion = static_cast<int>(header->version);
    }
    return tags;
}
