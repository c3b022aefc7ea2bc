// The game keeps its screen mode in the registry on Windows; elsewhere the same values live in
// registry.ini in the working folder, so the program never invents a key the game doesn't have.
#include "platform/platform.h"

#include "core/path.h"
#include "core/profile_file.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

#ifdef _WIN32
static const char* kGameKey = "Software\\Valve\\Half-Life\\Settings";

bool ReadGameRegistryDword(const std::string&, const std::string& name, uint32_t& value)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kGameKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD data = 0, size = sizeof data, type = 0;
    LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_DWORD)
        return false;
    value = data;
    return true;
}

bool WriteGameRegistryDword(const std::string&, const std::string& name, uint32_t value)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kGameKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD data = value;
    LONG rc = RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}
#else
static bool LoadRegistry(const std::string& workFolder, ProfileFile& file, std::string& path)
{
    path = JoinPath(workFolder, kRegistryFileName);
    return FileExists(path) && file.Load(path) && file.HasSection(kGameRegistrySection);
}

bool ReadGameRegistryDword(const std::string& workFolder, const std::string& name, uint32_t& value)
{
    ProfileFile file;
    std::string path;
    if (!LoadRegistry(workFolder, file, path))
        return false;
    if (!file.HasKey(kGameRegistrySection, name))
        return false;
    value = static_cast<uint32_t>(file.GetInt(kGameRegistrySection, name, 0));
    return true;
}

bool WriteGameRegistryDword(const std::string& workFolder, const std::string& name, uint32_t value)
{
    ProfileFile file;
    std::string path;
    if (!LoadRegistry(workFolder, file, path))
        return false;
    file.WriteString(kGameRegistrySection, name, std::to_string(value));
    return file.Save(path);
}
#endif

} // namespace platform
