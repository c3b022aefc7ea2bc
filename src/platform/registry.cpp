// SPDX-License-Identifier: GPL-3.0-or-later
// The game keeps its screen mode in the registry on Windows; elsewhere the same values live in
// registry.ini in the working folder, so the program never invents a key the game doesn't have.
#include "platform/platform.h"

#include "core/path.h"
#include "core/profile_file.h"

#include <mutex>

#ifdef _WIN32
#include "core/wide_path.h"

#include <windows.h>
#endif

namespace platform {

namespace {

std::mutex keyMutex;
std::string keyOverride; // empty: the game's own key

} // namespace

void SetGameRegistryKey(const std::string& subkey)
{
    const std::lock_guard lock(keyMutex);
    keyOverride = subkey;
}

std::string GameRegistryKey()
{
    const std::lock_guard lock(keyMutex);
    return keyOverride.empty() ? kGameRegistryKey : keyOverride;
}

#ifdef _WIN32
bool ReadGameRegistryDword(const std::string&, const std::string& name, uint32_t& value)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Widen(GameRegistryKey()).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD data = 0, size = sizeof data, type = 0;
    const LONG rc = RegQueryValueExW(key, Widen(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof data)
        return false;
    value = data;
    return true;
}

bool WriteGameRegistryDword(const std::string&, const std::string& name, uint32_t value)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Widen(GameRegistryKey()).c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return false;
    const DWORD data = value;
    const LONG rc =
        RegSetValueExW(key, Widen(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}
#else
static bool LoadRegistry(const std::string& workFolder, ProfileFile& file, std::string& path, std::string& section)
{
    path = JoinPath(workFolder, kRegistryFileName);
    section = "HKEY_CURRENT_USER\\" + GameRegistryKey();
    return FileExists(path) && file.Load(path) && file.HasSection(section);
}

bool ReadGameRegistryDword(const std::string& workFolder, const std::string& name, uint32_t& value)
{
    ProfileFile file;
    std::string path, section;
    if (!LoadRegistry(workFolder, file, path, section))
        return false;
    if (!file.HasKey(section, name))
        return false;
    value = static_cast<uint32_t>(file.GetInt(section, name, 0));
    return true;
}

bool WriteGameRegistryDword(const std::string& workFolder, const std::string& name, uint32_t value)
{
    ProfileFile file;
    std::string path, section;
    if (!LoadRegistry(workFolder, file, path, section))
        return false;
    file.WriteString(section, name, std::to_string(value));
    return file.Save(path);
}
#endif

} // namespace platform
