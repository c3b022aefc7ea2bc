// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/address.h"

#include <gtest/gtest.h>

TEST(ProtocolAddress, ValidAddressesAndTheirPort)
{
    EXPECT_TRUE(IsValidAddress("1.2.3.4"));
    EXPECT_EQ(GetPort("1.2.3.4"), 27015);
    EXPECT_EQ(GetHost("1.2.3.4"), "1.2.3.4");
    EXPECT_TRUE(IsValidAddress("0.0.0.1:1"));
    EXPECT_TRUE(IsValidAddress("255.255.255.255:65535"));
    EXPECT_EQ(GetPort("1.2.3.4:27016"), 27016);
    EXPECT_EQ(GetHost("1.2.3.4:27016"), "1.2.3.4");
}

TEST(ProtocolAddress, InvalidAddresses)
{
    EXPECT_FALSE(IsValidAddress("1.2.3.0:27015"));
    EXPECT_FALSE(IsValidAddress("1.2.3.4:0"));
    EXPECT_FALSE(IsValidAddress("1.2.3.4:65536"));
    EXPECT_FALSE(IsValidAddress("256.1.1.1"));
    EXPECT_FALSE(IsValidAddress("1.256.1.1"));
    EXPECT_FALSE(IsValidAddress("1.2.3.256"));
    EXPECT_FALSE(IsValidAddress("1.2.3"));
    EXPECT_FALSE(IsValidAddress("1.2.3.4.5"));
    EXPECT_FALSE(IsValidAddress("1..3.4"));
    EXPECT_FALSE(IsValidAddress(""));
    EXPECT_FALSE(IsValidAddress("1.2.3.4:"));
}

TEST(ProtocolAddress, PiecesAreReadAsTheirLeadingDigits)
{
    // A piece without digits reads 0: allowed in the first three places, not as the last octet or port.
    EXPECT_TRUE(IsValidAddress("x.2.3.4"));
    EXPECT_TRUE(IsValidAddress("1x.2.3.4"));
    EXPECT_FALSE(IsValidAddress("1.2.3.x"));
    EXPECT_FALSE(IsValidAddress("1.2.3.4:x"));
    EXPECT_EQ(GetPort("1.2.3.4:x"), 0);
    EXPECT_EQ(GetPort("1.2.3.4:27016abc"), 27016);
    EXPECT_EQ(GetPort(""), 27015);
}

TEST(ProtocolAddress, NormalizeFillsInTheDefaultPortAndKeepsOnlyTheNumbersRead)
{
    EXPECT_EQ(NormalizeAddress("1.2.3.4"), "1.2.3.4:27015");
    EXPECT_EQ(NormalizeAddress("1.2.3.4:27016"), "1.2.3.4:27016");
    EXPECT_EQ(NormalizeAddress("1.2.3.4:027016"), "1.2.3.4:27016");
    EXPECT_EQ(NormalizeAddress("1.2.3.4:x"), "1.2.3.4:0");
    // What passed the check is stored as the address the check read: a letter O typed for a
    // zero, a leading zero or a sign never reach a record.
    EXPECT_TRUE(IsValidAddress("192.168.1.1O"));
    EXPECT_EQ(NormalizeAddress("192.168.1.1O"), "192.168.1.1:27015");
    EXPECT_EQ(NormalizeAddress("010.+2.3x.4 :27016 "), "10.2.3.4:27016");
    EXPECT_EQ(NormalizeAddress("x.2.3.4"), "0.2.3.4:27015");
}

TEST(ProtocolAddress, FormatOfFourBytesAndPort)
{
    const unsigned char octets[4] = {192, 168, 0, 255};
    EXPECT_EQ(FormatAddress(octets, 27015), "192.168.0.255:27015");
}

TEST(ProtocolAddress, OnlyLinkLocalAddressesAreRelayed)
{
    const struct {
        const char* address;
        bool relayed;
    } cases[] = {
        {"169.254.0.1:27015", true},
        {"169.254.255.254", true},
        {"169.253.1.1:27015", false},
        {"169.255.1.1:27015", false},
        {"1.169.254.1:27015", false},
        {"127.0.0.1:27015", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsRelayedAddress(c.address), c.relayed) << c.address;
}
