// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/address.h"
#include "query/model/protocol.h"

#include <algorithm>

namespace {

constexpr std::size_t kEntrySize = 6;

std::size_t ReplyHeaderSize(MasterFlavour flavour)
{
    return flavour == MasterFlavour::Won ? 10 : 6;
}

void AppendText(Datagram& bytes, std::string_view text)
{
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
}

} // namespace

Datagram BuildMasterRequest(MasterFlavour flavour, std::string_view gameDir, std::string_view seed)
{
    Datagram request{'1'};
    if (flavour == MasterFlavour::Won) {
        request.insert(request.end(), 4, 0);
    } else {
        request.push_back(0xFF);
        AppendText(request, seed);
    }
    std::string filter = "\\gamedir\\";
    filter += gameDir;
    AppendText(request, filter);
    return request;
}

bool IsMasterReply(const unsigned char* data, std::size_t len)
{
    return len >= 5 && data[0] == 0xFF && data[1] == 0xFF && data[2] == 0xFF && data[3] == 0xFF && data[4] == 0x66;
}

bool MasterPageEndsList(const unsigned char* data, std::size_t len)
{
    for (std::size_t pos = ReplyHeaderSize(MasterFlavour::Steam); len >= pos + kEntrySize; pos += kEntrySize) {
        if (std::all_of(data + pos, data + pos + kEntrySize, [](unsigned char b) { return b == 0; }))
            return true;
    }
    return false;
}

std::vector<std::string> DecodeMasterList(MasterFlavour flavour, const unsigned char* data, std::size_t len)
{
    std::vector<std::string> addresses;
    std::size_t pos = ReplyHeaderSize(flavour);
    if (len <= pos)
        return addresses;
    addresses.reserve(std::min<std::size_t>((len - pos) / kEntrySize, kMaxMasterEntries));
    while (addresses.size() < static_cast<std::size_t>(kMaxMasterEntries) && len - pos >= kEntrySize) {
        const unsigned char* entry = data + pos;
        if (entry[0] == 0)
            break;
        const int port = (entry[4] << 8) | entry[5];
        addresses.push_back(FormatAddress(entry, port));
        pos += kEntrySize;
    }
    return addresses;
}
