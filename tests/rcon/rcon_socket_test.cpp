// SPDX-License-Identifier: GPL-3.0-or-later
#include "rcon/rcon_peer.h"
#include "rcon/rcon_socket.h"
#include "sim_farm.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Everything the socket emitted as output, in order.
class Lines {
public:
    explicit Lines(CRconSocket& socket)
    {
        QObject::connect(&socket, &CRconSocket::outputLines, &socket,
                         [this](const std::string& text) { texts.push_back(text); });
    }
    bool WaitFor(size_t count)
    {
        return QTest::qWaitFor([&] { return texts.size() >= count; }, kRconWaitMs);
    }
    std::vector<std::string> texts;
};

sim::GameServerConfig SimServer(const std::string& password, uint64_t challenge = 3000000000ULL)
{
    sim::GameServerConfig c;
    c.rconPassword = password;
    c.rconChallenge = challenge;
    return c;
}

} // namespace

// ---- Against the simulated servers ----

class RconSocketSim : public ::testing::Test {
protected:
    void StartFarm(const sim::GameServerConfig& config)
    {
        server = &farm.AddGameServer(config);
        std::string error;
        ASSERT_TRUE(farm.StartInOwnThread(&error)) << error;
    }
    void OpenAndAccept()
    {
        ASSERT_TRUE(socket.Open(server->Address()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return socket.connected(); }, kRconWaitMs));
    }

    sim::SimFarm farm;
    sim::SimGameServer* server = nullptr;
    CRconSocket socket;
};

TEST_F(RconSocketSim, ChallengeAboveTheSignedRangeIsSentBackUnsigned)
{
    StartFarm(SimServer("secret"));
    QSignalSpy accepted(&socket, &CRconSocket::challengeAccepted);
    Lines lines(socket);
    OpenAndAccept();
    EXPECT_EQ(socket.challenge(), 3000000000u);
    EXPECT_EQ(accepted.count(), 1);

    ASSERT_TRUE(socket.SendCommand("secret", "echo hello there"));
    ASSERT_TRUE(lines.WaitFor(2));
    EXPECT_EQ(lines.texts, (std::vector<std::string>{"-> echo hello there", "hello there"}));

    const sim::ServerRecord record = server->Record();
    ASSERT_EQ(record.requests.size(), 2u);
    EXPECT_EQ(record.requests[0].request, "challenge rcon\\x0A");
    EXPECT_EQ(record.requests[1].request, "rcon 3000000000 \"secret\" echo hello there");
    EXPECT_EQ(record.requestCounts.at("challenge"), 1); // asked once, never again
}

TEST_F(RconSocketSim, AWrongPasswordIsAnsweredAsOrdinaryOutput)
{
    StartFarm(SimServer("secret"));
    Lines lines(socket);
    OpenAndAccept();
    socket.SendCommand("guess", "status");
    ASSERT_TRUE(lines.WaitFor(2));
    EXPECT_EQ(lines.texts[1], "Bad rcon_password.");
    EXPECT_TRUE(socket.connected());
}

TEST_F(RconSocketSim, OutputInSeveralDatagramsArrivesWhole)
{
    const sim::GameServerConfig config = SimServer("secret");
    StartFarm(config);
    Lines lines(socket);
    OpenAndAccept();
    socket.SendCommand("secret", "cvarlist");

    // The listing comes in parts of 1,400 bytes, each cut wherever the limit fell.
    std::string expected = sim::CvarlistText(config);
    const size_t parts = (expected.size() + sim::kRconPartBytes - 1) / sim::kRconPartBytes;
    ASSERT_GE(parts, 3u);
    ASSERT_TRUE(lines.WaitFor(1 + parts));
    EXPECT_EQ(lines.texts.size(), 1 + parts);

    // Nothing of the text may be lost at the ends of the parts: only line breaks may differ.
    std::string shown;
    for (size_t i = 1; i < lines.texts.size(); ++i)
        shown += lines.texts[i];
    std::erase(shown, '\r');
    std::erase(shown, '\n');
    std::erase(expected, '\n');
    EXPECT_EQ(shown, expected);
}

// ---- Against a peer of the test's own ----

