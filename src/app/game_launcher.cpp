#include "app/game_launcher.h"

#include "app/input_box.h"
#include "app/launch_command.h"
#include "app/tool_app.h"
#include "core/path.h"
#include "platform/platform.h"

namespace {

CHLThread* StartLauncher(std::string commandLine, CHLThread::Executable executable,
                         std::optional<std::vector<std::string>> arguments = std::nullopt)
{
    auto* thread = new CHLThread(theApp().settings, std::move(commandLine), executable, std::move(arguments));
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

void CHLThread::run()
{
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

CHLThread* JoinServer(const std::string& address)
{
    const ServerRecord* record = theApp().FindOrCreateRecord(address);
    std::optional<std::string> password;
    if (IsPasswordProtected(*record)) {
        CInputBox box;
        if (box.DoModal("Password", QString::fromStdString(PasswordPrompt(record->name)), QString()) != CInputBox::IDOK)
            return nullptr;
        password = box.text.toStdString();
    }
    const AppSettings& settings = theApp().settings;
    // The password travels as an argument of its own: no splitting can cut it at a quote.
    return StartLauncher(BuildJoinParameters(settings, address, password), CHLThread::Executable::Client,
                         BuildJoinArguments(settings, address, password));
}

CHLThread* LaunchWithParameters(const std::string& parameters)
{
    return StartLauncher(BuildServerParameters(theApp().settings, parameters), CHLThread::Executable::Server);
}
