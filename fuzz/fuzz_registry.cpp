// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/file_io.h"
#include "core/profile_file.h"
#include "fuzz_files.h"
#include "platform/platform.h"

#include <optional>

namespace {

std::optional<uint32_t> Read(const std::string& folder, const std::string& name)
{
    uint32_t value = 0xDEADBEEF;
    if (!platform::ReadGameRegistryDword(folder, name, value))
        return std::nullopt;
    return value;
}

} // namespace

// registry.ini, the stand-in for the game's registry key off Windows, as anyone may have left
// it. A value written reads back as written and every other value stays as it was; without the
// key's section nothing is read and the file is never changed.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = AsText(data, size);
    const ScratchFolder& scratch = Scratch();
    scratch.Write(platform::kRegistryFileName, text);
    const std::string folder = scratch.folder();
    const std::string path = scratch.Path(platform::kRegistryFileName);

    ProfileFile file;
    file.SetText(text);
    const bool hasKey = file.HasSection(platform::kGameRegistrySection);
    std::vector<std::string> names = {"EngineModeW", "EngineModeH", "EngineModeWindowed"};
    const std::vector<std::string> keys = file.GetKeys(platform::kGameRegistrySection);
    // The names the file has too (a NUL in one could not be written as it is).
    for (size_t i = 0; i < keys.size() && names.size() < 8; ++i)
        if (keys[i].find('\0') == std::string::npos)
            names.push_back(keys[i]);

    std::vector<std::optional<uint32_t>> before;
    for (const std::string& name : names) {
        before.push_back(Read(folder, name));
        FUZZ_CHECK(hasKey || !before.back());
        FUZZ_CHECK(before.back().has_value() == file.HasKey(platform::kGameRegistrySection, name));
    }

    const size_t written = size % names.size();
    const uint32_t value = static_cast<uint32_t>(size * 2654435761u);
    FUZZ_CHECK(platform::WriteGameRegistryDword(folder, names[written], value) == hasKey);
    if (!hasKey) {
        std::string after;
        FUZZ_CHECK(ReadWholeFile(path, after) && after == text);
        return 0;
    }
    FUZZ_CHECK(Read(folder, names[written]) == value);
    for (size_t i = 0; i < names.size(); ++i)
        if (Lower(names[i]) != Lower(names[written]))
            FUZZ_CHECK(Read(folder, names[i]) == before[i]);
    return 0;
}
