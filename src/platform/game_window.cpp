// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/platform.h"

#include <cctype>
#include <initializer_list>

namespace platform {
namespace {

bool SameClass(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && !b[i];
}

// pid is startedPid, or its chain of parents reaches startedPid through processes made no
// earlier than the started one. Parent ids are not unique over time: a chain may loop, so it is
// followed at most as many steps as there are processes.
bool FromLaunch(int64_t pid, const std::map<int64_t, ProcessInfo>& processes, int64_t startedPid)
{
    const auto started = processes.find(startedPid);
    const uint64_t startedAt = started == processes.end() ? 0 : started->second.created;
    for (std::size_t steps = 0; steps <= processes.size(); ++steps) {
        if (pid == startedPid)
            return true;
        const auto it = processes.find(pid);
        if (it == processes.end() || (startedAt && it->second.created && it->second.created < startedAt))
            return false;
        pid = it->second.parent;
    }
    return false;
}

} // namespace

int64_t GameWindowOwner(const std::vector<TopLevelWindow>& windows, const std::map<int64_t, ProcessInfo>& processes,
                        int64_t startedPid)
{
    if (startedPid <= 0)
        return 0;
    for (const char* windowClass : {"Half-Life", "Valve001"})
        for (const TopLevelWindow& window : windows)
            if (window.pid > 0 && SameClass(window.windowClass, windowClass) &&
                FromLaunch(window.pid, processes, startedPid))
                return window.pid;
    return 0;
}

} // namespace platform
