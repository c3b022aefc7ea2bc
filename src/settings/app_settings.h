// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "settings/tool_options.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The one settings record of the program, stored as the fixed-layout file znktool.conf in the
// working folder. Every page reads and writes its fields directly.
struct AppSettings {
    // Size of znktool.conf in bytes; a file of another size is resized to this on load.
    static constexpr int kRecordSize = 1665;
    static constexpr const char* kFileName = "znktool.conf";
    // Stored for a Steam master when the user has not chosen one: a documentation-range
    // address (RFC 5737), so nothing real is ever asked by default.
    static constexpr const char* kDefaultMasterServer = "192.0.2.10";
    // What "Steam Default" fills in: Steam's list of Internet servers comes from its Web API, as
    // its UDP master servers no longer answer (IsSteamWebApiMaster). One word without a blank, so
    // the field keeps it as it is, and a reader sees what it means.
    static constexpr const char* kSteamDefaultMaster = "SteamWebAPI";
    // What "Steam Default" filled in before: a reserved .invalid host standing in for Steam's UDP
    // master. A record holding it is read as kSteamDefaultMaster.
    static constexpr const char* kOldSteamDefaultMaster = "hl1master.znk-tool.invalid:27011";
    // The WON-era host name offered for the WON flavour (reserved .invalid domain).
    static constexpr const char* kDefaultWonMaster = "master.znk-tool.invalid";

    // Not stored in znktool.conf.
    std::string workFolder;
    std::string settingsPath;
    std::string loadedText;
    // The program's own options, kept in their own file (ToolOptions::kFileName) beside this one.
    ToolOptions options;

    // Stored (in file order).
    std::string gameFolder;
    std::string exeName;
    std::string modFolder;
    std::string otherArguments;
    std::string masterServer;
    bool alwaysOnTop = false;
    bool console = false;
    bool dustTrails = false;
    bool rocks3d = false;
    bool bpp32 = false;
    bool numericPing = false;
    int32_t fxQuality = 0;
    int32_t beamQuality = 0;
    float timeout = 0.0f;
    int32_t priority = 0;
    int32_t serverSortColumn = 0;
    bool serverSortFlag = false;
    int32_t favoriteSortColumn = 0;
    bool favoriteSortFlag = false;
    bool wonMaster = false;
    std::string serverName;
    bool dedicated = false;
    bool lan = false;
    int32_t port = 0;
    int32_t maxPlayers = 0;
    bool skipTrackInfo = false;
    bool detectVbr = false;

    enum class LoadResult {
        Loaded,       // read from znktool.conf (resized and given defaults where needed)
        FirstRun,     // no file: the first-run handler chose a game, the file was written
        Abandoned,    // no file and the first-run handler gave up: nothing was written
        NoWorkFolder, // the current directory cannot be read: nothing was read or written
    };

    // Reads the working folder and znktool.conf. With no file, firstRun is asked to choose the
    // game (it returns true when a choice was made and the fields are set).
    LoadResult Load(const std::function<bool()>& firstRun);

    // Writes the record. toBackup writes settingsPath + ".bak" and deletes it again, returning
    // the record length; otherwise writes settingsPath and returns 0. lastSaveFailed tells
    // whether the last write reached the disk.
    int Save(bool toBackup);
    bool lastSaveFailed = false;
    // The file exists but could not be read: it is never written over.
    bool unreadable = false;

    // The query time-out in whole milliseconds, as every time-out timer uses it: the setting
    // (seconds, whatever the user typed) held to kMinTimeoutMs .. kMaxTimeoutMs, and
    // kDefaultTimeoutMs when it is no number at all.
    int TimeoutMs() const;
    static constexpr int kMinTimeoutMs = 1;
    static constexpr int kMaxTimeoutMs = 60000;
    static constexpr int kDefaultTimeoutMs = 1000;

    std::string GetExePath(bool dedicatedServer) const;
    void SetGamePath(const std::string& path);
    std::string GetLaunchSwitches() const;
    // Fields set by a first-run choice (finder Ok, Browse).
    void SetFirstRunDefaults();
    // A game chosen anew (the file dialog of BrowseForGame): the game path, and a mod folder
    // the new game has ("znk" unless the chosen mod is there too). The master server and the
    // time-out belong to the user, not to the game: they keep their values (the defaults only
    // where they are still unset, as on a first run).
    void AdoptGameLocation(const std::string& exePath);

    // File dialog for the game's client executable (defined with the use cases, in
    // services/browse_for_game.cpp). Returns true when a file was chosen; gameLocationChanged then
    // runs. With exitOnCancel a Cancel ends the program through exitNow.
    bool BrowseForGame(bool exitOnCancel);

    // Set by the application, not stored: what a new game location sets off once the main
    // window exists (the logo, the settings pages, the playlist), and how the program ends at
    // once. Unset, nothing follows and a Cancel that should end the program only returns.
    std::function<void()> gameLocationChanged;
    std::function<void(int)> exitNow;

    // The record as the bytes of znktool.conf, and back. Decode takes at most kRecordSize bytes
    // (missing bytes read as zero) and applies no defaults.
    std::vector<uint8_t> Encode() const;
    void Decode(const std::vector<uint8_t>& bytes);
    // Zero values that have a default receive it.
    void ApplyDefaults();
};

// The master-server text that means Steam's Web API (kSteamDefaultMaster, in any case): never a
// host to look up or to send a datagram to. Any other text names a UDP master.
bool IsSteamWebApiMaster(std::string_view text);

// Names of the game's programs in gameFolder: the client the finder looks for and the
// dedicated server that a dedicated game starts.
#ifdef _WIN32
inline constexpr const char* kClientExeName = "hl.exe";
inline constexpr const char* kServerExeName = "hlds.exe";
#else
inline constexpr const char* kClientExeName = "hl.sh";
inline constexpr const char* kServerExeName = "hlds_run";
#endif
