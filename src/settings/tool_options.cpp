#include "settings/tool_options.h"

#include "core/path.h"
#include "core/profile_file.h"

#include <set>

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

} // namespace

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
    for (const std::string& address : file.GetKeys(kDialectsSection)) {
        QueryDialect d = QueryDialect::Automatic;
        if (ReadDialect(file.GetString(kDialectsSection, address), d) && d != QueryDialect::Automatic)
            serverDialects[address] = d;
    }
    return true;
}

bool ToolOptions::Save(const std::string& path, const std::vector<std::string>& keepDialectsOf) const
{
    // Keeps what a later version (or the user) put into the file beside these values.
    ProfileFile file;
    file.Load(path);
    file.WriteString(kQuerySection, "Dialect", DialectWord(dialect));
    file.WriteInt(kQuerySection, "QueriesAtOnce", queriesAtOnce);
    file.WriteString(kQuerySection, "LanTargets", JoinTargets(lanTargets));
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
    return file.Save(path);
}
