// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_replies.h"

#include <QtEndian>
#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace sim {
namespace {

const char kHeader[4] = {'\xFF', '\xFF', '\xFF', '\xFF'};

QByteArray Header(char kind)
{
    QByteArray out(kHeader, 4);
    out.append(kind);
    return out;
}

void AppendString(QByteArray& out, const std::string& s)
{
    out.append(s.data(), static_cast<qsizetype>(s.size()));
    out.append('\0');
}

void AppendInt16(QByteArray& out, int16_t v)
{
    char b[2];
    qToLittleEndian<int16_t>(v, b);
    out.append(b, 2);
}

void AppendInt32(QByteArray& out, int32_t v)
{
    char b[4];
    qToLittleEndian<int32_t>(v, b);
    out.append(b, 4);
}

void AppendFloat(QByteArray& out, float v)
{
    uint32_t bits = 0;
    static_assert(sizeof bits == sizeof v);
    std::memcpy(&bits, &v, sizeof bits);
    char b[4];
    qToLittleEndian<uint32_t>(bits, b);
    out.append(b, 4);
}

void AppendMasterEntry(QByteArray& out, const MasterAddress& a)
{
    char b[6];
    qToBigEndian<uint32_t>(a.ip, b);
    qToBigEndian<uint16_t>(a.port, b + 4);
    out.append(b, 6);
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* fmt, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buffer, sizeof buffer, fmt, args);
    va_end(args);
    return buffer;
}

} // namespace

QByteArray PingReply()
{
    QByteArray out = Header('j');
    out.append('\0');
    return out;
}

QByteArray AckReply()
{
    return QByteArray("\xFF\xFF\xFF\xFF"
                      "ack");
}

QByteArray PlayersReply(const GameServerConfig& s)
{
    QByteArray out = Header('D');
    const size_t count = std::min<size_t>(s.players.size(), 255);
    out.append(static_cast<char>(count));
    for (size_t i = 0; i < count; ++i) {
        const SimPlayer& p = s.players[i];
        out.append(static_cast<char>(i + 1));
        AppendString(out, p.name);
        AppendInt32(out, p.score);
        AppendFloat(out, p.seconds);
    }
    return out;
}

QByteArray RulesReply(const GameServerConfig& s)
{
    QByteArray out = Header('E');
    AppendInt16(out, static_cast<int16_t>(s.rules.size()));
    for (const SimRule& r : s.rules) {
        AppendString(out, r.name);
        AppendString(out, r.value);
    }
    return out;
}

QByteArray InfostringReply(const GameServerConfig& s)
{
    QByteArray out(kHeader, 4);
    AppendString(out, "infostringresponse");
    const std::string info = "\\hostname\\" + s.hostname + "\\map\\" + s.map + "\\description\\" + s.description +
                             "\\players\\" + std::to_string(s.players.size()) + "\\max\\" +
                             std::to_string(s.maxPlayers) + "\\type\\" + std::string(1, s.type) + "\\os\\" +
                             std::string(1, s.os) + "\\password\\" + (s.password ? "1" : "0") +
                             "\\protocol\\46\\lan\\0\\modversion\\1.0";
    AppendString(out, info);
    return out;
}

// What the 'C' (info) and 'm' (details) replies begin with alike.
static QByteArray ServerSummary(char type, const GameServerConfig& s, const std::string& address)
{
    QByteArray out = Header(type);
    AppendString(out, address);
    AppendString(out, s.hostname);
    AppendString(out, s.map);
    AppendString(out, s.gamedir);
    AppendString(out, s.description);
    out.append(static_cast<char>(std::min<size_t>(s.players.size(), 255)));
    out.append(static_cast<char>(s.maxPlayers));
    out.append(static_cast<char>(46));
    return out;
}

QByteArray InfoReply(const GameServerConfig& s, const std::string& address)
{
    return ServerSummary('C', s, address);
}

QByteArray DetailsReply(const GameServerConfig& s, const std::string& address, DetailsStyle style)
{
    const bool today = style == DetailsStyle::Today;
    QByteArray out = ServerSummary('m', s, address);
    if (today)
        out[out.size() - 1] = static_cast<char>(48);
    out.append(today ? static_cast<char>(std::toupper(static_cast<unsigned char>(s.type))) : s.type);
    out.append(s.os);
    out.append(static_cast<char>(s.password ? 1 : 0));
    // A modification: info URL, download URL, an empty string, version, size, server-only,
    // own client library.
    out.append(static_cast<char>(1));
    AppendString(out, "");
    AppendString(out, "");
    AppendString(out, "");
    AppendInt32(out, 1);
    AppendInt32(out, 0);
    out.append(static_cast<char>(0));
    out.append(static_cast<char>(1));
    out.append(static_cast<char>(0)); // not secure
    if (today)
        out.append(static_cast<char>(s.bots));
    return out;
}

