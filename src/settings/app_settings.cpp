// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/app_settings.h"

#include "core/file_io.h"
#include "core/path.h"
#include "platform/platform.h"

#include <bit>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

// Field widths of znktool.conf, in file order; the offsets follow from them (packed, no padding).
constexpr size_t kPathWidth = 300;
constexpr size_t kModWidth = 20;
constexpr size_t kArgsWidth = 1000;
constexpr size_t kMasterWidth = 100;
constexpr size_t kServerNameWidth = 200;

class RecordWriter {
public:
    explicit RecordWriter(std::vector<uint8_t>& out) : out_(out) {}
    void Text(const std::string& s, size_t width)
    {
        size_t n = std::min(s.size(), width);
        out_.insert(out_.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
        out_.insert(out_.end(), width - n, 0);
    }
    void Flag(bool b) { out_.push_back(b ? 1 : 0); }
    void Int(int32_t v)
    {
        uint32_t u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i)
            out_.push_back(static_cast<uint8_t>(u >> (8 * i)));
    }
    void Float(float f) { Int(static_cast<int32_t>(std::bit_cast<uint32_t>(f))); }

private:
    std::vector<uint8_t>& out_;
};

class RecordReader {
public:
    explicit RecordReader(const std::vector<uint8_t>& in) : in_(in) {}
    std::string Text(size_t width)
    {
        std::string s;
        for (size_t i = 0; i < width; ++i) {
            uint8_t c = At(pos_ + i);
            if (c == 0)
                break;
            s.push_back(static_cast<char>(c));
        }
        pos_ += width;
        return s;
    }
    bool Flag() { return At(pos_++) != 0; }
    int32_t Int()
    {
        uint32_t u = 0;
        for (int i = 0; i < 4; ++i)
            u |= static_cast<uint32_t>(At(pos_ + i)) << (8 * i);
        pos_ += 4;
        return static_cast<int32_t>(u);
    }
    float Float() { return std::bit_cast<float>(static_cast<uint32_t>(Int())); }

private:
    // Bytes past the end of a short record read as zero, as if the file had been zero-extended.
    uint8_t At(size_t i) const { return i < in_.size() ? in_[i] : 0; }
    const std::vector<uint8_t>& in_;
    size_t pos_ = 0;
};

} // namespace

std::vector<uint8_t> AppSettings::Encode() const
{
    std::vector<uint8_t> out;
    out.reserve(kRecordSize);
    RecordWriter w(out);
    w.Text(GetExePath(false), kPathWidth);
    w.Text(modFolder, kModWidth);
    w.Text(otherArguments, kArgsWidth);
    w.Text(masterServer, kMasterWidth);
    w.Flag(alwaysOnTop);
    w.Flag(console);
    w.Flag(dustTrails);
    w.Flag(rocks3d);
    w.Flag(bpp32);
    w.Flag(numericPing);
    w.Int(fxQuality);
    w.Int(beamQuality);
    w.Float(timeout);
    w.Int(priority);
    w.Int(serverSortColumn);
    w.Flag(serverSortFlag);
    w.Int(favoriteSortColumn);
    w.Flag(favoriteSortFlag);
    w.Flag(wonMaster);
    w.Text(serverName, kServerNameWidth);
    w.Flag(dedicated);
    w.Flag(lan);
    w.Int(port);
    w.Int(maxPlayers);
    w.Flag(skipTrackInfo);
    w.Flag(detectVbr);
    return out;
}

void AppSettings::Decode(const std::vector<uint8_t>& bytes)
{
    RecordReader r(bytes);
    SetGamePath(r.Text(kPathWidth));
    modFolder = r.Text(kModWidth);
    otherArguments = r.Text(kArgsWidth);
    masterServer = r.Text(kMasterWidth);
    if (masterServer == kOldSteamDefaultMaster)
        masterServer = kSteamDefaultMaster;
    alwaysOnTop = r.Flag();
    console = r.Flag();
    dustTrails = r.Flag();
    rocks3d = r.Flag();
    bpp32 = r.Flag();
    numericPing = r.Flag();
    fxQuality = r.Int();
    beamQuality = r.Int();
    timeout = r.Float();
    priority = r.Int();
    serverSortColumn = r.Int();
    serverSortFlag = r.Flag();
    favoriteSortColumn = r.Int();
    favoriteSortFlag = r.Flag();
    wonMaster = r.Flag();
    serverName = r.Text(kServerNameWidth);
    dedicated = r.Flag();
    lan = r.Flag();
    port = r.Int();
    maxPlayers = r.Int();
    skipTrackInfo = r.Flag();
    detectVbr = r.Flag();
}

