#include "query/protocol.h"

#include <gtest/gtest.h>

namespace {

std::string PingAfter(const std::string& sent, platform::ClockTime receive)
{
    ServerRecord record;
    record.ping = sent;
    ComputePing(record, receive);
    return record.ping;
}

} // namespace

TEST(ProtocolPingClock, StampIsMinuteSecondMillisecondUnpadded)
{
    ServerRecord record;
    StampSendTime(record, {13, 5, 7, 42});
    EXPECT_EQ(record.ping, "5-7-42");
    StampSendTime(record, {0, 0, 0, 0});
    EXPECT_EQ(record.ping, "0-0-0");
}

TEST(ProtocolPingClock, ElapsedMilliseconds)
{
    EXPECT_EQ(PingAfter("5-7-42", {13, 5, 7, 99}), "57");
    EXPECT_EQ(PingAfter("5-7-942", {13, 5, 8, 12}), "70");
    EXPECT_EQ(PingAfter("5-59-500", {13, 6, 1, 0}), "1500");
    EXPECT_EQ(PingAfter("5-7-42", {13, 5, 7, 42}), "0");
}

TEST(ProtocolPingClock, CountsForwardAcrossTheHour)
{
    EXPECT_EQ(PingAfter("59-59-900", {14, 0, 0, 100}), "200");
    EXPECT_EQ(PingAfter("59-0-0", {14, 1, 0, 0}), "120000");
}

TEST(ProtocolPingClock, StampThenComputeRoundTrips)
{
    ServerRecord record;
    StampSendTime(record, {23, 59, 58, 999});
    ComputePing(record, {0, 0, 1, 0});
    EXPECT_EQ(record.ping, "2001");
}

TEST(ProtocolPingClock, AnswerTextsAreKept)
{
    EXPECT_EQ(PingAfter("35", {1, 2, 3, 4}), "35");
    EXPECT_EQ(PingAfter("???", {1, 2, 3, 4}), "???");
    EXPECT_EQ(PingAfter("", {1, 2, 3, 4}), "");
}

TEST(ProtocolPingClock, MalformedSendTimesAreKept)
{
    for (const char* text : {"-5", "5-", "--", "1-2", "1-2-3-4", "a-b-c", "1-2-x", " 1-2-3", "1-+2-3", "60-0-0",
                             "0-60-0", "0-0-1000", "99999999999-0-0", "1--2"})
        EXPECT_EQ(PingAfter(text, {1, 2, 3, 4}), text);
}
