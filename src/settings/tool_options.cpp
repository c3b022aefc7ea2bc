// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/tool_options.h"

#include "core/address.h"
#include "core/file_io.h"
#include "core/path.h"
#include "core/profile_file.h"

#include <algorithm>
#include <charconv>
#include <set>

namespace {

constexpr const char* kQuerySection = "Query";
constexpr const char* kDialectsSection = "Dialects";
constexpr const char* kFilterSection = "Filter";
constexpr const char* kHiddenSection = "Hidden";
constexpr const char* kWatchSection = "Watch";
constexpr const char* kWebApiSection = "SteamWebApi";
constexpr const char* kMoreMastersSection = "MoreMasters";
constexpr int kMaxFilterPing = 9999;

bool ReadDialect(const std::string& word, QueryDialect& out)
{
    for (QueryDialect d : {QueryDialect::Automatic, QueryDialect::Classic, QueryDialect::A2s}) {
        if (word == DialectWord(d)) {
            out = d;
            return true;
        }
    }
    return false;
}

// A text as reading gives it back: blanks at its ends, or one pair of quotes around it, would be
// taken off; inside quotes of their own they stay.
std::string StoredText(const std::string& text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    const bool blankEnd = !text.empty() && (blank(text.front()) || blank(text.back()));
    const bool quoted =
        text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front();
    return blankEnd || quoted ? '"' + text + '"' : text;
}

// A whole number, clamped to low..high; defaultValue when the text is no number at all.
int ReadClamped(const std::string& text, int low, int high, int defaultValue)
{
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    long long value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || end != digits.data() + digits.size())
        return defaultValue;
    if (error == std::errc::result_out_of_range)
        return digits.front() == '-' ? low : high;
    return static_cast<int>(std::clamp<long long>(value, low, high));
}

} // namespace

std::string NormalizeMasterEntry(const std::string& text)
{
    std::string entry;
    for (char c : text)
        if (c != ' ' && c != '\t')
            entry.push_back(c);
    const size_t colon = entry.find(':');
    const std::string host = entry.substr(0, colon);
    if (host.empty() || host.size() > 253 || host.front() == '.' || host.front() == '-')
        return "";
    for (char c : host)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
              c == '_'))
            return "";
    if (colon != std::string::npos) {
        const std::string port = entry.substr(colon + 1);
        int value = 0;
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (port.empty() || port.front() == '0' || error != std::errc() || end != port.data() + port.size() ||
            value > 65535)
            return "";
    }
    return entry;
}

std::vector<std::string> SplitTargets(const std::string& text)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : text + ",") {
        if (c != ',') {
            if (c != ' ' && c != '\t')
                part.push_back(c);
        } else if (!part.empty()) {
            parts.push_back(part);
            part.clear();
        }
    }
    return parts;
}

std::string JoinTargets(const std::vector<std::string>& targets)
{
    std::string text;
    for (const std::string& t : targets)
        text += (text.empty() ? "" : ",") + t;
    return text;
}

const char* DialectWord(QueryDialect dialect)
{
    switch (dialect) {
    case QueryDialect::Classic:
        return "Classic";
    case QueryDialect::A2s:
        return "A2S";
    default:
        return "Automatic";
    }
}

bool ToolOptions::IsHidden(const std::string& address) const
{
    return std::find(hiddenServers.begin(), hiddenServers.end(), address) != hiddenServers.end();
}

