// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text_file.h"
#include "fuzz_files.h"
#include "rcon/model/console_history.h"

#include <algorithm>
#include <map>

namespace {

// The lines the history holds, as Text() writes them, each ended by CR LF.
std::vector<std::string> HeldLines(const ConsoleHistory& history)
{
    const std::string text = history.Text();
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find("\r\n", at);
        FUZZ_CHECK(end != std::string::npos);
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

bool IsSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole)
{
    size_t at = 0;
    for (const std::string& line : whole)
        if (at < part.size() && part[at] == line)
            ++at;
    return at == part.size();
}

} // namespace

// ConsoleHistory.txt as anyone may have left it. An input that starts with a form feed may be
// repeated, one line feed after each copy, past the file's size limit, so that only its end is
// read.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text = AsText(data, size);
    // A large file takes a second to read under the fuzzer's eyes: only one input in 64 of
    // those that ask for it is made one, so that the small ones are not starved.
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 16777619u;
    const bool large = !text.empty() && text[0] == '\f' && hash % 64 == 0;
    std::string once;
    if (large) {
        once = text.substr(1) + "\n";
        text.clear();
        while (text.size() <= ConsoleHistory::kMaxFileBytes)
            text += once;
    }
    const ScratchFolder& scratch = Scratch();
    const std::string path = scratch.Path(ConsoleHistory::kFileName);
    scratch.Write(ConsoleHistory::kFileName, text);

    ConsoleHistory history;
    history.Load(path);
    const std::vector<std::string> lines = HeldLines(history);
    FUZZ_CHECK(history.Text().size() <= ConsoleHistory::kMaxFileBytes);

    // Each line kept is one of the file's, in the file's order, and one a save may write: an
    // address, a tab and a command that is no password and holds no other tab.
    if (large) {
        // After a line break, as every copy but the first (which is never read) is.
        const std::vector<std::string> fileLines = SplitLines("\n" + once);
        for (const std::string& line : lines)
            FUZZ_CHECK(std::find(fileLines.begin(), fileLines.end(), line) != fileLines.end());
    } else {
        FUZZ_CHECK(IsSubsequence(lines, SplitLines(text)));
    }
    std::map<std::string, std::vector<std::string>> byServer;
    for (const std::string& line : lines) {
        FUZZ_CHECK(line.size() <= ConsoleHistory::kMaxLineBytes);
        const size_t tab = line.find('\t');
        FUZZ_CHECK(tab != std::string::npos && tab > 0);
        const std::string address = line.substr(0, tab);
        const std::string command = line.substr(tab + 1);
        FUZZ_CHECK(command.find_first_of(std::string("\t\r\n\0", 4)) == std::string::npos);
        FUZZ_CHECK(address.find('\0') == std::string::npos);
        FUZZ_CHECK(
            std::any_of(command.begin(), command.end(), [](char c) { return static_cast<unsigned char>(c) > ' '; }));
        FUZZ_CHECK(!ConsoleHistory::IsSecret(command));
        std::vector<std::string>& commands = byServer[address];
        FUZZ_CHECK(commands.empty() || commands.back() != command);
        commands.push_back(command);
    }
    for (const auto& [address, commands] : byServer) {
        FUZZ_CHECK(commands.size() <= ConsoleHistory::kMaxPerServer);
        FUZZ_CHECK(history.Commands(address) == commands);
        // Completion offers the newest command that goes on from what was typed.
        const std::string prefix = commands.back().substr(0, commands.back().size() / 2);
        const std::optional<std::string> completed = history.Complete(address, prefix);
        FUZZ_CHECK(completed && completed->starts_with(prefix) && completed->size() > prefix.size());
    }

    // Saved and read again, the history is what it was, and so is the file. (A first address
    // that starts with the bytes of a byte-order mark would lose them, read as the file's mark;
    // no valid address does.)
    if (StartsWithBom(history.Text()))
        return 0;
    FUZZ_CHECK(history.Save(path));
    ConsoleHistory again;
    again.Load(path);
    FUZZ_CHECK(again.Text() == history.Text());
    for (const auto& [address, commands] : byServer)
        FUZZ_CHECK(again.Commands(address) == commands);

    // A command typed now is the newest of its server, and nothing grows past the bounds.
    const std::string address = byServer.empty() ? std::string("127.0.0.1:27015") : byServer.begin()->first;
    if (again.Add(address, "status"))
        FUZZ_CHECK(again.Commands(address).back() == "status");
    FUZZ_CHECK(again.Commands(address).size() <= ConsoleHistory::kMaxPerServer);
    FUZZ_CHECK(again.Text().size() <= ConsoleHistory::kMaxFileBytes);
    return 0;
}