QByteArray SourceInfoReply(const GameServerConfig& s, uint16_t gamePort)
{
    QByteArray out = Header('I');
    out.append(static_cast<char>(48));
    AppendString(out, s.hostname);
    AppendString(out, s.map);
    AppendString(out, s.gamedir);
    AppendString(out, s.description);
    AppendInt16(out, 70);
    out.append(static_cast<char>(std::min<size_t>(s.players.size(), 255)));
    out.append(static_cast<char>(s.maxPlayers));
    out.append(static_cast<char>(s.bots));
    out.append(s.type);
    out.append(s.os);
    out.append(static_cast<char>(s.password ? 1 : 0));
    out.append(static_cast<char>(0)); // not secure
    AppendString(out, "1.1.2.7/Stdio");
    out.append(static_cast<char>(0x80));
    AppendInt16(out, static_cast<int16_t>(gamePort));
    return out;
}

QByteArray ChallengeReply(int32_t challenge)
{
    QByteArray out = Header('A');
    AppendInt32(out, challenge);
    return out;
}

QList<QByteArray> SplitReply(const QByteArray& reply, int32_t id, int pieces)
{
    const qsizetype needed = (reply.size() + kSplitPayloadBytes - 1) / kSplitPayloadBytes;
    const qsizetype count = std::clamp<qsizetype>(std::max<qsizetype>(pieces, needed), 1,
                                                  std::min<qsizetype>(15, std::max<qsizetype>(reply.size(), 1)));
    QList<QByteArray> out;
    for (qsizetype i = 0; i < count; ++i) {
        QByteArray d("\xFE\xFF\xFF\xFF", 4);
        AppendInt32(d, id);
        d.append(static_cast<char>((i << 4) | count));
        const qsizetype begin = i * reply.size() / count;
        d.append(reply.mid(begin, (i + 1) * reply.size() / count - begin));
        out.append(d);
    }
    return out;
}

QByteArray RconChallengeReply(uint64_t challenge)
{
    QByteArray out(kHeader, 4);
    AppendString(out, "challenge rcon " + std::to_string(challenge) + "\n");
    return out;
}

QList<QByteArray> RconReplies(const std::string& text, bool printWord)
{
    QList<QByteArray> out;
    size_t offset = 0;
    do {
        const size_t n = std::min<size_t>(kRconPartBytes, text.size() - offset);
        QByteArray d = printWord ? QByteArray(kHeader, 4) + "print\n" : Header('l');
        d.append(text.data() + offset, static_cast<qsizetype>(n));
        d.append('\0');
        if (!printWord)
            d.append('\0');
        out.append(d);
        offset += n;
    } while (offset < text.size());
    return out;
}

std::string StatusText(const GameServerConfig& s, const std::string& address)
{
    std::string out;
    out += "hostname:  " + s.hostname + "\n";
    out += "version :  46/1.1.2.0 2358 insecure (" + s.gamedir + ")\n";
    out += "tcp/ip  :  " + address + "\n";
    out += "map     :  " + s.map + " at: 0 x, 0 y, 0 z\n";
    out += Format("players :  %zu active (%d max)\n\n", s.players.size(), s.maxPlayers);
    out += "#      name userid uniqueid frag time ping loss adr\n";
    for (size_t i = 0; i < s.players.size(); ++i) {
        const SimPlayer& p = s.players[i];
        const int secs = p.seconds > 0 ? static_cast<int>(p.seconds) : 0;
        out += Format("#%2zu \"%s\" %zu %u %4d %02d:%02d %4zu %4d 127.0.0.1:%zu\n", i + 1, p.name.c_str(), 100 + i,
                      4000000u + static_cast<unsigned>(i) * 7919u, p.score, secs / 60, secs % 60, 20 + i * 7, 0,
                      27005 + i);
    }
    out += Format("%zu users\n", s.players.size());
    return out;
}