bool ToolOptions::Load(const std::string& path)
{
    *this = ToolOptions();
    if (!FileExists(path))
        return true;
    ProfileFile file;
    if (!file.Load(path))
        return false;
    ReadDialect(file.GetString(kQuerySection, "Dialect"), dialect);
    const int atOnce = file.GetInt(kQuerySection, "QueriesAtOnce", kDefaultQueriesAtOnce);
    if (atOnce >= 1 && atOnce <= kMaxQueriesAtOnce)
        queriesAtOnce = atOnce;
    lanTargets = SplitTargets(file.GetString(kQuerySection, "LanTargets"));
    filter.hideEmpty = file.GetInt(kFilterSection, "HideEmpty", 0) != 0;
    filter.hideFull = file.GetInt(kFilterSection, "HideFull", 0) != 0;
    filter.hidePassworded = file.GetInt(kFilterSection, "HidePassworded", 0) != 0;
    filter.maxPing = std::clamp(file.GetInt(kFilterSection, "MaxPing", 0), 0, kMaxFilterPing);
    // Typed into one line; a file edited by hand could hold anything.
    filter.text = CutFilterText(file.GetString(kFilterSection, "Text"));
    for (const std::string& address : file.GetKeys(kHiddenSection))
        if (IsValidAddress(address) && !IsHidden(address))
            hiddenServers.push_back(address);
    watchFavorites = file.GetInt(kWatchSection, "Favorites", 0) != 0;
    const int minutes = file.GetInt(kWatchSection, "Minutes", kDefaultWatchMinutes);
    if (minutes >= kMinWatchMinutes && minutes <= kMaxWatchMinutes)
        watchMinutes = minutes;
    webApiKey = file.GetString(kWebApiSection, "Key");
    const std::string url = file.GetString(kWebApiSection, "Url");
    if (!url.empty())
        webApiUrl = url;
    webApiLimit =
        ReadClamped(file.GetString(kWebApiSection, "Limit"), kMinWebApiLimit, kMaxWebApiLimit, kDefaultWebApiLimit);
    for (const std::string& key : file.GetKeys(kMoreMastersSection)) {
        const std::string entry = NormalizeMasterEntry(file.GetString(kMoreMastersSection, key));
        if (!entry.empty() && moreMasters.size() < kMaxMoreMasters &&
            std::find(moreMasters.begin(), moreMasters.end(), entry) == moreMasters.end())
            moreMasters.push_back(entry);
    }
    queryOnPing = file.GetInt(kQuerySection, "QueryOnPing", 0) != 0;
    for (const std::string& address : file.GetKeys(kDialectsSection)) {
        QueryDialect d = QueryDialect::Automatic;
        if (ReadDialect(file.GetString(kDialectsSection, address), d) && d != QueryDialect::Automatic)
            serverDialects[address] = d;
    }
    return true;
}

bool ToolOptions::Save(const std::string& path, const std::vector<std::string>& keepDialectsOf) const
{
    // Keeps what a later version (or the user) put into the file beside these values; a file too
    // large to be one of ours is not carried from save to save, only what is known goes back.
    ProfileFile file;
    if (FileSize(path) <= static_cast<long long>(kMaxFileBytes))
        file.Load(path);
    file.WriteString(kQuerySection, "Dialect", DialectWord(dialect));
    file.WriteInt(kQuerySection, "QueriesAtOnce", queriesAtOnce);
    file.WriteString(kQuerySection, "LanTargets", StoredText(JoinTargets(lanTargets)));
    if (queryOnPing)
        file.WriteInt(kQuerySection, "QueryOnPing", 1);
    else
        file.DeleteKey(kQuerySection, "QueryOnPing");
    // Sections at their defaults are left out: the file says what the user chose.
    file.DeleteSection(kFilterSection);
    if (filter.Active()) {
        file.WriteInt(kFilterSection, "HideEmpty", filter.hideEmpty ? 1 : 0);
        file.WriteInt(kFilterSection, "HideFull", filter.hideFull ? 1 : 0);
        file.WriteInt(kFilterSection, "HidePassworded", filter.hidePassworded ? 1 : 0);
        file.WriteInt(kFilterSection, "MaxPing", filter.maxPing);
        file.WriteString(kFilterSection, "Text", StoredText(filter.text));
    }
    file.DeleteSection(kHiddenSection);
    std::vector<std::string> hidden;
    for (const std::string& address : hiddenServers)
        hidden.push_back(address + "=1");
    if (!hidden.empty())
        file.WriteSection(kHiddenSection, hidden);
    file.DeleteSection(kWatchSection);
    if (watchFavorites || watchMinutes != kDefaultWatchMinutes) {
        file.WriteInt(kWatchSection, "Favorites", watchFavorites ? 1 : 0);
        file.WriteInt(kWatchSection, "Minutes", watchMinutes);
    }
    file.DeleteSection(kWebApiSection);
    if (!webApiKey.empty() || webApiUrl != kDefaultWebApiUrl || webApiLimit != kDefaultWebApiLimit) {
        file.WriteString(kWebApiSection, "Key", StoredText(webApiKey));
        file.WriteString(kWebApiSection, "Url", StoredText(webApiUrl));
        file.WriteInt(kWebApiSection, "Limit", webApiLimit);
    }
    file.DeleteSection(kMoreMastersSection);
    std::vector<std::string> masters;
    for (const std::string& entry : moreMasters)
        masters.push_back(std::to_string(masters.size() + 1) + "=" + entry);
    if (!masters.empty())
        file.WriteSection(kMoreMastersSection, masters);
    std::vector<std::string> lines;
    std::set<std::string> written;
    for (const std::string& address : keepDialectsOf) {
        const auto it = serverDialects.find(address);
        if (it != serverDialects.end() && it->second != QueryDialect::Automatic && written.insert(address).second)
            lines.push_back(address + "=" + DialectWord(it->second));
    }
    file.DeleteSection(kDialectsSection);
    if (!lines.empty())
        file.WriteSection(kDialectsSection, lines);
    // The owner's alone, also a file made before under a looser umask: it holds keys.
    return file.Save(path, FileAccess::OwnerOnly);
}
