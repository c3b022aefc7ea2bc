// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/model/web_api.h"

#include "core/text_file.h"
#include "core/utf8.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A decimal number of 1..maxDigits digits, no sign, no blank, no leading zero (which some readers
// take for octal); false when it exceeds max.
bool ReadDecimal(std::string_view text, size_t maxDigits, long max, long& out)
{
    if (text.empty() || text.size() > maxDigits || (text.size() > 1 && text.front() == '0'))
        return false;
    long value = 0;
    for (char c : text) {
        if (!IsDigit(c))
            return false;
        value = value * 10 + (c - '0');
    }
    if (value > max)
        return false;
    out = value;
    return true;
}

// Exactly "a.b.c.d", four decimal numbers of 0..255.
bool ReadDottedQuad(std::string_view text, unsigned char octets[4])
{
    for (int i = 0; i < 4; ++i) {
        const size_t dot = i < 3 ? text.find('.') : text.size();
        long value = 0;
        if (dot == std::string_view::npos || !ReadDecimal(text.substr(0, dot), 3, 255, value))
            return false;
        octets[i] = static_cast<unsigned char>(value);
        text.remove_prefix(i < 3 ? dot + 1 : dot);
    }
    return true;
}

// Exactly "a.b.c.d:port" with numbers as FormatAddress writes them, an address IsValidAddress
// takes (the last number 1..255, the port 1..65535).
bool IsServerAddress(std::string_view text)
{
    const size_t colon = text.find(':');
    unsigned char octets[4];
    long port = 0;
    return colon != std::string_view::npos && ReadDottedQuad(text.substr(0, colon), octets) && octets[3] != 0 &&
           ReadDecimal(text.substr(colon + 1), 5, 65535, port) && port != 0;
}

// ---- The decoder ------------------------------------------------------------------------------

// The names the reader knows, found once per key rather than once per use.
enum class Member : unsigned char {
    Unknown,
    Response,
    Servers, // the answer's shape
    Addr,
    Name,
    Map,
    Steamid,
    Gamedir,
    Version,
    Product,
    Os,
    Gametype, // texts
    Players,
    MaxPlayers,
    Bots,
    Appid,
    Gameport,
    Region, // numbers
    Secure,
    Dedicated, // flags
};

Member MemberOf(std::string_view key)
{
    struct Name {
        std::string_view text;
        Member member;
    };
    static constexpr Name kNames[] = {
        {"addr", Member::Addr},
        {"name", Member::Name},
        {"map", Member::Map},
        {"players", Member::Players},
        {"max_players", Member::MaxPlayers},
        {"bots", Member::Bots},
        {"gameport", Member::Gameport},
        {"steamid", Member::Steamid},
        {"appid", Member::Appid},
        {"gamedir", Member::Gamedir},
        {"version", Member::Version},
        {"product", Member::Product},
        {"region", Member::Region},
        {"secure", Member::Secure},
        {"dedicated", Member::Dedicated},
        {"os", Member::Os},
        {"gametype", Member::Gametype},
        {"servers", Member::Servers},
        {"response", Member::Response},
    };
    for (const Name& n : kNames)
        if (n.text == key)
            return n.member;
    return Member::Unknown;
}

// Reads the answer as a stream of events, never as a whole tree: an answer of many thousand
// servers is read in one pass, and whatever the answer nests, nothing of it is kept but the
// servers' members.
class ListReader {
public:
    using json = nlohmann::json;

    explicit ListReader(size_t limit, size_t bodySize) : limit_(limit)
    {
        // A server takes some 350 bytes of an answer.
        servers_.reserve(std::min(limit, bodySize / 256) + 1);
    }

    bool null() { return Scalar(); }
    bool boolean(bool value)
    {
        if (Scalar() && InServer()) {
            if (member_ == Member::Secure)
                servers_.back().secure = value;
            else if (member_ == Member::Dedicated)
                servers_.back().dedicated = value;
            else
                Forget();
        }
        return !broken_;
    }
    bool number_integer(json::number_integer_t value)
    {
        if (Scalar() && InServer())
            Number(value);
        return !broken_;
    }
    bool number_unsigned(json::number_unsigned_t value)
    {
        if (Scalar() && InServer())
            Number(value > static_cast<json::number_unsigned_t>(std::numeric_limits<int>::max())
                       ? std::numeric_limits<int64_t>::max()
                       : static_cast<int64_t>(value));
        return !broken_;
    }
    bool number_float(json::number_float_t, const json::string_t&)
    {
        if (Scalar() && InServer())
            Forget();
        return !broken_;
    }
    bool string(json::string_t& value)
    {
        if (Scalar() && InServer())
            Text(value);
        return !broken_;
    }
    bool binary(json::binary_t&) { return Scalar(); }
    bool key(json::string_t& value)
    {
        member_ = MemberOf(value);
        return true;
    }
    bool start_object(size_t) { return Open(true); }
    bool start_array(size_t) { return Open(false); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }
    bool parse_error(size_t, const std::string&, const nlohmann::detail::exception&)
    {
        broken_ = true;
        return false;
    }

