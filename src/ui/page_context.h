// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "gamefiles/model/cvar_file.h"

#include <QString>
#include <functional>
#include <string>
#include <vector>

struct AppSettings;
class AudioLibrary;
class ServerStore;
class CQueryEngine;
class CSettingsLoader;

// What a page works with, handed to it by the application when the main window is built: the
// settings record, the stores, the engine that talks to servers (the browser's refresh and
// details, the player search and its details alike), the loader of the game's files, and a way
// to tell the user something. A page reaches nothing else and builds no engine of its own, so a
// test can build one alone over a store in a temporary folder.
struct PageContext {
    AppSettings& settings;
    ServerStore& store;
    CQueryEngine& engine;
    // Fills the pages from the game's files; pages give it their steps.
    CSettingsLoader& loader;
    // One clear message for the user: a box over the main window, or a line on the console
    // where no one is there to answer a box.
    std::function<void(const QString& title, const QString& text)> message;
    // Asks for the password and opens a remote console on the server; the consoles stay open
    // until they are closed or the program ends. Unset: no console opens.
    std::function<void(const std::string& address)> openRconConsole;
    // Plays and measures MP3 files; lives until the program's very end. Unset: a page that
    // needs one keeps its own.
    AudioLibrary* audio = nullptr;
    // Told of every save of a file a page writes, with whether it reached the disk, so that the
    // user hears once of a file that cannot be saved. Unset: nobody is told.
    std::function<void(const std::string& path, bool saved)> fileSaved{};
    // Told of the players of every server a page heard from, so that friends among them are
    // noticed. Unset: nobody listens.
    std::function<void(const std::string& address, const std::vector<std::string>& names)> playersHeard{};
    // Writes the program's own options file now (a choice the user would not want to lose to a
    // crash, such as a hidden server). Unset: the periodic save writes it.
    std::function<void()> saveOptions{};

    // The mod's option files of the game location now set, their writes told as above.
    CvarFiles GameFiles() const;
    void Saved(const std::string& path, bool saved) const
    {
        if (fileSaved)
            fileSaved(path, saved);
    }
};
