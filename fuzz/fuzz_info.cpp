// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz_check.h"

#include <map>
#include <vector>

namespace {

// A second, deliberately plain reading of the key/value text to compare with DecodeInfo: one
// backslash before the first key may be left out, every other backslash separates two fields.
std::map<std::string, std::string> ReferencePairs(const uint8_t* data, size_t size)
{
    std::string text;
    for (size_t i = 23; i < size && data[i] != 0; ++i)
        text.push_back(static_cast<char>(data[i]));
    if (!text.empty() && text[0] == '\\')
        text.erase(0, 1);
    std::vector<std::string> fields;
    if (!text.empty()) {
        fields.emplace_back();
        for (char c : text) {
            if (c == '\\')
                fields.emplace_back();
            else
                fields.back().push_back(c);
        }
    }
    std::map<std::string, std::string> pairs;
    for (size_t i = 0; i < fields.size(); i += 2)
        pairs[fields[i]] = i + 1 < fields.size() ? fields[i + 1] : "";
    return pairs;
}

std::string Get(const std::map<std::string, std::string>& pairs, const std::string& key)
{
    const auto it = pairs.find(key);
    return it == pairs.end() ? "" : it->second;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    InfoReply out;
    out.name = "untouched";
    const bool decoded = DecodeInfo(data, size, out);
    const bool hasWord = size >= 23 && std::memcmp(data + 4, "infostringresponse", 19) == 0;
    FUZZ_CHECK(decoded == hasWord);
    FUZZ_CHECK(decoded == (ClassifyReply(data, size, false) == ReplyKind::Info));
    if (!decoded) {
        FUZZ_CHECK(out.name == "untouched");
        return 0;
    }

    const auto pairs = ReferencePairs(data, size);
    FUZZ_CHECK(out.name == Get(pairs, "hostname"));
    FUZZ_CHECK(out.map == Get(pairs, "map"));
    FUZZ_CHECK(out.players == Get(pairs, "players") + "/" + Get(pairs, "max"));
    const std::string kind = !pairs.count("type") ? "" : Get(pairs, "type") == "d" ? "Dedicated" : "Listen";
    const std::string os = !pairs.count("os") ? "" : Get(pairs, "os") == "l" ? "Linux" : "Windows";
    const std::string locked = !pairs.count("password") ? "" : Get(pairs, "password") == "0" ? "No" : "Yes";
    FUZZ_CHECK(out.info == Get(pairs, "description") + "|" + kind + "//" + os + " Server|Password: " + locked);
    return 0;
}
