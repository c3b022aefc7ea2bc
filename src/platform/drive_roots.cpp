// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/platform.h"

namespace platform {

std::vector<std::string> DriveRootsOf(uint32_t driveMask, const DriveProbe& probe)
{
    std::vector<std::string> roots;
    for (int i = 0; i < 26; ++i) {
        if (!(driveMask & (1u << i)))
            continue;
        const std::string root = std::string(1, static_cast<char>('A' + i)) + ":\\";
        const DriveType type = probe.type(root);
        if (type == DriveType::NoRoot || type == DriveType::Unknown)
            continue;
        if (type == DriveType::Remote && !probe.connected(root))
            continue;
        if (probe.ready(root, type))
            roots.push_back(root);
    }
    return roots;
}

} // namespace platform
