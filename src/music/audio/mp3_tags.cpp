// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/audio/mp3_tags.h"

#include "core/path.h"
#include "core/wide_path.h"

#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/mpegheader.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfilestream.h>
#include <taglib/unknownframe.h>

namespace {

using namespace TagLib;

// A frame's header type, which TagLib keeps for the frame classes and their factory.
struct FrameAccess : ID3v2::Frame {
    using Header = ID3v2::Frame::Header;
};

// How far past the ID3v2 tag the first audio frame is looked for: as far as the decoder looks
// before it gives up on a file.
constexpr unsigned kAudioSearchBytes = 64 * 1024;

// TagLib rewrites some frames as it reads them: a genre "(17)" becomes "17", a year joins the
// date frame of an ID3v2.3 tag. Kept as unknown frames instead, every frame stays as stored
// (decompressed and resynchronised all the same; only the names of older versions change: TYER
// becomes TDRC, TT2 TIT2), and no time goes into reading frames the window never shows.
class RawFrameFactory : public ID3v2::FrameFactory {
protected:
    bool updateFrame(FrameAccess::Header* header) const override
    {
        FrameFactory::updateFrame(header);
        return false;
    }
};

// Single-byte texts as their bytes, the others as UTF-8.
std::string Stored(const String& text, String::Type encoding)
{
    return text.to8Bit(encoding != String::Latin1);
}

// The n-th text of a raw text frame (its encoding byte, skip bytes, then texts each ended by a
// terminator in that encoding); empty when it has none.
std::string RawText(const ByteVector& data, unsigned skip, int n)
{
    if (data.isEmpty() || static_cast<unsigned char>(data[0]) > String::UTF8)
        return {};
    const auto encoding = static_cast<String::Type>(data[0]);
    const ByteVector terminator = ID3v2::TextIdentificationFrame::textDelimiter(encoding);
    unsigned begin = 1 + skip;
    for (int i = 0; begin <= data.size(); ++i) {
        const int found = data.find(terminator, begin, terminator.size());
        const unsigned end = found < 0 ? data.size() : static_cast<unsigned>(found);
        if (i == n)
            return Stored(String(data.mid(begin, end - begin), encoding), encoding);
        if (found < 0)
            break;
        begin = end + terminator.size();
    }
    return {};
}

std::string FrameText(const ID3v2::Tag& tag, const char* id)
{
    const ID3v2::FrameList& frames = tag.frameList(id);
    const auto* frame = frames.isEmpty() ? nullptr : dynamic_cast<const ID3v2::UnknownFrame*>(frames.front());
    if (!frame)
        return {};
    // A comment: language (three bytes), description, then the text.
    return std::string(id) == "COMM" ? RawText(frame->data(), 3, 1) : RawText(frame->data(), 0, 0);
}

void FillFromId3v1(Mp3Tags& tags, const ID3v1::Tag& v1)
{
    const auto fill = [](std::string& field, const std::string& value) {
        if (field.empty())
            field = value;
    };
    fill(tags.album, Stored(v1.album(), String::Latin1));
    fill(tags.title, Stored(v1.title(), String::Latin1));
    fill(tags.artist, Stored(v1.artist(), String::Latin1));
    fill(tags.comment, Stored(v1.comment(), String::Latin1));
    if (v1.year() != 0)
        fill(tags.year, std::to_string(v1.year()));
    if (v1.track() != 0)
        fill(tags.track, std::to_string(v1.track()));
    // 255 is "none".
    if (v1.genreNumber() < 255)
        fill(tags.genre, "(" + std::to_string(v1.genreNumber()) + ")");
}

// Reads only the head of the file (the ID3v2 tag and the search window after it) and its last 128
// bytes (an ID3v1 tag): given the whole file, TagLib would search junk to its end, twice.
Mp3Tags Read(IOStream& file)
{
    Mp3Tags tags;
    if (!file.isOpen())
        return tags;
    file.seek(0);
    ByteVector head = file.readBlock(ID3v2::Header::size());
    const unsigned tagBytes =
        head.startsWith(ID3v2::Header::fileIdentifier()) ? ID3v2::Header(head).completeTagSize() : 0;
    file.seek(0);
    head = file.readBlock(static_cast<unsigned long>(tagBytes) + kAudioSearchBytes);

    RawFrameFactory factory;
    ByteVectorStream headStream(head);
    MPEG::File start(&headStream, &factory, false);
    if (const ID3v2::Tag* v2 = start.ID3v2Tag()) {
        tags.album = FrameText(*v2, "TALB");
        tags.title = FrameText(*v2, "TIT2");
        tags.artist = FrameText(*v2, "TPE1");
        tags.year = FrameText(*v2, "TDRC");
        tags.comment = FrameText(*v2, "COMM");
        tags.genre = FrameText(*v2, "TCON");
        tags.track = FrameText(*v2, "TRCK");
    }
    if (const long offset = start.firstFrameOffset(); offset >= 0) {
        const MPEG::Header header(&start, offset, false);
        if (header.isValid()) {
            tags.hasMpegHeader = true;
            tags.mpegVersion = header.version() == MPEG::Header::Version1   ? 3
                               : header.version() == MPEG::Header::Version2 ? 2
                                                                            : 0;
        }
    }

    constexpr long kId3v1Bytes = 128;
    if (file.length() >= kId3v1Bytes) {
        file.seek(-kId3v1Bytes, IOStream::End);
        ByteVectorStream tailStream(file.readBlock(kId3v1Bytes));
        MPEG::File end(&tailStream, &factory, false);
        if (const ID3v1::Tag* v1 = end.ID3v1Tag())
            FillFromId3v1(tags, *v1);
    }
    return tags;
}

} // namespace

Mp3Tags ReadMp3Tags(const std::string& path)
{
    // Only a regular file: a pipe would wait for a writer for ever. (FileExists, not
    // std::filesystem: on Windows that stops at MAX_PATH.)
    if (!FileExists(path))
        return {};
    // On Windows TagLib would read a narrow name in the ANSI code page.
    const auto name = NativeFileName(path);
    FileStream stream(name.c_str(), true);
    return Read(stream);
}

Mp3Tags ReadMp3TagsFromBytes(const std::string& bytes)
{
    ByteVector data(bytes.data(), static_cast<unsigned>(bytes.size()));
    ByteVectorStream stream(data);
    return Read(stream);
}
