// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "launch/model/launch_command.h"
#include "settings/app_settings.h"

#include <QThread>
#include <optional>
#include <string>

// Starts the game client or server and then sets its priority, off the window thread so that
// waiting for the game never freezes the window. Deletes itself when done.
class CHLThread : public QThread {
    Q_OBJECT
public:
    enum class Executable { Client, Server };

    // The settings are copied now, on the window thread: the thread never reads the live record.
    CHLThread(const AppSettings& settings, LaunchCommand command, Executable executable);

    ~CHLThread() override;

    const LaunchCommand& command() const { return command_; }
    // The process started (0 when it could not be), valid once the thread has finished.
    qint64 startedPid() const;

    // How long the priority step waits for the game's window before it gives up.
    static constexpr int kWindowWaitMs = 60000;

protected:
    void run() override;

private:
    AppSettings settings_;
    LaunchCommand command_;
    Executable executable_;
    qint64 pid_ = 0;
};

// Joins a server with the game client, with the password the caller asked for (none: the server
// wants none). Returns the started launcher.
CHLThread* JoinServer(const AppSettings& settings, const std::string& address,
                      const std::optional<std::string>& password);
// Starts the dedicated server or the client (as the "dedicated" setting says) with the server's
// own arguments from the create-server page after the game's.
CHLThread* LaunchWithParameters(const AppSettings& settings, const LaunchCommand& server);
