#include "settings/tool_options.h"

#include "core/path.h"
#include "core/profile_file.h"

namespace {

constexpr const char* kQuerySection = "Query";
constexpr const char* kDialectsSection = "Dialects";

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

std::vector<std::string> SplitCommas(const std::string& text)
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

} // namespace

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
    lanTargets = SplitCommas(file.GetString(kQuerySection, "LanTargets"));
    for (const std::string& address : file.GetKeys(kDialectsSection)) {
        QueryDialect d = QueryDialect::Automatic;
        if (ReadDialect(file.GetString(kDialectsSection, address), d) && d != QueryDialect::Automatic)
            favoriteDialects[address] = d;
    }
    return true;
}

bool ToolOptions::Save(const std::string& path) const
{
    // Keeps what a later version (or the user) put into the file beside these values.
    ProfileFile file;
    file.Load(path);
    file.WriteString(kQuerySection, "Dialect", DialectWord(dialect));
    file.WriteInt(kQuerySection, "QueriesAtOnce", queriesAtOnce);
    std::string targets;
    for (const std::string& t : lanTargets)
        targets += (targets.empty() ? "" : ",") + t;
    file.WriteString(kQuerySection, "LanTargets", targets);
    std::vector<std::string> lines;
    for (const auto& [address, d] : favoriteDialects)
        lines.push_back(address + "=" + DialectWord(d));
    file.DeleteSection(kDialectsSection);
    if (!lines.empty())
        file.WriteSection(kDialectsSection, lines);
    return file.Save(path);
}