    WebApiList Result() &&
    {
        WebApiList out;
        if (broken_ || !sawResponse_)
            return out;
        out.filledLimit = found_ > 0 && found_ >= limit_;
        out.servers = std::move(servers_);
        out.status = out.servers.empty() ? WebApiListStatus::NoServer : WebApiListStatus::Ok;
        return out;
    }

private:
    // What an object or array is to the list.
    enum class Level : unsigned char { Root, Response, Servers, Server, Other };
    // Real answers nest five deep; far deeper is no answer of the service.
    static constexpr size_t kMaxDepth = 64;

    bool InServer() const { return !levels_.empty() && levels_.back() == Level::Server; }
    bool At(Level level, Member member) const
    {
        return !levels_.empty() && levels_.back() == level && member_ == member;
    }

    // A value that is no object or array; false when it breaks the answer's shape.
    bool Scalar()
    {
        if (levels_.empty() || At(Level::Root, Member::Response) || At(Level::Response, Member::Servers))
            broken_ = true;
        return !broken_;
    }

    bool Open(bool object)
    {
        if (levels_.size() >= kMaxDepth) {
            broken_ = true;
            return false;
        }
        Level level = Level::Other;
        if (levels_.empty()) {
            broken_ = broken_ || !object;
            level = Level::Root;
        } else if (At(Level::Root, Member::Response)) {
            broken_ = broken_ || !object;
            sawResponse_ = true;
            level = Level::Response;
        } else if (At(Level::Response, Member::Servers)) {
            broken_ = broken_ || object;
            level = Level::Servers;
        } else if (levels_.back() == Level::Servers && object) {
            // Filled in its place in the list, and taken off again when it has no address or
            // the list is full.
            servers_.emplace_back();
            level = Level::Server;
        } else if (InServer()) {
            Forget();
        }
        levels_.push_back(level);
        return !broken_;
    }

    bool Close()
    {
        if (InServer()) {
            if (!servers_.back().addr.empty())
                ++found_;
            if (servers_.back().addr.empty() || servers_.size() > limit_)
                servers_.pop_back();
        }
        if (!levels_.empty())
            levels_.pop_back();
        return true;
    }

    std::optional<std::string>* TextMember()
    {
        WebApiServer& s = servers_.back();
        switch (member_) {
        case Member::Name:
            return &s.name;
        case Member::Map:
            return &s.map;
        case Member::Steamid:
            return &s.steamid;
        case Member::Gamedir:
            return &s.gamedir;
        case Member::Version:
            return &s.version;
        case Member::Product:
            return &s.product;
        case Member::Os:
            return &s.os;
        case Member::Gametype:
            return &s.gametype;
        default:
            return nullptr;
        }
    }

    // The member and the values it takes.
    std::optional<int>* NumberMember(int64_t& low, int64_t& high)
    {
        WebApiServer& s = servers_.back();
        low = 0;
        high = std::numeric_limits<int>::max();
        switch (member_) {
        case Member::Players:
            return &s.players;
        case Member::MaxPlayers:
            return &s.maxPlayers;
        case Member::Bots:
            return &s.bots;
        case Member::Appid:
            return &s.appid;
        case Member::Gameport:
            low = 1;
            high = 65535;
            return &s.gameport;
        case Member::Region:
            low = std::numeric_limits<int>::min();
            return &s.region;
        default:
            return nullptr;
        }
    }

    void Text(std::string& value)
    {
        if (member_ == Member::Addr) {
            if (IsServerAddress(value))
                servers_.back().addr.swap(value);
            else
                servers_.back().addr.clear();
        } else if (std::optional<std::string>* text = TextMember()) {
            *text = OneLine(std::move(value));
        } else {
            Forget();
        }
    }

    void Number(int64_t value)
    {
        int64_t low = 0;
        int64_t high = 0;
        if (std::optional<int>* number = NumberMember(low, high)) {
            if (value >= low && value <= high)
                *number = static_cast<int>(value);
            else
                number->reset();
        } else {
            Forget();
        }
    }

    // The member named by the current key holds a value of another type: it counts as missing.
    void Forget()
    {
        int64_t low = 0;
        int64_t high = 0;
        WebApiServer& s = servers_.back();
        if (member_ == Member::Addr)
            s.addr.clear();
        else if (std::optional<std::string>* text = TextMember())
            text->reset();
        else if (std::optional<int>* number = NumberMember(low, high))
            number->reset();
        else if (member_ == Member::Secure)
            s.secure.reset();
        else if (member_ == Member::Dedicated)
            s.dedicated.reset();
    }

    size_t limit_;
    std::vector<Level> levels_;
    Member member_ = Member::Unknown;   // named by the last key
    std::vector<WebApiServer> servers_; // the last one while inside a server's object
    size_t found_ = 0;                  // entries with a valid address, kept or not
    bool sawResponse_ = false;
    bool broken_ = false;
};

// Malformed UTF-8 made well-formed, each bad sequence one U+FFFD: a server name in another code
// page must not make the whole list unreadable to the parser.
std::string WellFormedUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (size_t i = 0; i < text.size();) {
        size_t length = 1;
        AppendUtf8(out, DecodeUtf8At(text, i, length));
        i += length;
    }
    return out;
}

} // namespace

