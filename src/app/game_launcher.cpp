#include "app/game_launcher.h"

#include "app/input_box.h"
#include "app/launch_command.h"
#include "app/tool_app.h"
#include "browser/display_text.h"
#include "core/path.h"
#include "platform/platform.h"

namespace {

CHLThread* StartLauncher(std::string commandLine, CHLThread::Executable executable)
{
    auto* thread = new CHLThread(theApp().settings, std::move(commandLine), executable);
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
    return thread;
}

} // namespace

CHLThread::CHLThread(const AppSettings& settings, std::string commandLine, Executable executable)
    : settings_(settings), commandLine_(std::move(commandLine)), executable_(executable)
{
    setObjectName("CHLThread");
}

void CHLThread::run()
{
    const std::string program = executable_ == Executable::Client
                                    ? settings_.gameFolder + kPathSeparator + settings_.exeName
                                    : settings_.GetExePath(true);
    pid_ = platform::StartProgram(program, commandLine_, settings_.gameFolder);
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
        if (box.DoModal("Password", DisplayText(PasswordPrompt(record->name)), QString()) != CInputBox::IDOK)
            return nullptr;
        password = box.text.toStdString();
    }
    return StartLauncher(BuildJoinParameters(theApp().settings, address, password), CHLThread::Executable::Client);
}

CHLThread* LaunchWithParameters(const std::string& parameters)
{
    return StartLauncher(BuildServerParameters(theApp().settings, parameters), CHLThread::Executable::Server);
}