std::string CvarlistText(const GameServerConfig& s)
{
    static const char* const kBase[][2] = {
        {"sv_gravity", "800"},
        {"sv_maxspeed", "320"},
        {"sv_friction", "4"},
        {"sv_stopspeed", "100"},
        {"sv_accelerate", "10"},
        {"sv_airaccelerate", "10"},
        {"sv_wateraccelerate", "10"},
        {"sv_bounce", "1"},
        {"sv_stepsize", "18"},
        {"sv_clienttrace", "1"},
        {"sv_timeout", "65"},
        {"sv_maxrate", "0"},
        {"sv_minrate", "0"},
        {"sv_maxupdaterate", "60"},
        {"sv_allowdownload", "1"},
        {"sv_allowupload", "1"},
        {"sv_cheats", "0"},
        {"sv_password", ""},
        {"sv_region", "255"},
        {"sv_lan", "0"},
        {"sys_ticrate", "100"},
        {"mp_timelimit", "30"},
        {"mp_fraglimit", "0"},
        {"mp_friendlyfire", "0"},
        {"mp_footsteps", "1"},
        {"mp_flashlight", "1"},
        {"mp_falldamage", "0"},
        {"mp_forcerespawn", "1"},
        {"mp_teamplay", "0"},
        {"mp_logfile", "1"},
        {"decalfrequency", "30"},
        {"deathmatch", "1"},
        {"coop", "0"},
        {"pausable", "0"},
        {"log", "on"},
        {"sv_contact", ""},
    };
    std::vector<std::string> lines;
    for (const auto& cvar : kBase)
        lines.push_back(Format("%-24s : %s", cvar[0], cvar[1]));
    for (const SimRule& r : s.rules)
        lines.push_back(Format("%-24s : %s", r.name.c_str(), r.value.c_str()));
    // Enough made-up mod variables that the listing always needs more than two datagrams.
    for (int i = 1; i <= 80; ++i)
        lines.push_back(Format("%-24s : %d", Format("znk_sim_setting_%02d", i).c_str(), (i * 37) % 100));

    std::string out = "CVar List\n--------------\n";
    for (const std::string& line : lines)
        out += line + "\n";
    out += Format("--------------\n%zu Total CVars\nCvarList ? for syntax\n", lines.size());
    return out;
}

std::string RconOutput(const GameServerConfig& s, const std::string& address, const std::string& command)
{
    std::string cmd = command;
    while (!cmd.empty() && std::isspace(static_cast<unsigned char>(cmd.back())))
        cmd.pop_back();
    size_t start = 0;
    while (start < cmd.size() && std::isspace(static_cast<unsigned char>(cmd[start])))
        ++start;
    cmd.erase(0, start);
    const size_t space = cmd.find_first_of(" \t");
    const std::string word = cmd.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : cmd.substr(cmd.find_first_not_of(" \t", space));
    const std::string lower = Lower(word);
    if (lower == "status")
        return StatusText(s, address);
    if (lower == "cvarlist")
        return CvarlistText(s);
    if (lower == "echo")
        return rest + "\n";
    return "Unknown command \"" + word + "\"\n";
}

QByteArray SteamMasterPage(const QList<MasterAddress>& list, const MasterAddress& seed, int pageSize)
{
    QByteArray out(kHeader, 4);
    out.append('\x66');
    out.append('\x0A');
    qsizetype start = 0;
    if (seed.ip != 0 || seed.port != 0) {
        start = list.size(); // a seed the list does not hold: nothing follows it
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (list[i].ip == seed.ip && list[i].port == seed.port) {
                start = i + 1;
                break;
            }
        }
    }
    const qsizetype remaining = list.size() - start;
    const bool last = remaining + 1 <= pageSize;
    const qsizetype count = last ? remaining : pageSize;
    for (qsizetype i = 0; i < count; ++i)
        AppendMasterEntry(out, list[start + i]);
    if (last)
        AppendMasterEntry(out, MasterAddress{});
    return out;
}

QByteArray WonMasterBatch(const QList<MasterAddress>& list, uint32_t batch, int pageSize)
{
    QByteArray out(kHeader, 4);
    out.append('\x66');
    out.append('\x0D');
    const qsizetype start = std::min<qsizetype>(static_cast<qsizetype>(batch) * pageSize, list.size());
    const qsizetype count = std::min<qsizetype>(pageSize, list.size() - start);
    const uint32_t next = start + count < list.size() ? batch + 1 : 0;
    char b[4];
    qToLittleEndian<uint32_t>(next, b);
    out.append(b, 4);
    for (qsizetype i = 0; i < count; ++i)
        AppendMasterEntry(out, list[start + i]);
    return out;
}

} // namespace sim
