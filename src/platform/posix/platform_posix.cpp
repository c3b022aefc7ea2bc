#include "platform/platform.h"

#include "core/command_line.h"
#include "core/path.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

namespace platform {

std::string CurrentDirectory()
{
    // No fixed buffer: a deep folder must not read as "no folder".
    char* cwd = ::getcwd(nullptr, 0);
    if (!cwd)
        return {};
    std::string folder = cwd;
    std::free(cwd);
    return folder;
}

static std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return {};
}

std::vector<std::string> DriveRoots()
{
    std::vector<std::string> roots;
    std::string home = HomeFolder();
    if (!home.empty() && home != "/")
        roots.push_back(home);
    roots.push_back("/");
    return roots;
}

std::vector<std::string> ScanSkipFolders()
{
    std::vector<std::string> skip = {"/proc", "/sys", "/dev", "/run"};
    std::string home = HomeFolder();
    if (!home.empty() && home != "/")
        skip.push_back(home);
    return skip;
}

int64_t StartProgram(const std::string& program, const std::string& parameters, const std::string& workFolder,
                     const std::vector<std::string>* arguments)
{
    QStringList args;
    for (const std::string& a : arguments ? *arguments : SplitWindowsCommandLine(parameters))
        args << QString::fromStdString(a);
    qint64 pid = 0;
    // startDetached double-forks after setsid(): the game runs in a process group of its own
    // and is never left as a zombie of ours.
    if (!QProcess::startDetached(QString::fromStdString(program), args, QString::fromStdString(workFolder), &pid))
        return 0;
    return pid;
}

int NiceValueForPriority(int priority)
{
    switch (priority) {
    case -2: return 19;  // idle
    case -1: return 10;  // below normal
    case 1: return -5;   // above normal
    case 2: return -10;  // high
    case 3: return -15;  // "real time": as high as a desktop should ever go, short of starving it
    default: return 0;   // normal
    }
}

bool SetProcessPriority(int64_t pid, int priority)
{
    if (pid <= 0)
        return false;
    // The started program has a process group of its own (not ours): setting the group's
    // priority reaches the game's own children too.
    const pid_t group = ::getpgid(static_cast<pid_t>(pid));
    if (group > 0 && group != ::getpgrp())
        return ::setpriority(PRIO_PGRP, static_cast<id_t>(group), NiceValueForPriority(priority)) == 0;
    return ::setpriority(PRIO_PROCESS, static_cast<id_t>(pid), NiceValueForPriority(priority)) == 0;
}

int64_t WaitForGameWindow(int64_t startedPid, int)
{
    return startedPid;
}

void RaiseOpenFileLimit()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    const rlim_t wanted = limit.rlim_max == RLIM_INFINITY ? 16384 : std::min<rlim_t>(limit.rlim_max, 16384);
    if (limit.rlim_cur < wanted) {
        limit.rlim_cur = wanted;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

void OpenUrl(const std::string& url)
{
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

ClockTime UtcNow()
{
    timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    tm t {};
    ::gmtime_r(&ts.tv_sec, &t);
    return ClockTime {t.tm_hour, t.tm_min, t.tm_sec, static_cast<int>(ts.tv_nsec / 1000000)};
}

} // namespace platform