void AppSettings::ApplyDefaults()
{
    if (masterServer.empty())
        masterServer = kDefaultMasterServer;
    if (timeout == 0.0f)
        timeout = 1.0f;
    if (port == 0)
        port = 27015;
    if (maxPlayers == 0)
        maxPlayers = 8;
}

void AppSettings::SetFirstRunDefaults()
{
    modFolder = "znk";
    masterServer = kDefaultMasterServer;
    timeout = 1.0f;
}

void AppSettings::AdoptGameLocation(const std::string& exePath)
{
    SetGamePath(exePath);
    if (modFolder.empty() || !FolderExists(JoinPath(gameFolder, modFolder)))
        modFolder = "znk";
    if (masterServer.empty())
        masterServer = kDefaultMasterServer;
    if (!(timeout != 0.0f)) // zero or NaN: never chosen
        timeout = 1.0f;
}

AppSettings::LoadResult AppSettings::Load(const std::function<bool()>& firstRun)
{
    workFolder = platform::CurrentDirectory();
    lastSaveFailed = false;
    unreadable = false;
    if (workFolder.empty()) {
        // "" + "/znktool.conf" would put the program's files in the root folder.
        settingsPath.clear();
        return LoadResult::NoWorkFolder;
    }
    settingsPath = workFolder + kPathSeparator + kFileName;

    if (!PathExists(settingsPath)) {
        if (!firstRun || !firstRun())
            return LoadResult::Abandoned;
        // The file gets the first-run bytes (port and max players still 0); the running
        // program works with the same defaults a later start reads them with.
        Save(false);
        ApplyDefaults();
        return LoadResult::FirstRun;
    }

    std::string raw;
    if (!ReadWholeFile(settingsPath, raw)) {
        // It exists but we may not read it: keep fresh values in memory and never write over
        // a file whose contents we have not seen.
        unreadable = true;
        lastSaveFailed = true;
        ApplyDefaults();
        return LoadResult::Loaded;
    }
    std::vector<uint8_t> bytes(raw.begin(), raw.end());
    if (bytes.size() != static_cast<size_t>(kRecordSize)) {
        // An older (shorter) or foreign (longer) record is brought to today's length on disk:
        // zero-extended or cut.
        bytes.resize(kRecordSize, 0);
        if (!WriteFileAtomic(settingsPath, std::string(bytes.begin(), bytes.end())))
            lastSaveFailed = true;
    }
    Decode(bytes);
    ApplyDefaults();
    return LoadResult::Loaded;
}

int AppSettings::Save(bool toBackup)
{
    const std::vector<uint8_t> bytes = Encode();
    const std::string data(bytes.begin(), bytes.end());
    if (toBackup) {
        const std::string bak = settingsPath + ".bak";
        WriteFileAtomic(bak, data);
        RemoveFile(bak);
        return static_cast<int>(bytes.size());
    }
    lastSaveFailed = unreadable || !WriteFileAtomic(settingsPath, data);
    return 0;
}

bool IsSteamWebApiMaster(std::string_view text)
{
    const std::string_view word = AppSettings::kSteamDefaultMaster;
    if (text.size() != word.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(word[i])))
            return false;
    return true;
}

int AppSettings::TimeoutMs() const
{
    // Below a millisecond no timer would ever fire (a negative interval is refused), and a value
    // that does not fit an int has no int at all.
    const double seconds = timeout;
    if (!std::isfinite(seconds))
        return kDefaultTimeoutMs;
    const double ms = seconds * 1000.0;
    if (ms < kMinTimeoutMs)
        return kMinTimeoutMs;
    if (ms > kMaxTimeoutMs)
        return kMaxTimeoutMs;
    return static_cast<int>(ms);
}

std::string AppSettings::GetExePath(bool dedicatedServer) const
{
    if (dedicatedServer && dedicated)
        return gameFolder + kPathSeparator + kServerExeName;
    return gameFolder + kPathSeparator + exeName;
}

void AppSettings::SetGamePath(const std::string& path)
{
    PathParts parts = SplitPath(path);
    gameFolder = std::move(parts.folder);
    exeName = std::move(parts.name);
}

std::string AppSettings::GetLaunchSwitches() const
{
    std::string s = otherArguments;
    if (console)
        s += " -console";
    if (bpp32)
        s += " -32bpp";
    if (numericPing)
        s += " -numericping";
    return s;
}
