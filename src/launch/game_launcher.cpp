#include "launch/game_launcher.h"

#include "core/path.h"
#include "core/thread_handoff.h"
#include "launch/model/launch_command.h"
#include "platform/platform.h"
#include "settings/server_store.h"
#include "ui/display_text.h"
#include "ui/input_box.h"

namespace {

CHLThread* StartLauncher(const AppSettings& settings, std::string commandLine, CHLThread::Executable executable,
                         std::optional<std::vector<std::string>> arguments = std::nullopt)
{
    auto* thread = new CHLThread(settings, std::move(commandLine), executable, std::move(arguments));
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
    return thread;
}

} // namespace

CHLThread::CHLThread(const AppSettings& settings, std::string commandLine, Executable executable,
                     std::optional<std::vector<std::string>> arguments)
    : settings_(settings), commandLine_(std::move(commandLine)), arguments_(std::move(arguments)),
      executable_(executable)
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
    pid_ = platform::StartProgram(program, commandLine_, settings_.gameFolder, arguments_ ? &*arguments_ : nullptr);
    if (settings_.priority == 0 || pid_ <= 0)
        return;
    // A dedicated server opens no game window; anything else gets a bounded wait for it.
    const bool dedicatedServer = executable_ == Executable::Server && settings_.dedicated;
    const int64_t target = dedicatedServer ? pid_ : platform::WaitForGameWindow(pid_, kWindowWaitMs);
    if (target > 0)
        platform::SetProcessPriority(target, settings_.priority);
}

CHLThread* JoinServer(const AppSettings& settings, ServerStore& store, const std::string& address, QWidget* owner)
{
    const ServerRecord* record = store.FindOrCreateRecord(address);
    std::optional<std::string> password;
    if (IsPasswordProtected(*record)) {
        CInputBox box(owner);
        if (box.DoModal("Password", DisplayText(PasswordPrompt(record->name)), QString()) != CInputBox::IDOK)
            return nullptr;
        password = box.text.toStdString();
    }
    // The password travels as an argument of its own: no splitting can cut it at a quote.
    return StartLauncher(settings, BuildJoinParameters(settings, address, password), CHLThread::Executable::Client,
                         BuildJoinArguments(settings, address, password));
}

CHLThread* LaunchWithParameters(const AppSettings& settings, const std::string& parameters,
                                const std::vector<std::string>& arguments)
{
    return StartLauncher(settings, BuildServerParameters(settings, parameters), CHLThread::Executable::Server,
                         BuildServerLaunchArguments(settings, arguments));
}
