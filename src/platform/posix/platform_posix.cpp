// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/platform.h"

#include "core/command_line.h"
#include "core/path.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <pwd.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <sys/wait.h>
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

namespace {

// Writes all of n bytes, across interruptions; for the few lines between fork and exec.
void WriteAll(int fd, const void* data, size_t n)
{
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return;
        p += w;
        n -= static_cast<size_t>(w);
    }
}

// Reads up to n bytes until the writer closes; the count read.
size_t ReadAll(int fd, void* data, size_t n)
{
    char* p = static_cast<char*>(data);
    size_t got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd, p + got, n - got);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        got += static_cast<size_t>(r);
    }
    return got;
}

// Starts program detached: a child starts a session of its own and forks the program, then
// ends at once, so the game is never our zombie and has a process group of its own. The
// program's pid comes back through one pipe; through another, closed by a successful exec,
// the reason it could not start.
int64_t StartDetached(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& workFolder)
{
    // Everything the children need is made before the fork: between fork and exec only the
    // plainest system calls are safe in a program with threads.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const char* folder = workFolder.empty() ? nullptr : workFolder.c_str();

    int pidPipe[2];
    int errorPipe[2];
    if (::pipe2(pidPipe, O_CLOEXEC) != 0)
        return 0;
    if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
        ::close(pidPipe[0]);
        ::close(pidPipe[1]);
        return 0;
    }

    const pid_t child = ::fork();
    if (child == 0) {
        ::setsid();
        const pid_t game = ::fork();
        if (game == 0) {
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::signal(SIGPIPE, SIG_DFL);
            int error = 0;
            if (folder && ::chdir(folder) != 0)
                error = errno;
            else {
                ::execv(program.c_str(), argv.data());
                error = errno;
            }
            WriteAll(errorPipe[1], &error, sizeof error);
            ::_exit(127);
        }
        const int64_t pid = game > 0 ? game : 0;
        WriteAll(pidPipe[1], &pid, sizeof pid);
        ::_exit(0);
    }

    ::close(pidPipe[1]);
    ::close(errorPipe[1]);
    int64_t pid = 0;
    if (child > 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        if (ReadAll(pidPipe[0], &pid, sizeof pid) != sizeof pid)
            pid = 0;
        int error = 0;
        if (pid > 0 && ReadAll(errorPipe[0], &error, sizeof error) == sizeof error)
            pid = 0; // the exec failed: nothing runs
    }
    ::close(pidPipe[0]);
    ::close(errorPipe[0]);
    return pid;
}

} // namespace

int64_t StartProgram(const std::string& program, const std::string& parameters, const std::string& workFolder,
                     const std::vector<std::string>* arguments)
{
    return StartDetached(program, arguments ? *arguments : SplitWindowsCommandLine(parameters), workFolder);
}

int NiceValueForPriority(int priority)
{
    switch (priority) {
    case -2:
        return 19; // idle
    case -1:
        return 10; // below normal
    case 1:
        return -5; // above normal
    case 2:
        return -10; // high
    case 3:
        return -15; // "real time": as high as a desktop should ever go, short of starving it
    default:
        return 0; // normal
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

bool LowerCurrentThreadPriority()
{
#ifdef __linux__
    // A thread id reaches that one thread: Linux keeps the nice value per thread.
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, thread);
    if (nice == -1 && errno != 0)
        return false;
    return ::setpriority(PRIO_PROCESS, thread, std::min(nice + 10, 19)) == 0;
#else
    // No per-thread nice value here (it would lower the whole process).
    return false;
#endif
}

int64_t WaitForGameWindow(int64_t startedPid, int)
{
    return startedPid;
}

std::map<int64_t, ProcessInfo> RunningProcesses()
{
    return {};
}

void RaiseOpenFileLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    const rlim_t wanted = limit.rlim_max == RLIM_INFINITY ? 16384 : std::min<rlim_t>(limit.rlim_max, 16384);
    if (limit.rlim_cur < wanted) {
        limit.rlim_cur = wanted;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

void ReturnFreedMemory()
{
#if defined(__GLIBC__)
    ::malloc_trim(0);
#endif
}

void OpenUrl(const std::string& url)
{
    // What desktops open a web address with; a missing helper simply opens nothing.
    const std::vector<std::string> arguments = {url};
    for (const char* opener : {"/usr/bin/xdg-open", "/usr/local/bin/xdg-open", "/usr/bin/open"})
        if (::access(opener, X_OK) == 0) {
            StartDetached(opener, arguments, std::string());
            return;
        }
}

ClockTime UtcNow()
{
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    tm t{};
    ::gmtime_r(&ts.tv_sec, &t);
    return ClockTime{t.tm_hour, t.tm_min, t.tm_sec, static_cast<int>(ts.tv_nsec / 1000000)};
}

} // namespace platform
