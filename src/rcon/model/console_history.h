// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The commands the operator sent through the remote consoles, per server address, oldest first,
// kept from one session to the next in the program's own file: one line per command,
// "address<TAB>command", oldest first, CR LF, the command's bytes as typed (UTF-8).
//
// A command that sets the server's remote-console password, or the password players join with,
// is never kept, in memory or on disk: the file is plain text beside the program, and the
// password it would hold opens the server to whoever reads it.
class ConsoleHistory {
public:
    static constexpr const char* kFileName = "ConsoleHistory.txt";
    static constexpr std::size_t kMaxPerServer = 200;
    // One line of the file: address, tab and command. A longer line is no command anyone typed.
    static constexpr std::size_t kMaxLineBytes = 4096;
    // The whole file, and all that is held in memory: past it the oldest commands go, whatever
    // their server. A larger file (made by hand) is read from its end, where the newest are.
    static constexpr std::size_t kMaxFileBytes = 4u << 20;

    // Keeps command as the newest of address. Not kept (false): an address that is not a server's
    // (four numbers with dots, a port after a colon or none, nothing else), a password command
    // (IsSecret), an empty or blank command, one holding a tab, CR, LF or NUL (it could not be one line of
    // the file), one longer than a line may be, or the same text as the newest of that server.
    bool Add(const std::string& address, const std::string& command);

    // The commands of address, oldest first.
    std::vector<std::string> Commands(const std::string& address) const;

    // The newest command of address that starts with prefix and is longer than it; skip > 0 gives
    // the skip-th older one of those, each text counted once. None once the matches run out.
    std::optional<std::string> Complete(const std::string& address, std::string_view prefix,
                                        std::size_t skip = 0) const;

    // True when the command names rcon_password or sv_password anywhere, letter case aside: at
    // its start after blanks, but also quoted ("rcon_password" x) or after another command
    // (echo; sv_password x), which the server runs just the same.
    static bool IsSecret(std::string_view command);

    // Replaces what is held with the file's commands. A missing or unreadable file gives none; a
    // line without a tab, an over-long line or a line Add refuses (its address or its command)
    // is skipped, the rest kept.
    void Load(const std::string& path);
    // Writes everything held through an atomic replace. False when the file cannot be written;
    // the old file is then left as it was.
    bool Save(const std::string& path) const;
    // The file's bytes for what is held.
    std::string Text() const;

    void Clear();

private:
    struct Line {
        std::string address;
        std::string command;
    };

    void DropOldest();
    static std::size_t LineBytes(const Line& line);

    // Every command kept, by the order it was sent in across all servers: the file keeps that
    // order, and the oldest of all is the first to go when the whole grows too large.
    std::map<std::uint64_t, Line> lines_;
    std::map<std::string, std::deque<std::uint64_t>> servers_; // the orders of each server's
    std::uint64_t nextOrder_ = 0;
    std::size_t bytes_ = 0; // of Text()
};
