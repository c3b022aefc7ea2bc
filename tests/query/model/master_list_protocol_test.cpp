// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/model/protocol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

template <std::size_t N> Datagram Raw(const char (&text)[N])
{
    return Datagram(text, text + N - 1);
}

using Addresses = std::vector<std::string>;

Addresses Won(const Datagram& d)
{
    return DecodeMasterList(MasterFlavour::Won, d.data(), d.size());
}
Addresses Steam(const Datagram& d)
{
    return DecodeMasterList(MasterFlavour::Steam, d.data(), d.size());
}

// A reply of `len` bytes after `header`, every entry 10.x.y.z:27015 with a non-zero first byte.
Datagram FullReply(const Datagram& header, std::size_t len)
{
    Datagram d = header;
    for (int i = 0; d.size() < len; ++i) {
        const unsigned char entry[6] = {10,  static_cast<unsigned char>(i >> 8), static_cast<unsigned char>(i), 1, 0x69,
                                        0x87};
        d.insert(d.end(), entry, entry + 6);
    }
    d.resize(len);
    return d;
}

} // namespace

TEST(ProtocolMasterRequest, WonBytes)
{
    const Datagram request = BuildMasterRequest(MasterFlavour::Won, "znk");
    EXPECT_EQ(request, Raw("1\0\0\0\0\\gamedir\\znk\0"));
    EXPECT_EQ(request.size(), 15u + 3u);
    EXPECT_EQ(BuildMasterRequest(MasterFlavour::Won, "").size(), 15u);
}

TEST(ProtocolMasterRequest, SteamBytes)
{
    const Datagram request = BuildMasterRequest(MasterFlavour::Steam, "znk");
    EXPECT_EQ(request, Raw("1\xFF"
                           "0.0.0.0:0\0"
                           "\\gamedir\\znk\0"));
    EXPECT_EQ(request.size(), 22u + 3u);
    EXPECT_EQ(BuildMasterRequest(MasterFlavour::Steam, "valve").size(), 27u);
}

TEST(ProtocolMasterList, SteamReplyUpToClosingZeroEntry)
{
    const Datagram reply = Raw("\xFF\xFF\xFF\xFF\x66\x0A"
                               "\xC0\xA8\x01\x02\x69\x87"   // 192.168.1.2:27015
                               "\x0A\x00\x00\xFF\x00\x01"   // 10.0.0.255:1
                               "\x00\x00\x00\x00\x00\x00"   // end
                               "\x01\x02\x03\x04\x69\x87"); // not read
    EXPECT_EQ(Steam(reply), (Addresses{"192.168.1.2:27015", "10.0.0.255:1"}));
}

TEST(ProtocolMasterList, PortIsBigEndian)
{
    EXPECT_EQ(Steam(Raw("\xFF\xFF\xFF\xFF\x66\x0A"
                        "\x01\x02\x03\x04\x69\x87")),
              (Addresses{"1.2.3.4:27015"}));
    EXPECT_EQ(Steam(Raw("\xFF\xFF\xFF\xFF\x66\x0A"
                        "\x01\x02\x03\x04\xFF\xFF")),
              (Addresses{"1.2.3.4:65535"}));
    // Only the first byte decides the end; zero bytes elsewhere are part of the address.
    EXPECT_EQ(Steam(Raw("\xFF\xFF\xFF\xFF\x66\x0A"
                        "\x01\x00\x00\x00\x00\x00")),
              (Addresses{"1.0.0.0:0"}));
}

TEST(ProtocolMasterList, WonSkipsTenHeaderBytesSteamSix)
{
    // The same bytes read both ways: WON's header swallows the batch number.
    const Datagram reply = Raw("\xFF\xFF\xFF\xFF\x66\x0D"
                               "\x05\x06\x07\x08"
                               "\x09\x0A\x0B\x0C\x69\x87"
                               "\x0D\x0E\x0F\x10\x69\x88");
    EXPECT_EQ(Won(reply), (Addresses{"9.10.11.12:27015", "13.14.15.16:27016"}));
    EXPECT_EQ(Steam(reply), (Addresses{"5.6.7.8:2314", "11.12.105.135:3342"}));
}

TEST(ProtocolMasterList, FirstEntryStartingWithZeroGivesNothing)
{
    EXPECT_TRUE(Steam(Raw("\xFF\xFF\xFF\xFF\x66\x0A"
                          "\x00\x02\x03\x04\x69\x87"
                          "\x01\x02\x03\x04\x69\x87"))
                    .empty());
    EXPECT_TRUE(Won(Raw("\xFF\xFF\xFF\xFF\x66\x0D\x00\x00\x00\x00"
                        "\x00\x02\x03\x04\x69\x87"))
                    .empty());
}

TEST(ProtocolMasterList, PartialEntryAtTheEndIsDropped)
{
    EXPECT_EQ(Steam(Raw("\xFF\xFF\xFF\xFF\x66\x0A"
                        "\x01\x02\x03\x04\x69\x87"
                        "\x05\x06\x07\x08\x69")),
              (Addresses{"1.2.3.4:27015"}));
    EXPECT_TRUE(Steam(Raw("\xFF\xFF\xFF\xFF\x66\x0A"
                          "\x01\x02\x03\x04\x69"))
                    .empty());
    EXPECT_TRUE(Won(Raw("\xFF\xFF\xFF\xFF\x66\x0D\x00\x00\x00")).empty());
    EXPECT_TRUE(Won(Datagram{}).empty());
}

TEST(ProtocolMasterList, AtMost681EntriesFromA4096ByteReply)
{
    const Datagram won = FullReply(Raw("\xFF\xFF\xFF\xFF\x66\x0D\x00\x00\x00\x00"), 4096);
    const Addresses wonList = Won(won);
    ASSERT_EQ(wonList.size(), 681u);
    EXPECT_EQ(wonList.front(), "10.0.0.1:27015");
    EXPECT_EQ(wonList.back(), "10.2.168.1:27015"); // entry 680

    // Steam's shorter header leaves room for 681 entries and 4 bytes, which are not an entry.
    const Datagram steam = FullReply(Raw("\xFF\xFF\xFF\xFF\x66\x0A"), 4096);
    EXPECT_EQ(Steam(steam).size(), 681u);

    // A larger datagram still yields no more than 681.
    EXPECT_EQ(Steam(FullReply(Raw("\xFF\xFF\xFF\xFF\x66\x0A"), 6 + 6 * 700)).size(), 681u);
}