TEST(RconSocket, WaitsForAChallengeReplyAndIgnoresEverythingElse)
{
    RconPeer peer;
    CRconSocket socket;
    QSignalSpy accepted(&socket, &CRconSocket::challengeAccepted);
    Lines lines(socket);
    ASSERT_TRUE(socket.Open(peer.Address()));
    EXPECT_EQ(peer.Next(), RconBytes(BuildRconChallengeRequest()));

    // Output, junk and look-alikes before the challenge show nothing.
    peer.Send(RconOutputReply("too early\n"));
    peer.Send(RconBytes("\xFF\xFF\xFF\xFF"
                        "Challenge rcon 5\n"));
    peer.Send("xy");
    // A challenge reading as 0 is acknowledged, but commands still cannot go.
    peer.Send(RconChallengeReply("0"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return accepted.count() == 1; }, kRconWaitMs));
    EXPECT_FALSE(socket.connected());
    EXPECT_FALSE(socket.SendCommand("pw", "status"));

    peer.Send(RconChallengeReply("4294967295"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return socket.connected(); }, kRconWaitMs));
    EXPECT_EQ(socket.challenge(), 4294967295u);
    EXPECT_EQ(accepted.count(), 2);
    EXPECT_TRUE(lines.texts.empty());

    // The refused command never went out: the next datagram is the one sent now.
    ASSERT_TRUE(socket.SendCommand("pw", "users"));
    EXPECT_EQ(peer.Next(), RconBytes(BuildRconCommand(4294967295u, "pw", "users")));

    // Once connected, a second challenge reply is output like any other datagram.
    peer.Send(RconChallengeReply("77"));
    ASSERT_TRUE(lines.WaitFor(2));
    EXPECT_EQ(lines.texts[1], "hallenge rcon 77");
    EXPECT_EQ(socket.challenge(), 4294967295u);
}

TEST(RconSocket, ReadsEveryDatagramOfABurstInOrder)
{
    RconPeer peer;
    CRconSocket socket;
    Lines lines(socket);
    ASSERT_TRUE(socket.Open(peer.Address()));
    ASSERT_FALSE(peer.Next().isEmpty());
    peer.Send(RconChallengeReply("9"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return socket.connected(); }, kRconWaitMs));

    // More than one wake's share, all queued before the socket reads any.
    constexpr int kCount = CRconSocket::kDatagramsPerWake + 36;
    peer.Send("\xFF\xFF"); // too short to hold output
    for (int i = 0; i < kCount; ++i)
        peer.Send(RconOutputReply("line " + std::to_string(i) + "\n"));
    ASSERT_TRUE(lines.WaitFor(kCount));
    ASSERT_EQ(lines.texts.size(), static_cast<size_t>(kCount));
    for (int i = 0; i < kCount; ++i)
        EXPECT_EQ(lines.texts[static_cast<size_t>(i)], "line " + std::to_string(i));
}

TEST(RconSocket, ReadsAtMostTheConsolesBufferOfADatagram)
{
    RconPeer peer;
    CRconSocket socket;
    Lines lines(socket);
    ASSERT_TRUE(socket.Open(peer.Address()));
    ASSERT_FALSE(peer.Next().isEmpty());
    peer.Send(RconChallengeReply("9"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return socket.connected(); }, kRconWaitMs));

    peer.Send(RconOutputReply(std::string(3000, 'x')));
    ASSERT_TRUE(lines.WaitFor(1));
    EXPECT_EQ(lines.texts[0], std::string(kRconReceiveLimit - 5, 'x'));
}

TEST(RconSocket, WithoutAChallengeItStaysWithoutOne)
{
    RconPeer peer;
    CRconSocket socket;
    socket.SetTimeoutMs(100);
    QSignalSpy skipped(&socket, &CRconSocket::challengeSkipped);
    Lines lines(socket);
    ASSERT_TRUE(socket.Open(peer.Address()));
    EXPECT_EQ(peer.Next(), RconBytes(BuildRconChallengeRequest()));
    EXPECT_EQ(peer.Next(), RconBytes(BuildRconChallengeRequest()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return socket.connected(); }, kRconWaitMs));
    EXPECT_EQ(skipped.count(), 1);

    // A challenge too late to count: neither taken nor shown.
    peer.Send(RconChallengeReply("5"));
    QTest::qWait(150);
    ASSERT_TRUE(socket.SendCommand("pw", "status"));
    EXPECT_EQ(peer.Next(), RconBytes(BuildRconCommandWithoutChallenge("pw", "status")));
    peer.Send(RconBytes("\xFF\xFF\xFF\xFFprint\nok\n"));
    ASSERT_TRUE(lines.WaitFor(2));
    EXPECT_EQ(lines.texts, (std::vector<std::string>{"-> status", "ok"}));
    EXPECT_EQ(socket.challenge(), 0u);
}
