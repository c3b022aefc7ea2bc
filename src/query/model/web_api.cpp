// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/model/web_api.h"

#include "core/address.h"
#include "core/text_file.h"
#include "core/utf8.h"

#include <nlohmann/json.hpp>

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

// Exactly "a.b.c.d:port", as IsValidAddress takes it, in the form FormatAddress gives.
std::optional<std::string> ReadServerAddress(std::string_view text)
{
    const size_t colon = text.find(':');
    unsigned char octets[4];
    long port = 0;
    if (colon == std::string_view::npos || !ReadDottedQuad(text.substr(0, colon), octets) ||
        !ReadDecimal(text.substr(colon + 1), 5, 65535, port))
        return std::nullopt;
    std::string address = FormatAddress(octets, static_cast<int>(port));
    if (!IsValidAddress(address))
        return std::nullopt;
    return address;
}

// ---- The decoder ------------------------------------------------------------------------------

// Reads the answer as a stream of events, never as a whole tree: an answer of many thousand
// servers is read in one pass, and whatever the answer nests, nothing of it is kept but the
// servers' members.
class ListReader {
public:
    using json = nlohmann::json;

    explicit ListReader(size_t limit) : limit_(limit) {}

    bool null() { return Scalar(); }
    bool boolean(bool value)
    {
        if (Scalar() && InServer()) {
            if (key_ == "secure")
                server_.secure = value;
            else if (key_ == "dedicated")
                server_.dedicated = value;
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
    bool number_float(json::number_float_t, const json::string_t&) { return Scalar(); }
    bool string(json::string_t& value)
    {
        if (Scalar() && InServer())
            Text(value);
        return !broken_;
    }
    bool binary(json::binary_t&) { return Scalar(); }
    bool key(json::string_t& value)
    {
        key_.swap(value);
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

    // A value that is no object or array, at the current level; false when it breaks the shape.
    bool Scalar()
    {
        if (levels_.empty() || (levels_.back() == Level::Root && key_ == "response") ||
            (levels_.back() == Level::Response && key_ == "servers"))
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
        } else if (levels_.back() == Level::Root && key_ == "response") {
            broken_ = broken_ || !object;
            sawResponse_ = true;
            level = Level::Response;
        } else if (levels_.back() == Level::Response && key_ == "servers") {
            broken_ = broken_ || object;
            level = Level::Servers;
        } else if (levels_.back() == Level::Servers && object) {
            server_ = WebApiServer();
            level = Level::Server;
        } else if (levels_.back() == Level::Server) {
            Forget();
        }
        levels_.push_back(level);
        return !broken_;
    }

    bool Close()
    {
        if (!levels_.empty() && levels_.back() == Level::Server && !server_.addr.empty()) {
            ++found_;
            if (servers_.size() < limit_)
                servers_.push_back(std::move(server_));
        }
        if (!levels_.empty())
            levels_.pop_back();
        return true;
    }

    std::optional<std::string>* TextMember()
    {
        if (key_ == "name")
            return &server_.name;
        if (key_ == "map")
            return &server_.map;
        if (key_ == "steamid")
            return &server_.steamid;
        if (key_ == "gamedir")
            return &server_.gamedir;
        if (key_ == "version")
            return &server_.version;
        if (key_ == "product")
            return &server_.product;
        if (key_ == "os")
            return &server_.os;
        if (key_ == "gametype")
            return &server_.gametype;
        return nullptr;
    }

    std::optional<int>* NumberMember(int64_t& low, int64_t& high)
    {
        low = 0;
        high = std::numeric_limits<int>::max();
        if (key_ == "players")
            return &server_.players;
        if (key_ == "max_players")
            return &server_.maxPlayers;
        if (key_ == "bots")
            return &server_.bots;
        if (key_ == "appid")
            return &server_.appid;
        if (key_ == "gameport") {
            low = 1;
            high = 65535;
            return &server_.gameport;
        }
        if (key_ == "region") {
            low = std::numeric_limits<int>::min();
            return &server_.region;
        }
        return nullptr;
    }

    void Text(std::string& value)
    {
        if (key_ == "addr") {
            server_.addr = ReadServerAddress(value).value_or(std::string());
        } else if (std::optional<std::string>* member = TextMember()) {
            *member = OneLine(std::move(value));
        } else {
            Forget();
        }
    }

    void Number(int64_t value)
    {
        int64_t low = 0;
        int64_t high = 0;
        if (std::optional<int>* member = NumberMember(low, high)) {
            if (value >= low && value <= high)
                *member = static_cast<int>(value);
            else
                member->reset();
        } else {
            Forget();
        }
    }

    // The member named by the current key holds a value of another type: it counts as missing.
    void Forget()
    {
        int64_t low = 0;
        int64_t high = 0;
        if (key_ == "addr")
            server_.addr.clear();
        else if (std::optional<std::string>* text = TextMember())
            text->reset();
        else if (std::optional<int>* number = NumberMember(low, high))
            number->reset();
        else if (key_ == "secure")
            server_.secure.reset();
        else if (key_ == "dedicated")
            server_.dedicated.reset();
    }

    size_t limit_;
    std::vector<Level> levels_;
    std::string key_;
    WebApiServer server_;
    std::vector<WebApiServer> servers_;
    size_t found_ = 0; // entries with a valid address, kept or not
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
        std::string repaired;
        if (!IsValidUtf8(body)) {
            repaired = WellFormedUtf8(body);
            body = repaired;
        }
        ListReader reader(limit);
        nlohmann::json::sax_parse(body.begin(), body.end(), &reader);
        return std::move(reader).Result();
    } catch (...) {
        // Out of memory, or anything else the parser might raise: no list.
        return WebApiList();
    }
}

bool IsRelayedAddress(std::string_view address)
{
    unsigned char octets[4];
    return ReadDottedQuad(address.substr(0, address.find(':')), octets) && octets[0] == 169 && octets[1] == 254;
}
