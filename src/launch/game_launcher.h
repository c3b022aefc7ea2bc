#pragma once
#include "settings/app_settings.h"

class ServerStore;
class QWidget;

#include <QThread>
#include <optional>
#include <string>
#include <vector>

// Starts the game client or server and then sets its priority, off the window thread so that
// waiting for the game never freezes the window. Deletes itself when done.
class CHLThread : public QThread {
    Q_OBJECT
public:
    enum class Executable { Client, Server };

    // The settings are copied now, on the window thread: the thread never reads the live record.
    // arguments, when given, is the command line as a list (see platform::StartProgram).
    CHLThread(const AppSettings& settings, std::string commandLine, Executable executable,
              std::optional<std::vector<std::string>> arguments = std::nullopt);

    ~CHLThread() override;

    const std::string& commandLine() const { return commandLine_; }
    // The process started (0 when it could not be), valid once the thread has finished.
    qint64 startedPid() const;

    // How long the priority step waits for the game's window before it gives up.
    static constexpr int kWindowWaitMs = 60000;

protected:
    void run() override;

private:
    AppSettings settings_;
    std::string commandLine_;
    std::optional<std::vector<std::string>> arguments_;
    Executable executable_;
    qint64 pid_ = 0;
};

// Joins a server with the game client, asking for the password first (a box over owner) when
// the server's record says it has one. Returns the started launcher (nullptr when the password
// box was cancelled).
CHLThread* JoinServer(const AppSettings& settings, ServerStore& store, const std::string& address, QWidget* owner);
// Starts the dedicated server or the client (as the "dedicated" setting says) with the server
// parameters of the create-server page: the text where the program splits it itself (Windows),
// the same as the list of arguments elsewhere.
CHLThread* LaunchWithParameters(const AppSettings& settings, const std::string& parameters,
                                const std::vector<std::string>& arguments);
