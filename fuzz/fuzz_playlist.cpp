// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/file_io.h"
#include "fuzz_files.h"
#include "music/model/playlist_file.h"

namespace {

// A plain reading of a text or M3U playlist to compare with: lines end at CR LF, LF or CR; '#'
// lines go; a UTF-8 byte order mark at the start is no part of the first line.
std::string ExpectedPlaylist(std::string text)
{
    if (text.starts_with("\xEF\xBB\xBF"))
        text.erase(0, 3);
    std::string out, line;
    auto finish = [&] {
        if (line.empty() || line[0] != '#')
            out += line + "\r\n";
        line.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            finish();
        } else {
            line.push_back(text[i]);
        }
    }
    if (!line.empty())
        finish();
    return out;
}

} // namespace

// The first byte chooses the kind of file (odd: PLS, even: text or M3U), the rest is the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const bool pls = data[0] & 1;
    const std::string text = AsText(data + 1, size - 1);
    const ScratchFolder& scratch = Scratch();
    static const bool madeModFolder = std::filesystem::create_directory(scratch.Path("mod"));
    (void)madeModFolder;
    const std::string chosen = pls ? "chosen.pls" : "chosen.m3u";
    const std::string playlist = scratch.Path("mod/mp3/playlist.txt");
    scratch.Write(chosen, text);
    scratch.Remove("mod/mp3/playlist.txt");

    const bool imported = ImportPlaylist(scratch.Path(chosen), playlist);
    std::string written;
    const bool exists = ReadWholeFile(playlist, written);
    FUZZ_CHECK(imported == exists);
    if (!pls) {
        // A first line that starts with a byte-order mark's bytes gets a mark of its own before it.
        std::string expected = ExpectedPlaylist(text);
        if (expected.starts_with("\xEF\xBB\xBF"))
            expected.insert(0, "\xEF\xBB\xBF");
        FUZZ_CHECK(imported && written == expected);
        return 0;
    }
    // A PLS gives its File<i> values, one a line, cut to the longest a value may be.
    size_t lines = 0, lineLength = 0;
    for (size_t i = 0; i < written.size(); ++i) {
        if (written[i] == '\r') {
            FUZZ_CHECK(i + 1 < written.size() && written[i + 1] == '\n');
            FUZZ_CHECK(lineLength <= 1023);
            ++lines;
            ++i;
            lineLength = 0;
        } else {
            FUZZ_CHECK(written[i] != '\n');
            ++lineLength;
        }
    }
    FUZZ_CHECK(lineLength == 0 && lines <= size_t(kMaxPlsEntries));
    FUZZ_CHECK(!imported || lines > 0);
    return 0;
}
