// SPDX-License-Identifier: GPL-3.0-or-later
#include "launch/game_launcher.h"

#include "core/path.h"
#include "core/thread_handoff.h"
#include "platform/platform.h"

namespace {

CHLThread* StartLauncher(const AppSettings& settings, LaunchCommand command, CHLThread::Executable executable)
{
    auto* thread = new CHLThread(settings, std::move(command), executable);
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
    return thread;
}

} // namespace

CHLThread::CHLThread(const AppSettings& settings, LaunchCommand command, Executable executable)
    : settings_(settings), command_(std::move(command)), executable_(executable)
{
    setObjectName("CHLThread");
}

CHLThread::~CHLThread()
{
    // Reached through finished(): the run is over.
    MarkHandOffReceived(this);
}

qint64 CHLThread::startedPid() const
{
    MarkHandOffReceived(this);
    return pid_;
}

void CHLThread::run()
{
    const HandOffAtExit handOff(this);
    const std::string program = executable_ == Executable::Client
                                    ? settings_.gameFolder + kPathSeparator + settings_.exeName
                                    : settings_.GetExePath(true);
    // Windows hands the game the text; elsewhere the program gets the list as it is.
    pid_ = platform::StartProgram(program, command_.parameters, settings_.gameFolder, &command_.arguments);
    if (settings_.priority == 0 || pid_ <= 0)
        return;
    // A dedicated server opens no game window; anything else gets a bounded wait for it.
    const bool dedicatedServer = executable_ == Executable::Server && settings_.dedicated;
    const int64_t target = dedicatedServer ? pid_ : platform::WaitForGameWindow(pid_, kWindowWaitMs);
    if (target > 0)
        platform::SetProcessPriority(target, settings_.priority);
}

CHLThread* JoinServer(const AppSettings& settings, const std::string& address,
                      const std::optional<std::string>& password)
{
    return StartLauncher(settings, JoinCommand(settings, address, password), CHLThread::Executable::Client);
}

CHLThread* LaunchWithParameters(const AppSettings& settings, const LaunchCommand& server)
{
    return StartLauncher(settings, GameCommand(settings, server), CHLThread::Executable::Server);
}