// ---- Texts ------------------------------------------------------------------------------------

const char* WebApiOutcomeText(WebApiOutcome outcome)
{
    switch (outcome) {
    case WebApiOutcome::NoKey:
        return kWebApiNoKeyText;
    case WebApiOutcome::RefusedKey:
        return kWebApiRefusedText;
    case WebApiOutcome::NoAnswer:
        return kWebApiNoAnswerText;
    case WebApiOutcome::Unreadable:
        return kWebApiUnreadableText;
    case WebApiOutcome::NoServer:
        return kWebApiNoServerText;
    case WebApiOutcome::Ok:
        break;
    }
    return "";
}

std::string ListStoppedText(std::size_t servers)
{
    return "the list stopped at " + std::to_string(servers) + " servers";
}

// ---- The request ------------------------------------------------------------------------------

std::string PercentEncode(std::string_view text)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDigit(c) || c == '-' ||
                                c == '.' || c == '_' || c == '~';
        if (unreserved) {
            out.push_back(c);
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out += {'%', kHex[byte >> 4], kHex[byte & 15]};
        }
    }
    return out;
}

std::string ServerListFilter(std::string_view modFolder)
{
    return "\\appid\\70\\gamedir\\" + std::string(modFolder);
}

std::string ServerListUrl(std::string_view baseUrl, std::string_view key, std::string_view modFolder, int limit)
{
    while (!baseUrl.empty() && baseUrl.back() == '/')
        baseUrl.remove_suffix(1);
    return std::string(baseUrl) + "/IGameServersService/GetServerList/v1/?key=" + PercentEncode(key) +
           "&filter=" + PercentEncode(ServerListFilter(modFolder)) + "&limit=" + PercentEncode(std::to_string(limit));
}

std::string UrlWithoutKey(std::string_view url)
{
    std::string out(url);
    const size_t query = out.find('?');
    if (query == std::string::npos)
        return out;
    for (size_t at = query; at != std::string::npos && at < out.size(); at = out.find('&', at + 1)) {
        if (out.compare(at + 1, 4, "key=") != 0)
            continue;
        const size_t value = at + 5;
        size_t end = out.find_first_of("&#", value);
        if (end == std::string::npos)
            end = out.size();
        out.replace(value, end - value, "***");
    }
    return out;
}

bool IsAllowedWebApiUrl(std::string_view url)
{
    const size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos)
        return false;
    const std::string_view scheme = url.substr(0, schemeEnd);
    const bool https = EqualsNoCase(scheme, "https");
    if (!https && !EqualsNoCase(scheme, "http"))
        return false;
    std::string_view authority = url.substr(schemeEnd + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    for (char c : url)
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F)
            return false;
    // Only what a host and a port are made of: no user part, no escapes, nothing a URL parser
    // could read as another host than this check does.
    for (char c : authority) {
        const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDigit(c) || c == '.' || c == '-' ||
                             c == ':' || c == '[' || c == ']';
        if (!allowed)
            return false;
    }
    std::string_view host;
    std::string_view port;
    if (!authority.empty() && authority.front() == '[') {
        const size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return false;
        host = authority.substr(0, close + 1);
        const std::string_view rest = authority.substr(close + 1);
        if (!rest.empty() && rest.front() != ':')
            return false;
        port = rest.empty() ? rest : rest.substr(1);
        if (rest.size() == 1)
            return false;
    } else {
        const size_t colon = authority.find(':');
        host = authority.substr(0, colon);
        if (colon != std::string_view::npos) {
            port = authority.substr(colon + 1);
            if (port.empty())
                return false;
        }
    }
    long portNumber = 0;
    if (host.empty() || (!port.empty() && (!ReadDecimal(port, 5, 65535, portNumber) || portNumber == 0)))
        return false;
    if (host.find(']') != std::string_view::npos && host.front() != '[')
        return false;
    if (https)
        return true;
    unsigned char octets[4];
    return EqualsNoCase(host, "localhost") || EqualsNoCase(host, "localhost.") || host == "[::1]" ||
           (ReadDottedQuad(host, octets) && octets[0] == 127);
}

// ---- The answer -------------------------------------------------------------------------------

WebApiList DecodeServerList(std::string_view body, std::size_t limit)
{
    if (body.size() > kMaxWebApiAnswerBytes)
        return WebApiList();
    try {
        ListReader reader(limit, body.size());
        if (!nlohmann::json::sax_parse(body.begin(), body.end(), &reader) && !IsValidUtf8(body)) {
            // Perhaps only a name in another code page: its bytes become U+FFFD, and the answer
            // is read again. Asked only then, as all but a few answers are well-formed.
            const std::string repaired = WellFormedUtf8(body);
            ListReader again(limit, repaired.size());
            nlohmann::json::sax_parse(repaired.begin(), repaired.end(), &again);
            return std::move(again).Result();
        }
        return std::move(reader).Result();
    } catch (...) {
        // Out of memory, or anything else the parser might raise: no list.
        return WebApiList();
    }
}
