// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/lcg.h"
#include "core/utf8.h"
#include "fuzz_check.h"
#include "rcon/model/rcon_protocol.h"

#include <string>
#include <vector>

namespace {

std::string Ascii(std::string_view text)
{
    std::string out;
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x80)
            out += c;
    return out;
}

// The text cut into pieces: whole, byte by byte, or in lengths of 1 to 8 drawn from seed.
std::vector<std::string> Cut(const std::string& text, int how, uint32_t seed)
{
    std::vector<std::string> pieces;
    Lcg random;
    random.state = seed;
    for (size_t at = 0; at < text.size();) {
        const size_t length = how == 0 ? text.size() : how == 1 ? 1 : 1 + random.Next() % 8;
        pieces.push_back(text.substr(at, length));
        at += length;
    }
    return pieces;
}

// The stream's text whatever the cut: valid UTF-8 always; the bytes themselves when they were
// valid UTF-8; and, with a last line break to push out what is held back, the same ASCII
// characters in the same order, so that no line break moves or goes missing.
void CheckUtf8Stream(const std::string& text, int how, uint32_t seed)
{
    Utf8Stream stream;
    std::string all;
    for (const std::string& piece : Cut(text, how, seed)) {
        const std::string out = stream.Decode(piece);
        FUZZ_CHECK(IsValidUtf8(out));
        FUZZ_CHECK(out.size() <= 2 * (piece.size() + 3));
        all += out;
    }
    if (IsValidUtf8(text))
        FUZZ_CHECK(all == text);
    const std::string last = stream.Decode("\n");
    FUZZ_CHECK(IsValidUtf8(last) && !last.empty() && last.back() == '\n');
    all += last;
    FUZZ_CHECK(Ascii(all) == Ascii(text) + "\n");
    FUZZ_CHECK(all.size() >= text.size() + 1 && all.size() <= 2 * text.size() + 1);
}

// The console's output datagrams ('l' and the piece): each shows valid UTF-8 with its line
// breaks as CR LF and the closing one taken off, and every ASCII character of the piece in order.
void CheckConsole(const std::string& text, uint32_t seed)
{
    RconOutputStream stream;
    for (std::string piece : Cut(text, 2, seed)) {
        // Colour codes are not what this looks at: a caret is shown as another character.
        for (char& c : piece)
            if (c == '^')
                c = '~';
        Datagram datagram = {0xFF, 0xFF, 0xFF, 0xFF, 'l'};
        datagram.insert(datagram.end(), piece.begin(), piece.end());
        if (seed & 1)
            datagram.insert(datagram.end(), {0, 0});
        const std::optional<std::string> shown = stream.Decode(datagram.data(), datagram.size());
        const std::string body = piece.substr(0, piece.find('\0'));
        if (!shown) {
            // Held back whole: the start of a character and nothing else.
            FUZZ_CHECK(!body.empty() && body.size() <= 3 && Ascii(body).empty());
            continue;
        }
        FUZZ_CHECK(IsValidUtf8(*shown) && !shown->empty());
        if (*shown == kRconEmptyOutputLine && (Ascii(body).empty() || Ascii(body) == "\n"))
            continue;
        std::string undone;
        for (size_t i = 0; i < shown->size(); ++i) {
            if ((*shown)[i] == '\n') {
                FUZZ_CHECK(i > 0 && (*shown)[i - 1] == '\r');
                undone.back() = '\n';
            } else {
                undone += (*shown)[i];
            }
        }
        // The closing line break is taken off also when all that follows it is the start of a
        // character, held back for the next datagram.
        const size_t lastBreak = body.rfind('\n');
        const bool held = lastBreak != std::string::npos && body.size() - lastBreak - 1 <= 3 &&
                          Ascii(body.substr(lastBreak + 1)).empty();
        if (!body.empty() && body.back() == '\n')
            FUZZ_CHECK(Ascii(undone) + "\n" == Ascii(body));
        else
            FUZZ_CHECK(Ascii(undone) == Ascii(body) || (held && Ascii(undone) + "\n" == Ascii(body)));
    }
}

} // namespace

// A console's output as the server cut it into datagrams, cut three ways here.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint32_t seed = data[0];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    for (int how = 0; how < 3; ++how)
        CheckUtf8Stream(text, how, seed);
    CheckConsole(text, seed);
    return 0;
}
