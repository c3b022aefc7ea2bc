// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/address.h"
#include "core/file_io.h"
#include "core/profile_file.h"
#include "core/utf8.h"
#include "fuzz_files.h"
#include "settings/tool_options.h"

#include <set>

namespace {

bool IsOwnSection(const std::string& name)
{
    static const std::set<std::string> own = {"query", "dialects",    "filter",     "hidden",
                                              "watch", "steamwebapi", "moremasters"};
    return own.count(Lower(name)) != 0;
}

std::vector<std::string> DialectAddresses(const ToolOptions& options)
{
    std::vector<std::string> out;
    for (const auto& [address, dialect] : options.serverDialects)
        out.push_back(address);
    return out;
}

void CheckBounds(const ToolOptions& o)
{
    FUZZ_CHECK(o.queriesAtOnce >= 1 && o.queriesAtOnce <= ToolOptions::kMaxQueriesAtOnce);
    FUZZ_CHECK(o.watchMinutes >= ToolOptions::kMinWatchMinutes && o.watchMinutes <= ToolOptions::kMaxWatchMinutes);
    FUZZ_CHECK(o.filter.maxPing >= 0 && o.filter.maxPing <= 9999);
    // As the field measures it.
    FUZZ_CHECK(Utf8PrefixWithinUtf16(o.filter.text, ServerFilter::kMaxTextLength) == o.filter.text.size());
    for (const std::string& target : o.lanTargets)
        FUZZ_CHECK(!target.empty() && target.find_first_of(", \t") == std::string::npos);
    std::set<std::string> hidden;
    for (const std::string& address : o.hiddenServers) {
        FUZZ_CHECK(IsValidAddress(address));
        FUZZ_CHECK(hidden.insert(address).second);
    }
    for (const auto& [address, dialect] : o.serverDialects)
        FUZZ_CHECK(!address.empty() && dialect != QueryDialect::Automatic);
    FUZZ_CHECK(o.webApiLimit >= ToolOptions::kMinWebApiLimit && o.webApiLimit <= ToolOptions::kMaxWebApiLimit);
    FUZZ_CHECK(!o.webApiUrl.empty());
    FUZZ_CHECK(o.moreMasters.size() <= ToolOptions::kMaxMoreMasters);
    std::set<std::string> masters;
    for (const std::string& master : o.moreMasters) {
        FUZZ_CHECK(NormalizeMasterEntry(master) == master);
        FUZZ_CHECK(masters.insert(master).second);
    }
}

} // namespace

// Options.ini, every section of it, as a user or another version may have left it: what loads is
// within the options' bounds; saved and loaded again it is the same, the file then stays as it
// is, and what the program does not know of the file is kept.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = AsText(data, size);
    const ScratchFolder& scratch = Scratch();
    const std::string path = scratch.Path(ToolOptions::kFileName);
    scratch.Write(ToolOptions::kFileName, text);

    ToolOptions options;
    FUZZ_CHECK(options.Load(path));
    CheckBounds(options);
    ProfileFile before;
    before.SetText(text);

    FUZZ_CHECK(options.Save(path, DialectAddresses(options)));
    ToolOptions again;
    FUZZ_CHECK(again.Load(path));
    // A NUL in a value is written as a blank, as in every profile file: such a file settles
    // after one save.
    const bool plain = text.find('\0') == std::string::npos;
    FUZZ_CHECK(!plain || again == options);
    CheckBounds(again);

    std::string saved;
    FUZZ_CHECK(ReadWholeFile(path, saved));
    FUZZ_CHECK(again.Save(path, DialectAddresses(again)));
    std::string savedAgain;
    FUZZ_CHECK(ReadWholeFile(path, savedAgain));
    if (!plain) {
        ToolOptions settled;
        FUZZ_CHECK(settled.Load(path));
        FUZZ_CHECK(settled == again);
        saved = savedAgain;
        FUZZ_CHECK(again.Save(path, DialectAddresses(again)));
        FUZZ_CHECK(ReadWholeFile(path, savedAgain));
    }
    FUZZ_CHECK(savedAgain == saved);

    ProfileFile after;
    after.SetText(saved);
    for (const std::string& name : before.GetSectionNames())
        if (!IsOwnSection(name))
            FUZZ_CHECK(after.GetSectionLines(name) == before.GetSectionLines(name));

    // Without keeping them, the servers' dialects are not written.
    FUZZ_CHECK(again.Save(path));
    ToolOptions none;
    FUZZ_CHECK(none.Load(path));
    FUZZ_CHECK(none.serverDialects.empty());
    none.serverDialects = again.serverDialects;
    FUZZ_CHECK(none == again);
    return 0;
}
