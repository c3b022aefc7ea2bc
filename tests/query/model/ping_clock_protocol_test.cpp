// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/model/protocol.h"

#include <gtest/gtest.h>

namespace {

std::string RecordPingAfter(const std::string& sent, platform::ClockTime receive)
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
    EXPECT_EQ(RecordPingAfter("5-7-42", {13, 5, 7, 99}), "57");
    EXPECT_EQ(RecordPingAfter("5-7-942", {13, 5, 8, 12}), "70");
    EXPECT_EQ(RecordPingAfter("5-59-500", {13, 6, 1, 0}), "1500");
    EXPECT_EQ(RecordPingAfter("5-7-42", {13, 5, 7, 42}), "0");
}

TEST(ProtocolPingClock, CountsForwardAcrossTheHour)
{
    EXPECT_EQ(RecordPingAfter("59-59-900", {14, 0, 0, 100}), "200");
    EXPECT_EQ(RecordPingAfter("59-0-0", {14, 1, 0, 0}), "120000");
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
    EXPECT_EQ(RecordPingAfter("35", {1, 2, 3, 4}), "35");
    EXPECT_EQ(RecordPingAfter("???", {1, 2, 3, 4}), "???");
    EXPECT_EQ(RecordPingAfter("", {1, 2, 3, 4}), "");
}

TEST(ProtocolPingClock, MalformedSendTimesAreKept)
{
    for (const char* text : {"-5", "5-", "--", "1-2", "1-2-3-4", "a-b-c", "1-2-x", " 1-2-3", "1-+2-3", "60-0-0",
                             "0-60-0", "0-0-1000", "99999999999-0-0", "1--2"})
        EXPECT_EQ(RecordPingAfter(text, {1, 2, 3, 4}), text);
}

TEST(ProtocolPingClock, TextsWithoutARecordGiveTheSame)
{
    // The search page's stopwatch keeps a send time of its own, not a record.
    EXPECT_EQ(SendTimeText({13, 5, 7, 42}), "5-7-42");
    for (const char* sent : {"5-7-42", "59-59-999", "7", "", "-5", "1-2"})
        EXPECT_EQ(PingAfter(sent, {14, 0, 0, 12}), RecordPingAfter(sent, {14, 0, 0, 12})) << sent;
}
