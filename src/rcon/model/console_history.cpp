// SPDX-License-Identifier: GPL-3.0-or-later
#include "rcon/model/console_history.h"

#include "core/address.h"
#include "core/file_io.h"
#include "core/text_file.h"

#include <algorithm>
#include <fstream>
#include <set>

namespace {

// The console's own password and the one players join with.
constexpr std::string_view kSecretWords[] = {"rcon_password", "sv_password"};

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool Blank(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

// The last limit bytes of the file, starting at a line: a line cut by the limit is left out.
// The text keeps the line break before that line, so that a byte-order mark starting it is not
// taken for the file's own and dropped. Empty when the file cannot be read.
std::string ReadTail(const std::string& path, std::size_t limit)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size <= 0)
        return {};
    // One byte more than the limit tells whether the first byte kept starts a line.
    const std::streamoff from = std::max<std::streamoff>(0, size - static_cast<std::streamoff>(limit) - 1);
    in.seekg(from);
    std::string text(static_cast<std::size_t>(size - from), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(std::max<std::streamsize>(0, in.gcount())));
    if (from == 0)
        return text;
    const std::size_t lineStart = text.find_first_of("\r\n");
    return lineStart == std::string::npos ? std::string() : text.substr(lineStart);
}

// Four numbers with dots and a port after a colon, or none: what IsValidAddress reads, written
// with nothing but the digits it reads.
bool IsPlainAddress(const std::string& address)
{
    const std::size_t colon = address.find(':');
    const std::string_view host = std::string_view(address).substr(0, colon);
    const std::string_view port =
        colon == std::string::npos ? std::string_view() : std::string_view(address).substr(colon + 1);
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return std::all_of(host.begin(), host.end(), [&](char c) { return digit(c) || c == '.'; }) &&
           std::all_of(port.begin(), port.end(), digit) && IsValidAddress(address);
}

} // namespace

bool ConsoleHistory::IsSecret(std::string_view command)
{
    for (const std::string_view word : kSecretWords) {
        for (std::size_t at = 0; at + word.size() <= command.size(); ++at) {
            if (std::equal(word.begin(), word.end(), command.begin() + static_cast<std::ptrdiff_t>(at),
                           [](char w, char c) { return w == Lower(c); }))
                return true;
        }
    }
    return false;
}

std::size_t ConsoleHistory::LineBytes(const Line& line)
{
    return line.address.size() + 1 + line.command.size() + 2; // tab, CR LF
}

bool ConsoleHistory::Add(const std::string& address, const std::string& command)
{
    if (!IsPlainAddress(address))
        return false;
    constexpr std::string_view kLineBreakers("\t\r\n\0", 4);
    if (Blank(command) || command.find_first_of(kLineBreakers) != std::string::npos || IsSecret(command))
        return false;
    Line line{address, command};
    if (LineBytes(line) - 2 > kMaxLineBytes)
        return false;
    std::deque<std::uint64_t>& orders = servers_[address];
    if (!orders.empty() && lines_.at(orders.back()).command == command)
        return false;
    bytes_ += LineBytes(line);
    lines_.emplace(nextOrder_, std::move(line));
    orders.push_back(nextOrder_++);
    if (orders.size() > kMaxPerServer) {
        const auto oldest = lines_.find(orders.front());
        bytes_ -= LineBytes(oldest->second);
        lines_.erase(oldest);
        orders.pop_front();
    }
    while (bytes_ > kMaxFileBytes)
        DropOldest();
    return true;
}

void ConsoleHistory::DropOldest()
{
    const auto oldest = lines_.begin();
    // The oldest of all is the oldest of its server too.
    const auto server = servers_.find(oldest->second.address);
    server->second.pop_front();
    if (server->second.empty())
        servers_.erase(server);
    bytes_ -= LineBytes(oldest->second);
    lines_.erase(oldest);
}

std::vector<std::string> ConsoleHistory::Commands(const std::string& address) const
{
    std::vector<std::string> out;
    if (const auto it = servers_.find(address); it != servers_.end()) {
        out.reserve(it->second.size());
        for (std::uint64_t order : it->second)
            out.push_back(lines_.at(order).command);
    }
    return out;
}

std::optional<std::string> ConsoleHistory::Complete(const std::string& address, std::string_view prefix,
                                                    std::size_t skip) const
{
    const auto it = servers_.find(address);
    if (it == servers_.end())
        return std::nullopt;
    std::set<std::string_view> seen;
    for (auto order = it->second.rbegin(); order != it->second.rend(); ++order) {
        const std::string& command = lines_.at(*order).command;
        if (command.size() <= prefix.size() || !command.starts_with(prefix) || !seen.insert(command).second)
            continue;
        if (skip-- == 0)
            return command;
    }
    return std::nullopt;
}

void ConsoleHistory::Clear()
{
    lines_.clear();
    servers_.clear();
    nextOrder_ = 0;
    bytes_ = 0;
}

void ConsoleHistory::Load(const std::string& path)
{
    Clear();
    const std::string text = ReadTail(path, kMaxFileBytes);
    ForEachLine(text, [this](std::string_view line) {
        const std::size_t tab = line.find('\t');
        if (tab != std::string_view::npos && line.size() <= kMaxLineBytes)
            Add(std::string(line.substr(0, tab)), std::string(line.substr(tab + 1)));
        return true;
    });
}

std::string ConsoleHistory::Text() const
{
    std::string text;
    text.reserve(bytes_);
    for (const auto& [order, line] : lines_) {
        text += line.address;
        text += '\t';
        text += line.command;
        text += "\r\n";
    }
    return text;
}

bool ConsoleHistory::Save(const std::string& path) const
{
    // Made readable by its owner alone: the commands sent to a server are the operator's business.
    return WriteFileAtomic(path, Text(), FileAccess::OwnerOnlyNew);
}
