// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated servers, checked on the wire: every expected reply below is written out byte
// by byte from the protocol layouts, never produced by the simulator's own builders.
#include "sim_farm.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

using namespace sim;

namespace {

// Generous: a loaded CI machine may be slow, but a reply that never comes fails anyway.
constexpr int kReplyWaitMs = 5000;
// How long "no answer" is watched for.
constexpr int kSilenceMs = 300;

QByteArray Raw(std::initializer_list<int> bytes)
{
    QByteArray out;
    for (int b : bytes)
        out.append(static_cast<char>(b));
    return out;
}

QByteArray Str(const char* s)
{
    return QByteArray(s);
}

// With its terminating NUL.
QByteArray Z(const char* s)
{
    return QByteArray(s, static_cast<qsizetype>(std::strlen(s) + 1));
}

QByteArray Header()
{
    return Raw({0xFF, 0xFF, 0xFF, 0xFF});
}

// Six bytes: address, then the port big-endian.
QByteArray Entry(int a, int b, int c, int d, int port)
{
    return Raw({a, b, c, d, (port >> 8) & 0xFF, port & 0xFF});
}

void PumpEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool SpinUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        PumpEvents(2);
    }
    return true;
}

// A plain UDP client in the test thread; the farm answers while it waits, because waiting
// runs this thread's event loop.
class Client {
public:
    Client() { EXPECT_TRUE(socket_.bind(QHostAddress(QHostAddress::LocalHost), 0)); }

    uint16_t Port() const { return socket_.localPort(); }

    void Send(uint16_t port, const QByteArray& datagram)
    {
        ASSERT_EQ(socket_.writeDatagram(datagram, QHostAddress(QHostAddress::LocalHost), port), datagram.size());
    }

    std::optional<QNetworkDatagram> ReceiveDatagram(int timeoutMs = kReplyWaitMs)
    {
        if (!SpinUntil([this] { return socket_.hasPendingDatagrams(); }, timeoutMs))
            return std::nullopt;
        return socket_.receiveDatagram();
    }

    std::optional<QByteArray> Receive(int timeoutMs = kReplyWaitMs)
    {
        auto d = ReceiveDatagram(timeoutMs);
        if (!d)
            return std::nullopt;
        return d->data();
    }

    // Everything that arrives until nothing more has come for quietMs.
    QList<QByteArray> ReceiveAll(int quietMs = kSilenceMs)
    {
        QList<QByteArray> out;
        while (auto d = Receive(out.isEmpty() ? kReplyWaitMs : quietMs))
            out.append(*d);
        return out;
    }

    QByteArray Ask(uint16_t port, const QByteArray& request)
    {
        Send(port, request);
        auto reply = Receive();
        EXPECT_TRUE(reply.has_value()) << "no reply to " << request.toStdString();
        return reply.value_or(QByteArray());
    }

private:
    QUdpSocket socket_;
};

GameServerConfig DuskCanyon()
{
    GameServerConfig c;
    c.hostname = "Dusk Canyon Public";
    c.map = "dusk_canyon";
    c.description = "ZNK";
    c.gamedir = "znk";
    c.maxPlayers = 12;
    c.players = {{"Alice", 12, 305.5f}, {"Bob Two", -3, 61.0f}};
    c.rules = {{"mp_timelimit", "30"}, {"sv_gravity", "800"}};
    c.rconPassword = "secret";
    return c;
}

} // namespace

// --- Game server queries ------------------------------------------------------------------

class SimGameServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server_ = &farm_.AddGameServer(DuskCanyon());
        std::string error;
        ASSERT_TRUE(farm_.Start(&error)) << error;
        port_ = server_->Port();
        ASSERT_NE(port_, 0);
    }

    SimFarm farm_;
    SimGameServer* server_ = nullptr;
    uint16_t port_ = 0;
    Client client_;
};

TEST_F(SimGameServerTest, PingIsAnsweredWithJAndNul)
{
    EXPECT_EQ(client_.Ask(port_, Header() + Z("ping")), Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x6A, 0x00}));
}

TEST_F(SimGameServerTest, PlayersAreNumberedFromOneWithScoreAndFloatTime)
{
    const QByteArray alice = Raw({1}) + Z("Alice") + Raw({12, 0, 0, 0}) + Raw({0x00, 0xC0, 0x98, 0x43}); // 305.5f
    const QByteArray bob = Raw({2}) + Z("Bob Two") + Raw({0xFD, 0xFF, 0xFF, 0xFF}) + Raw({0x00, 0x00, 0x74, 0x42});
    const QByteArray expected = Header() + Raw({'D', 2}) + alice + bob; // Bob: -3, 61.0f
    EXPECT_EQ(client_.Ask(port_, Header() + Z("players")), expected);
}

TEST_F(SimGameServerTest, RulesAreAnInt16CountAndNameValuePairs)
{
    const QByteArray expected = Header() + Raw({'E', 2, 0}) + Z("mp_timelimit") + Z("30") + Z("sv_gravity") + Z("800");
    EXPECT_EQ(client_.Ask(port_, Header() + Z("rules")), expected);
}

TEST_F(SimGameServerTest, InfostringTextIsExact)
{
    const QByteArray expected = Header() + Z("infostringresponse") +
                                Z("\\hostname\\Dusk Canyon Public\\map\\dusk_canyon\\description\\ZNK"
                                  "\\players\\2\\max\\12\\type\\d\\os\\l\\password\\0\\protocol\\46\\lan\\0"
                                  "\\modversion\\1.0");
    EXPECT_EQ(client_.Ask(port_, Header() + Z("infostring")), expected);
}

TEST_F(SimGameServerTest, RequestWordsEndAtWhitespaceOrNulLikeTheEngineReadsThem)
{
    // Clients of the era sent these without the NUL, or with a newline.
    EXPECT_EQ(client_.Ask(port_, Header() + Str("ping")), Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x6A, 0x00}));
    EXPECT_EQ(client_.Ask(port_, Header() + Str("ping\n")), Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x6A, 0x00}));
    EXPECT_EQ(client_.Ask(port_, Header() + Z("rules") + Str("junk")).left(7), Header() + Raw({'E', 2, 0}));
}

TEST_F(SimGameServerTest, OlderDetailsAndInfoQueriesGetTheirOwnLayouts)
{
    const std::string address = "127.0.0.1:" + std::to_string(port_);
    const QByteArray details = Header() + Str("m") + Z(address.c_str()) + Z("Dusk Canyon Public") + Z("dusk_canyon") +
                               Z("znk") + Z("ZNK") + Raw({2, 12, 46, 'd', 'l', 0}) + Raw({1}) + Z("") + Z("") + Z("") +
                               Raw({1, 0, 0, 0}) + Raw({0, 0, 0, 0}) + Raw({0, 1}) + Raw({0});
    EXPECT_EQ(client_.Ask(port_, Header() + Z("details")), details);

    const QByteArray info = Header() + Str("C") + Z(address.c_str()) + Z("Dusk Canyon Public") + Z("dusk_canyon") +
                            Z("znk") + Z("ZNK") + Raw({2, 12, 46});
    EXPECT_EQ(client_.Ask(port_, Header() + Z("info")), info);
}

TEST_F(SimGameServerTest, UnknownOrHeaderlessRequestsAreRecordedButNotAnswered)
{
    client_.Send(port_, Header() + Z("getchallenge"));
    client_.Send(port_, Str("ping"));
    client_.Send(port_, Raw({0xFE, 0xFF, 0xFF, 0xFF}) + Z("ping"));
    EXPECT_FALSE(client_.Receive(kSilenceMs).has_value());

    const ServerRecord r = server_->Record();
    EXPECT_EQ(r.datagramsReceived, 3);
    EXPECT_EQ(r.ignored, 3);
    EXPECT_EQ(r.answered, 0);
    EXPECT_EQ(r.datagramsSent, 0);
    EXPECT_EQ(r.requestCounts.at("getchallenge"), 1);
    EXPECT_EQ(r.requestCounts.at("(no header)"), 2);
}

TEST(SimGameServerEmpty, NoPlayersNoRulesStillAnswer)
{
    SimFarm farm;
    GameServerConfig c;
    c.hostname = "Empty";
    c.map = "quarry_night";
    c.maxPlayers = 8;
    c.type = 'l';
    c.os = 'w';
    c.password = true;
    auto& gs = farm.AddGameServer(c);
    ASSERT_TRUE(farm.Start());
    Client client;
    EXPECT_EQ(client.Ask(gs.Port(), Header() + Z("players")), Header() + Raw({'D', 0}));
    EXPECT_EQ(client.Ask(gs.Port(), Header() + Z("rules")), Header() + Raw({'E', 0, 0}));
    EXPECT_EQ(client.Ask(gs.Port(), Header() + Z("infostring")),
              Header() + Z("infostringresponse") +
                  Z("\\hostname\\Empty\\map\\quarry_night\\description\\ZNK\\players\\0\\max\\8\\type\\l\\os\\w"
                    "\\password\\1\\protocol\\46\\lan\\0\\modversion\\1.0"));
}

// --- Behaviour switches -------------------------------------------------------------------

class SimBehaviourTest : public ::testing::Test {
protected:
    SimGameServer& Start(const SimBehaviour& b)
    {
        GameServerConfig c = DuskCanyon();
        c.behaviour = b;
        auto& gs = farm_.AddGameServer(c);
        std::string error;
        EXPECT_TRUE(farm_.Start(&error)) << error;
        return gs;
    }

    SimFarm farm_;
    Client client_;
};

TEST_F(SimBehaviourTest, WrongHeaderStartsWithFE)
{
    auto& gs = Start(SimBehaviour{.wrongHeader = true});
    EXPECT_EQ(client_.Ask(gs.Port(), Header() + Z("ping")), Raw({0xFE, 0xFF, 0xFF, 0xFF, 0x6A, 0x00}));
}

TEST_F(SimBehaviourTest, TruncatedReplyIsCutAfterNBytes)
{
    auto& gs = Start(SimBehaviour{.truncateAfter = 10});
    EXPECT_EQ(client_.Ask(gs.Port(), Header() + Z("infostring")), Header() + Str("infost"));
    // Shorter replies are left whole.
    EXPECT_EQ(client_.Ask(gs.Port(), Header() + Z("ping")), Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x6A, 0x00}));
}

TEST_F(SimBehaviourTest, DuplicateSendsEveryReplyExactlyTwice)
{
    auto& gs = Start(SimBehaviour{.duplicate = true});
    client_.Send(gs.Port(), Header() + Z("rules"));
    const QList<QByteArray> got = client_.ReceiveAll();
    const QByteArray rules = Header() + Raw({'E', 2, 0}) + Z("mp_timelimit") + Z("30") + Z("sv_gravity") + Z("800");
    EXPECT_EQ(got, (QList<QByteArray>{rules, rules}));
    EXPECT_EQ(gs.Record().datagramsSent, 2);
    EXPECT_EQ(gs.Record().answered, 1);
}

TEST_F(SimBehaviourTest, SilentServerNeverAnswersButRecords)
{
    auto& gs = Start(SimBehaviour{.silent = true});
    for (const char* word : {"ping", "infostring", "players", "rules", "details"})
        client_.Send(gs.Port(), Header() + Z(word));
    client_.Send(gs.Port(), Header() + Str("challenge rcon\n"));
    EXPECT_FALSE(client_.Receive(kSilenceMs).has_value());
    const ServerRecord r = gs.Record();
    EXPECT_EQ(r.datagramsReceived, 6);
    EXPECT_EQ(r.ignored, 6);
    EXPECT_EQ(r.datagramsSent, 0);
    // A query that will never be answered is not in flight.
    EXPECT_EQ(r.maxInfostringInFlight, 0);
}

TEST_F(SimBehaviourTest, PingOnlyAnswersPingAndNothingElse)
{
    auto& gs = Start(SimBehaviour{.pingOnly = true});
    for (const char* word : {"infostring", "players", "rules", "details", "info"})
        client_.Send(gs.Port(), Header() + Z(word));
    client_.Send(gs.Port(), Header() + Str("challenge rcon\n"));
    EXPECT_FALSE(client_.Receive(kSilenceMs).has_value());
    EXPECT_EQ(client_.Ask(gs.Port(), Header() + Z("ping")), Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x6A, 0x00}));
    EXPECT_EQ(gs.Record().ignored, 6);
}

TEST_F(SimBehaviourTest, DelayIsHonouredWhileOtherServersAnswerAtOnce)
{
    SimGameServer& slow = Start(SimBehaviour{.delayMs = 250});
    farm_.Stop();
    GameServerConfig fastConfig = DuskCanyon();
    fastConfig.hostname = "Fast";
    SimGameServer& fast = farm_.AddGameServer(fastConfig);
    ASSERT_TRUE(farm_.Start());

    QElapsedTimer clock;
    clock.start();
    client_.Send(slow.Port(), Header() + Z("ping"));
    client_.Send(fast.Port(), Header() + Z("ping"));
    auto first = client_.ReceiveDatagram();
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->senderPort(), fast.Port());
    auto second = client_.ReceiveDatagram();
    ASSERT_TRUE(second.has_value());
    // Lower bound only: the answer may come late on a busy machine, never early (1 ms of
    // slack for the millisecond rounding of the two clocks).
    EXPECT_GE(clock.elapsed(), 249);
    EXPECT_EQ(second->senderPort(), slow.Port());
    EXPECT_EQ(second->data(), Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x6A, 0x00}));
}

TEST_F(SimBehaviourTest, SwitchesCanChangeWhileRunning)
{
    auto& gs = Start(SimBehaviour{.silent = true});
    client_.Send(gs.Port(), Header() + Z("ping"));
    EXPECT_FALSE(client_.Receive(kSilenceMs).has_value());
    gs.SetBehaviour(SimBehaviour{.wrongHeader = true});
    EXPECT_EQ(client_.Ask(gs.Port(), Header() + Z("ping")), Raw({0xFE, 0xFF, 0xFF, 0xFF, 0x6A, 0x00}));
}

// --- Remote console -----------------------------------------------------------------------

class SimRconTest : public SimGameServerTest {
protected:
    QByteArray Rcon(const char* text) { return Header() + Str(text); }
    QByteArray Print(const char* text) { return Header() + Str("l") + Str(text) + Raw({0, 0}); }
};

TEST_F(SimRconTest, ChallengeCanExceedTwoToThe31)
{
    const QByteArray expected = Header() + Z("challenge rcon 3000000000\n");
    EXPECT_EQ(client_.Ask(port_, Rcon("challenge rcon\n")), expected);
    EXPECT_EQ(client_.Ask(port_, Header() + Z("challenge rcon\n")), expected);
}

TEST_F(SimRconTest, EchoAndUnknownCommand)
{
    EXPECT_EQ(client_.Ask(port_, Rcon("rcon 3000000000 \"secret\" echo hello there")), Print("hello there\n"));
    EXPECT_EQ(client_.Ask(port_, Header() + Z("rcon 3000000000 \"secret\" echo with nul\n")), Print("with nul\n"));
    EXPECT_EQ(client_.Ask(port_, Rcon("rcon 3000000000 \"secret\" frobnicate now")),
              Print("Unknown command \"frobnicate\"\n"));
}

TEST_F(SimRconTest, WrongChallengeOrPasswordIsRefused)
{
    EXPECT_EQ(client_.Ask(port_, Rcon("rcon 2999999999 \"secret\" status")), Print("Bad challenge.\n"));
    // Read as a 32-bit int the challenge would wrap to this.
    EXPECT_EQ(client_.Ask(port_, Rcon("rcon -1294967296 \"secret\" status")), Print("Bad challenge.\n"));
    EXPECT_EQ(client_.Ask(port_, Rcon("rcon 3000000000 \"Secret\" status")), Print("Bad rcon_password.\n"));
    EXPECT_EQ(client_.Ask(port_, Rcon("rcon 3000000000 \"\" status")), Print("Bad rcon_password.\n"));
}

TEST_F(SimRconTest, UnquotedPasswordIsAcceptedToo)
{
    EXPECT_EQ(client_.Ask(port_, Rcon("rcon 3000000000 secret echo ok")), Print("ok\n"));
}

TEST_F(SimRconTest, StatusListsHostnameMapAndPlayers)
{
    const QByteArray reply = client_.Ask(port_, Rcon("rcon 3000000000 \"secret\" status"));
    ASSERT_TRUE(reply.startsWith(Header() + Str("l")));
    ASSERT_TRUE(reply.endsWith(Raw({0, 0})));
    const QByteArray text = reply.mid(5, reply.size() - 7);
    EXPECT_TRUE(text.startsWith("hostname:  Dusk Canyon Public\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nmap     :  dusk_canyon at: 0 x, 0 y, 0 z\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nplayers :  2 active (12 max)\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\n# 1 \"Alice\" ")) << text.toStdString();
    EXPECT_TRUE(text.contains("\n# 2 \"Bob Two\" ")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("\n2 users\n")) << text.toStdString();
}

TEST_F(SimRconTest, LongOutputIsSplitInto1400ByteParts)
{
    client_.Send(port_, Rcon("rcon 3000000000 \"secret\" cvarlist"));
    const QList<QByteArray> parts = client_.ReceiveAll();
    ASSERT_GE(parts.size(), 3);
    QByteArray text;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QByteArray& p = parts[i];
        ASSERT_TRUE(p.startsWith(Header() + Str("l"))) << "part " << i;
        ASSERT_TRUE(p.endsWith(Raw({0, 0}))) << "part " << i;
        const QByteArray part = p.mid(5, p.size() - 7);
        if (i + 1 < parts.size())
            EXPECT_EQ(part.size(), 1400) << "part " << i;
        else
            EXPECT_LE(part.size(), 1400);
        EXPECT_FALSE(part.contains('\0')) << "part " << i;
        text += part;
    }
    EXPECT_GT(text.size(), 3000);
    EXPECT_TRUE(text.startsWith("CVar List\n"));
    EXPECT_TRUE(text.contains("\nmp_timelimit             : 30\n"));
    EXPECT_TRUE(text.endsWith("CvarList ? for syntax\n"));
    EXPECT_EQ(server_->Record().datagramsSent, parts.size());
}

TEST(SimRconNoPassword, EveryCommandIsRefused)
{
    SimFarm farm;
    GameServerConfig c = DuskCanyon();
    c.rconPassword.clear();
    c.rconChallenge = 17;
    auto& gs = farm.AddGameServer(c);
    ASSERT_TRUE(farm.Start());
    Client client;
    EXPECT_EQ(client.Ask(gs.Port(), Header() + Str("challenge rcon\n")), Header() + Z("challenge rcon 17\n"));
    EXPECT_EQ(client.Ask(gs.Port(), Header() + Str("rcon 17 \"\" status")),
              Header() + Str("l") + Str("Bad rcon_password.\n") + Raw({0, 0}));
}

// --- Master servers -----------------------------------------------------------------------

class SimMasterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        a_ = &farm_.AddGameServer(DuskCanyon());
        b_ = &farm_.AddGameServer(GameServerConfig{.label = "second"});
    }

    SimMaster& AddMaster(SimMasterFlavour flavour, int pageSize = 681)
    {
        MasterConfig m;
        m.flavour = flavour;
        m.listAllGameServers = true;
        m.entries = {MasterEntry{.host = "192.0.2.7", .port = 27016}};
        m.pageSize = pageSize;
        return farm_.AddMaster(m);
    }

    SimFarm farm_;
    SimGameServer* a_ = nullptr;
    SimGameServer* b_ = nullptr;
    Client client_;
};

TEST_F(SimMasterTest, SteamListHasSixByteHeaderBigEndianPortsAndTerminator)
{
    SimMaster& m = AddMaster(SimMasterFlavour::Steam);
    ASSERT_TRUE(farm_.Start());
    const QByteArray reply = client_.Ask(m.Port(), Str("1") + Raw({0xFF}) + Z("0.0.0.0:0") + Z(""));
    const QByteArray expected = Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x66, 0x0A}) + Entry(127, 0, 0, 1, a_->Port()) +
                                Entry(127, 0, 0, 1, b_->Port()) + Raw({192, 0, 2, 7, 0x69, 0x88}) + // 27016
                                Raw({0, 0, 0, 0, 0, 0});
    EXPECT_EQ(reply, expected);
    EXPECT_EQ(reply.size(), 6 + 4 * 6);
}

TEST_F(SimMasterTest, WonListHasTenByteHeaderAndNoTerminator)
{
    SimMaster& m = AddMaster(SimMasterFlavour::Won);
    ASSERT_TRUE(farm_.Start());
    const QByteArray reply = client_.Ask(m.Port(), Str("1") + Raw({0, 0, 0, 0}));
    const QByteArray expected = Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x66, 0x0D, 0, 0, 0, 0}) +
                                Entry(127, 0, 0, 1, a_->Port()) + Entry(127, 0, 0, 1, b_->Port()) +
                                Raw({192, 0, 2, 7, 0x69, 0x88});
    EXPECT_EQ(reply, expected);
    EXPECT_EQ(reply.size(), 10 + 3 * 6);
}

TEST_F(SimMasterTest, AnyDatagramStartingWithOneIsAQueryOthersAreIgnored)
{
    SimMaster& steam = AddMaster(SimMasterFlavour::Steam);
    SimMaster& won = AddMaster(SimMasterFlavour::Won);
    ASSERT_TRUE(farm_.Start());
    EXPECT_EQ(client_.Ask(steam.Port(), Str("1")).left(6), Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x66, 0x0A}));
    EXPECT_EQ(client_.Ask(won.Port(), Str("1")).left(10), Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x66, 0x0D, 0, 0, 0, 0}));
    client_.Send(steam.Port(), Str("2"));
    client_.Send(won.Port(), Header() + Z("ping"));
    EXPECT_FALSE(client_.Receive(kSilenceMs).has_value());
    EXPECT_EQ(steam.Record().ignored, 1);
    EXPECT_EQ(won.Record().ignored, 1);
    EXPECT_EQ(steam.Record().requests.front().request, "1");
}

TEST_F(SimMasterTest, SteamPagesContinueAfterTheSeedAddress)
{
    for (int i = 0; i < 3; ++i)
        farm_.AddGameServer(GameServerConfig{});
    SimMaster& m = AddMaster(SimMasterFlavour::Steam, 3); // 5 servers + 1 extra entry
    ASSERT_TRUE(farm_.Start());
    auto local = [&](size_t i) { return Entry(127, 0, 0, 1, farm_.GameServer(i).Port()); };
    const QByteArray head = Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x66, 0x0A});

    EXPECT_EQ(client_.Ask(m.Port(), Str("1") + Raw({0xFF}) + Z("0.0.0.0:0") + Z("")),
              head + local(0) + local(1) + local(2));
    const std::string seed = "127.0.0.1:" + std::to_string(farm_.GameServer(2).Port());
    EXPECT_EQ(client_.Ask(m.Port(), Str("1") + Raw({0xFF}) + Z(seed.c_str()) + Z("")),
              head + local(3) + local(4) + Raw({192, 0, 2, 7, 0x69, 0x88}));
    // Three entries are left with the terminator: they need a page of their own.
    const std::string last = "127.0.0.1:" + std::to_string(farm_.GameServer(4).Port());
    EXPECT_EQ(client_.Ask(m.Port(), Str("1") + Raw({0xFF}) + Z(last.c_str()) + Z("")),
              head + Raw({192, 0, 2, 7, 0x69, 0x88}) + Raw({0, 0, 0, 0, 0, 0}));
    // qstat sends its seed with a stray letter after the port.
    EXPECT_EQ(client_.Ask(m.Port(), Str("1") + Raw({0xFF}) + Z("192.0.2.7:27016d")), head + Raw({0, 0, 0, 0, 0, 0}));
}

TEST_F(SimMasterTest, WonBatchesCarryTheNextBatchNumberUntilZero)
{
    for (int i = 0; i < 3; ++i)
        farm_.AddGameServer(GameServerConfig{});
    SimMaster& m = AddMaster(SimMasterFlavour::Won, 2);
    ASSERT_TRUE(farm_.Start());
    auto local = [&](size_t i) { return Entry(127, 0, 0, 1, farm_.GameServer(i).Port()); };

    EXPECT_EQ(client_.Ask(m.Port(), Str("1") + Raw({0, 0, 0, 0})),
              Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x66, 0x0D, 1, 0, 0, 0}) + local(0) + local(1));
    EXPECT_EQ(client_.Ask(m.Port(), Str("1") + Raw({1, 0, 0, 0})),
              Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x66, 0x0D, 2, 0, 0, 0}) + local(2) + local(3));
    EXPECT_EQ(client_.Ask(m.Port(), Str("1") + Raw({2, 0, 0})),
              Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x66, 0x0D, 0, 0, 0, 0}) + local(4) + Raw({192, 0, 2, 7, 0x69, 0x88}));
}

TEST_F(SimMasterTest, ListsFarmServersByLabelAndUnknownLabelsFailToStart)
{
    MasterConfig m;
    m.entries = {MasterEntry{.serverLabel = "second"}, MasterEntry{.host = "10.1.2.3", .port = 1}};
    SimMaster& master = farm_.AddMaster(m);
    ASSERT_TRUE(farm_.Start());
    EXPECT_EQ(client_.Ask(master.Port(), Str("1")), Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x66, 0x0A}) +
                                                        Entry(127, 0, 0, 1, b_->Port()) + Entry(10, 1, 2, 3, 1) +
                                                        Raw({0, 0, 0, 0, 0, 0}));
    farm_.Stop();

    SimFarm other;
    other.AddMaster(MasterConfig{.entries = {MasterEntry{.serverLabel = "nobody"}}});
    std::string error;
    EXPECT_FALSE(other.Start(&error));
    EXPECT_NE(error.find("nobody"), std::string::npos) << error;
    EXPECT_FALSE(other.IsRunning());
}

TEST_F(SimMasterTest, MasterBehaviourSwitchesApplyToo)
{
    SimMaster& m = AddMaster(SimMasterFlavour::Won);
    m.SetBehaviour(SimBehaviour{.truncateAfter = 10, .duplicate = true});
    ASSERT_TRUE(farm_.Start());
    client_.Send(m.Port(), Str("1"));
    const QByteArray head = Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x66, 0x0D, 0, 0, 0, 0});
    EXPECT_EQ(client_.ReceiveAll(), (QList<QByteArray>{head, head}));
    m.SetBehaviour(SimBehaviour{.silent = true});
    client_.Send(m.Port(), Str("1"));
    EXPECT_FALSE(client_.Receive(kSilenceMs).has_value());
}

// --- Record and queries in flight ----------------------------------------------------------

TEST(SimRecord, EachRequestIsLoggedWithTimePeerAndText)
{
    SimFarm farm;
    auto& gs = farm.AddGameServer(DuskCanyon());
    std::vector<std::string> observed;
    farm.SetRequestObserver(
        [&](const std::string& label, const ReceivedRequest& r) { observed.push_back(label + " " + r.request); });
    ASSERT_TRUE(farm.Start());
    Client client;
    const int64_t before = SteadyNowMs();
    client.Ask(gs.Port(), Header() + Z("infostring"));
    client.Ask(gs.Port(), Header() + Str("challenge rcon\n"));
    const int64_t after = SteadyNowMs();

    const ServerRecord r = gs.Record();
    ASSERT_EQ(r.requests.size(), 2u);
    EXPECT_EQ(r.requests[0].request, "infostring");
    EXPECT_EQ(r.requests[1].request, "challenge rcon\\x0A");
    const std::string peer = "127.0.0.1:" + std::to_string(client.Port());
    for (const ReceivedRequest& q : r.requests) {
        EXPECT_EQ(q.peer, peer);
        EXPECT_GE(q.timeMs, before);
        EXPECT_LE(q.timeMs, after);
    }
    EXPECT_LE(r.requests[0].timeMs, r.requests[1].timeMs);
    EXPECT_EQ(r.requestCounts.at("infostring"), 1);
    EXPECT_EQ(r.requestCounts.at("challenge"), 1);
    EXPECT_EQ(r.answered, 2);
    EXPECT_EQ(r.datagramsSent, 2);
    EXPECT_EQ(observed, (std::vector<std::string>{"server1 infostring", "server1 challenge rcon\\x0A"}));

    farm.ResetRecords();
    EXPECT_TRUE(gs.Record().requests.empty());
    EXPECT_EQ(gs.Record().datagramsReceived, 0);
}

TEST(SimRecord, InfostringQueriesInFlightAreCountedPerServerAndFarm)
{
    SimFarm farm;
    for (int i = 0; i < 4; ++i) {
        GameServerConfig c = DuskCanyon();
        c.behaviour.delayMs = 300;
        farm.AddGameServer(c);
    }
    GameServerConfig silent = DuskCanyon();
    silent.behaviour.silent = true;
    auto& quiet = farm.AddGameServer(silent);
    ASSERT_TRUE(farm.Start());

    Client client;
    for (size_t i = 0; i < 4; ++i)
        client.Send(farm.GameServer(i).Port(), Header() + Z("infostring"));
    client.Send(farm.GameServer(0).Port(), Header() + Z("infostring"));
    client.Send(farm.GameServer(0).Port(), Header() + Z("infostring"));
    client.Send(quiet.Port(), Header() + Z("infostring"));
    // Pings are answered at once and are no infostring queries.
    client.Send(farm.GameServer(1).Port(), Header() + Z("ping"));

    QList<QByteArray> replies;
    ASSERT_TRUE(SpinUntil(
        [&] {
            while (auto r = client.Receive(1))
                replies.append(*r);
            return replies.size() >= 7;
        },
        kReplyWaitMs));
    EXPECT_EQ(farm.MaxInfostringInFlight(), 6);
    EXPECT_EQ(farm.GameServer(0).Record().maxInfostringInFlight, 3);
    EXPECT_EQ(farm.GameServer(1).Record().maxInfostringInFlight, 1);
    EXPECT_EQ(quiet.Record().maxInfostringInFlight, 0);
    ASSERT_TRUE(SpinUntil([&] { return farm.InfostringInFlight() == 0; }, kReplyWaitMs));
    EXPECT_EQ(farm.GameServer(0).Record().infostringInFlight, 0);

    // One at a time now: the maximum starts again from the reset.
    farm.ResetRecords();
    client.Ask(farm.GameServer(2).Port(), Header() + Z("infostring"));
    client.Ask(farm.GameServer(3).Port(), Header() + Z("infostring"));
    EXPECT_EQ(farm.MaxInfostringInFlight(), 1);
}

// --- Farm life cycle ----------------------------------------------------------------------

TEST(SimFarmLifeCycle, OwnThreadServesWhileTheTestThreadBlocks)
{
    SimFarm farm;
    auto& gs = farm.AddGameServer(DuskCanyon());
    std::string error;
    ASSERT_TRUE(farm.StartInOwnThread(&error)) << error;

    QUdpSocket socket;
    ASSERT_TRUE(socket.bind(QHostAddress(QHostAddress::LocalHost), 0));
    socket.writeDatagram(Header() + Z("ping"), QHostAddress(QHostAddress::LocalHost), gs.Port());
    // A blocking wait: no event loop runs in this thread, so the farm's thread answered.
    ASSERT_TRUE(socket.waitForReadyRead(kReplyWaitMs));
    EXPECT_EQ(socket.receiveDatagram().data(), Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x6A, 0x00}));
    EXPECT_EQ(gs.Record().answered, 1);
    farm.Stop();
    EXPECT_FALSE(farm.IsRunning());
}

TEST(SimFarmLifeCycle, TakenPortFailsAndLeavesNothingBound)
{
    SimFarm first;
    auto& taken = first.AddGameServer(GameServerConfig{});
    ASSERT_TRUE(first.Start());

    SimFarm second;
    auto& free = second.AddGameServer(GameServerConfig{});
    second.AddGameServer(GameServerConfig{.label = "clash", .port = taken.Port()});
    std::string error;
    EXPECT_FALSE(second.Start(&error));
    EXPECT_NE(error.find("clash"), std::string::npos) << error;
    EXPECT_FALSE(second.IsRunning());

    // The server bound before the clash was let go again.
    QUdpSocket probe;
    EXPECT_TRUE(probe.bind(QHostAddress(QHostAddress::LocalHost), free.Port(), QAbstractSocket::DontShareAddress));
}

TEST(SimFarmLifeCycle, PendingDelayedAnswersAreDroppedOnStop)
{
    SimFarm farm;
    GameServerConfig c = DuskCanyon();
    c.behaviour.delayMs = 200;
    auto& gs = farm.AddGameServer(c);
    ASSERT_TRUE(farm.Start());
    Client client;
    client.Send(gs.Port(), Header() + Z("infostring"));
    ASSERT_TRUE(SpinUntil([&] { return farm.InfostringInFlight() == 1; }, kReplyWaitMs));
    farm.Stop();
    EXPECT_EQ(farm.InfostringInFlight(), 0);
    EXPECT_FALSE(client.Receive(400).has_value());
}

// --- Today's dialect ---------------------------------------------------------------------------

namespace {

const QByteArray kRight = Raw({0x44, 0x33, 0x22, 0x11}), kWrong = Raw({0x45, 0x33, 0x22, 0x11});
const QByteArray kAsk = Raw({0xFF, 0xFF, 0xFF, 0xFF});

QByteArray A2sInfo(const QByteArray& challenge = {})
{
    return Header() + Str("T") + Z("Source Engine Query") + challenge;
}

// Dusk Canyon as a server of today: ping and A2S only, challenge 0x11223344, one bot.
GameServerConfig DuskToday(void (*tweak)(GameServerConfig&) = [](GameServerConfig&) {})
{
    GameServerConfig c = DuskCanyon();
    c.answersClassic = false;
    c.answersA2s = c.a2sChallenge = true;
    c.a2sChallengeValue = 0x11223344;
    c.bots = 1;
    tweak(c);
    return c;
}

const QByteArray kDuskPlayers = Header() + Raw({'D', 2, 1}) + Z("Alice") +
                                Raw({12, 0, 0, 0, 0x00, 0xC0, 0x98, 0x43, 2}) + Z("Bob Two") +
                                Raw({0xFD, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x74, 0x42});
const QByteArray kDuskRules = Header() + Raw({'E', 2, 0}) + Z("mp_timelimit") + Z("30") + Z("sv_gravity") + Z("800");

} // namespace

TEST(SimToday, EachRequestGetsWhatItsDialectAndChallengeSwitchesSay)
{
    const QByteArray challenge = Header() + Str("A") + kRight, i = Header() + Str("I");
    auto off = [](GameServerConfig& c) { c.a2sChallenge = false; };
    auto noPlaceholder = [](GameServerConfig& c) { c.a2sChallenge = c.a2sPlaceholderChallenge = false; };
    auto classic = [](GameServerConfig& c) {
        c.answersClassic = true;
        c.answersA2s = false;
    };
    const struct {
        GameServerConfig server;
        QByteArray request, reply; // reply empty: none; 'I' alone: the reply starts so
    } cases[] = {
        {DuskToday(), Header() + Z("ping"), Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x6A, 0x00})},
        {DuskToday(), Header() + Z("players"), {}},
        {DuskToday(), Header() + Z("infostring"), {}},
        {DuskToday(), A2sInfo(), challenge},
        {DuskToday(), A2sInfo(kWrong), challenge},
        {DuskToday(), Header() + Str("U") + kAsk, challenge},
        {DuskToday(), Header() + Str("U") + kRight, kDuskPlayers},
        {DuskToday(), Header() + Str("V") + kRight, kDuskRules},
        {DuskToday(off), A2sInfo(), i},
        {DuskToday(off), Header() + Str("U") + kAsk, challenge},
        {DuskToday(off), Header() + Str("U") + kWrong, kDuskPlayers},
        {DuskToday(noPlaceholder), Header() + Str("V") + kAsk, kDuskRules},
        {DuskToday(classic), A2sInfo(), {}},
        {DuskToday(classic), Header() + Z("players"), kDuskPlayers},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request.toHex().toStdString());
        SimFarm farm;
        SimGameServer& gs = farm.AddGameServer(c.server);
        ASSERT_TRUE(farm.Start());
        Client client;
        client.Send(gs.Port(), c.request);
        QByteArray got = client.Receive(c.reply.isEmpty() ? kSilenceMs : kReplyWaitMs).value_or("none");
        EXPECT_EQ(c.reply == i ? got.left(5) : got, c.reply.isEmpty() ? "none" : c.reply);
    }
}

TEST(SimToday, InfoRepliesAreIOrMOrBothInTheirLayouts)
{
    for (const SimInfoKind kind : {SimInfoKind::Source, SimInfoKind::GoldSrc, SimInfoKind::GoldSrcThenSource}) {
        SimFarm farm;
        GameServerConfig config = DuskToday();
        config.a2sInfoKind = kind;
        SimGameServer& gs = farm.AddGameServer(config);
        ASSERT_TRUE(farm.Start());
        const int port = gs.Port();
        const QByteArray i = Header() + Str("I") + Raw({48}) + Z("Dusk Canyon Public") + Z("dusk_canyon") + Z("znk") +
                             Z("ZNK") + Raw({70, 0, 2, 12, 1, 'd', 'l', 0, 0}) + Z("1.1.2.7/Stdio") +
                             Raw({0x80, port & 0xFF, port >> 8});
        const QByteArray m = Header() + Str("m") + Z(gs.Address().c_str()) + Z("Dusk Canyon Public") +
                             Z("dusk_canyon") + Z("znk") + Z("ZNK") + Raw({2, 12, 48, 'D', 'l', 0, 1}) + Z("") + Z("") +
                             Z("") + Raw({1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1});
        Client client;
        client.Send(gs.Port(), A2sInfo(kRight));
        const QList<QByteArray> expected = kind == SimInfoKind::Source    ? QList<QByteArray>{i}
                                           : kind == SimInfoKind::GoldSrc ? QList<QByteArray>{m}
                                                                          : QList<QByteArray>{m, i};
        EXPECT_EQ(client.ReceiveAll(), expected);
        EXPECT_EQ(gs.Record().requestCounts.at("A2S_INFO"), 1);
    }
}

TEST(SimToday, SplitRulesArriveLastPieceFirstAndJoinIntoTheReply)
{
    for (const bool a2s : {false, true}) {
        SimFarm farm;
        GameServerConfig config = a2s ? DuskToday() : DuskCanyon();
        config.rulesPieces = 3;
        SimGameServer& gs = farm.AddGameServer(config);
        ASSERT_TRUE(farm.Start());
        Client client;
        client.Send(gs.Port(), a2s ? Header() + Str("V") + kRight : Header() + Z("rules"));
        const QList<QByteArray> pieces = client.ReceiveAll();
        ASSERT_EQ(pieces.size(), 3);
        QByteArray joined[3];
        for (const QByteArray& p : pieces) {
            ASSERT_GT(p.size(), 9);
            EXPECT_EQ(p.left(8), Raw({0xFE, 0xFF, 0xFF, 0xFF}) + pieces[0].mid(4, 4)); // one request id
            EXPECT_EQ(p[8] & 0x0F, 3);
            joined[(p[8] >> 4) & 0x0F] = p.mid(9);
        }
        EXPECT_EQ(pieces[0][8] >> 4, 2);
        EXPECT_EQ(joined[0] + joined[1] + joined[2], kDuskRules);
    }
}

TEST(SimToday, LossyServersAndMastersDropOnlyTheFirstOfEachRequest)
{
    SimFarm farm;
    SimGameServer& gs = farm.AddGameServer(DuskToday([](GameServerConfig& c) {
        c.a2sChallenge = false;
        c.behaviour.lossy = true;
    }));
    SimMaster& master = farm.AddMaster(MasterConfig{.listAllGameServers = true, .behaviour = {.lossy = true}});
    ASSERT_TRUE(farm.Start());
    Client client;
    for (const auto& [port, request] : {std::pair{gs.Port(), Header() + Z("ping")}, std::pair{gs.Port(), A2sInfo()},
                                        std::pair{master.Port(), Str("1\xFF") + Z("0.0.0.0:0")}}) {
        client.Send(port, request);
        EXPECT_FALSE(client.Receive(kSilenceMs).has_value()) << request.toHex().toStdString();
        EXPECT_FALSE(client.Ask(port, request).isEmpty()) << request.toHex().toStdString();
    }
}

TEST(SimToday, SteamMasterAnswersOnePagePerQueryRecordsTheSeedsAndLimitsQueries)
{
    SimFarm farm;
    for (int i = 0; i < 5; ++i)
        farm.AddGameServer(GameServerConfig{});
    SimMaster& m = farm.AddMaster(MasterConfig{.listAllGameServers = true, .pageSize = 2, .maxRequestsPerMinute = 3});
    ASSERT_TRUE(farm.Start());
    Client client;
    std::vector<std::string> seeds{"0.0.0.0:0"};
    for (size_t page = 0; page < 3; ++page) {
        const QByteArray reply = client.Ask(m.Port(), Str("1\xFF") + Z(seeds.back().c_str()) + Z("\\gamedir\\znk"));
        ASSERT_EQ(reply.size(), 6 + 2 * 6); // 2 + 2 + 1 entries and the terminator
        EXPECT_EQ(reply.right(6),
                  page < 2 ? Entry(127, 0, 0, 1, farm.GameServer(page * 2 + 1).Port()) : Raw({0, 0, 0, 0, 0, 0}));
        if (page < 2)
            seeds.push_back(farm.GameServer(page * 2 + 1).Address());
    }
    EXPECT_EQ(m.Record().seeds, seeds);
    EXPECT_EQ(seeds.size(), 3u);
    client.Send(m.Port(), Str("1\xFF") + Z("0.0.0.0:0")); // a fourth within the minute
    EXPECT_FALSE(client.Receive(kSilenceMs).has_value());
}

// --- Configuration file -------------------------------------------------------------------

TEST(SimConfig, ReadsServersMastersAndSwitches)
{
    const std::string text = R"(# a comment
; another
[server]
label = dusk
port = 27015
hostname = "  Dusk Canyon  "
map = dusk_canyon
description = ZNK Deathmatch
gamedir = znk
max_players = 20
type = listen
os = windows
password = yes
player = Alice | 12 | 305.5
player = Bob Two | -3
player = Carol
rule = mp_timelimit 30
rule = sv_contact  someone at example dot org
rule = sv_empty
rcon_password = secret
rcon_challenge = 4000000000
delay = 40
truncate = 12
duplicate = on
wrong_header = true

[server]
silent = 1
ping_only = no

[master]
label = won-list
flavour = won
port = 27011
list = all
server = @dusk
server = 192.0.2.7:27016
page_size = 100
delay = 5
)";
    SimFarmConfig c;
    std::string error;
    ASSERT_TRUE(ParseFarmConfig(text, c, &error)) << error;
    ASSERT_EQ(c.servers.size(), 2u);
    const GameServerConfig& s = c.servers[0];
    EXPECT_EQ(s.label, "dusk");
    EXPECT_EQ(s.port, 27015);
    EXPECT_EQ(s.hostname, "  Dusk Canyon  ");
    EXPECT_EQ(s.description, "ZNK Deathmatch");
    EXPECT_EQ(s.maxPlayers, 20);
    EXPECT_EQ(s.type, 'l');
    EXPECT_EQ(s.os, 'w');
    EXPECT_TRUE(s.password);
    ASSERT_EQ(s.players.size(), 3u);
    EXPECT_EQ(s.players[0].name, "Alice");
    EXPECT_EQ(s.players[0].score, 12);
    EXPECT_FLOAT_EQ(s.players[0].seconds, 305.5f);
    EXPECT_EQ(s.players[1].name, "Bob Two");
    EXPECT_EQ(s.players[1].score, -3);
    EXPECT_EQ(s.players[2].name, "Carol");
    EXPECT_EQ(s.players[2].score, 0);
    ASSERT_EQ(s.rules.size(), 3u);
    EXPECT_EQ(s.rules[1].name, "sv_contact");
    EXPECT_EQ(s.rules[1].value, "someone at example dot org");
    EXPECT_EQ(s.rules[2].value, "");
    EXPECT_EQ(s.rconPassword, "secret");
    EXPECT_EQ(s.rconChallenge, 4000000000ULL);
    EXPECT_EQ(s.behaviour.delayMs, 40);
    EXPECT_EQ(s.behaviour.truncateAfter, 12);
    EXPECT_TRUE(s.behaviour.duplicate);
    EXPECT_TRUE(s.behaviour.wrongHeader);
    EXPECT_FALSE(s.behaviour.silent);
    EXPECT_TRUE(c.servers[1].behaviour.silent);
    EXPECT_FALSE(c.servers[1].behaviour.pingOnly);
    EXPECT_EQ(c.servers[1].port, 0);

    ASSERT_EQ(c.masters.size(), 1u);
    const MasterConfig& m = c.masters[0];
    EXPECT_EQ(m.label, "won-list");
    EXPECT_EQ(m.flavour, SimMasterFlavour::Won);
    EXPECT_EQ(m.port, 27011);
    EXPECT_TRUE(m.listAllGameServers);
    ASSERT_EQ(m.entries.size(), 2u);
    EXPECT_EQ(m.entries[0].serverLabel, "dusk");
    EXPECT_EQ(m.entries[1].host, "192.0.2.7");
    EXPECT_EQ(m.entries[1].port, 27016);
    EXPECT_EQ(m.pageSize, 100);
    EXPECT_EQ(m.behaviour.delayMs, 5);
}

TEST(SimConfig, MistakesNameTheirLine)
{
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"[server]\nport = 70000\n", "line 2: port"},
        {"[server]\ncolour = red\n", "line 2: unknown key 'colour'"},
        {"port = 1\n", "line 1: key outside"},
        {"[servers]\n", "line 1: unknown section"},
        {"[server]\nplayer = Al | x\n", "line 2: player"},
        {"[server]\ndelay = soon\n", "line 2: delay"},
        {"[master]\nflavour = gamespy\n", "line 2: flavour"},
        {"[master]\nserver = 1.2.3:80\n", "line 2: server"},
        {"[server]\n\n[master]\nserver = @ghost\n", "@ghost"},
        {"[server]\nlabel = a\n[server]\nlabel = a\n", "'a' used twice"},
        {"[server\n", "line 1: unterminated"},
        {"[server]\njust words\n", "line 2: expected key = value"},
        {"[server]\ndialects = gamespy\n", "line 2: dialects"},
        {"[server]\ninfo_reply = C\n", "line 2: info_reply"},
        {"[server]\nrules_pieces = 16\n", "line 2: rules_pieces"},
        {"[server]\nping_reply = k\n", "line 2: ping_reply"},
    };
    for (const Case& c : cases) {
        SimFarmConfig config;
        std::string error;
        EXPECT_FALSE(ParseFarmConfig(c.text, config, &error)) << c.text;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.text << " -> " << error;
    }
}

TEST(SimConfig, PortBaseMovesConfiguredPortsButNotExplicitEntries)
{
    SimFarmConfig c;
    c.masters.push_back(MasterConfig{.port = 27010, .entries = {MasterEntry{.port = 27099}}});
    c.servers.push_back(GameServerConfig{.port = 27015});
    c.servers.push_back(GameServerConfig{.port = 0});
    c.servers.push_back(GameServerConfig{.port = 27044});
    ASSERT_TRUE(ApplyPortBase(c, 40000));
    EXPECT_EQ(c.masters[0].port, 40000);
    EXPECT_EQ(c.servers[0].port, 40005);
    EXPECT_EQ(c.servers[1].port, 0);
    EXPECT_EQ(c.servers[2].port, 40034);
    EXPECT_EQ(c.masters[0].entries[0].port, 27099);

    std::string error;
    EXPECT_FALSE(ApplyPortBase(c, 65520, &error));
    EXPECT_FALSE(error.empty());
    UseAnyPorts(c);
    EXPECT_EQ(c.masters[0].port, 0);
    EXPECT_EQ(c.servers[2].port, 0);
}

TEST(SimConfig, DemoFarmIsWhatTheDemoNeeds)
{
    SimFarmConfig c;
    std::string error;
    ASSERT_TRUE(LoadFarmConfigFile(SIMSERVER_SOURCE_DIR "/demo.ini", c, &error)) << error;
    ASSERT_EQ(c.masters.size(), 2u);
    EXPECT_EQ(c.masters[0].flavour, SimMasterFlavour::Steam);
    EXPECT_EQ(c.masters[0].port, 27010);
    EXPECT_EQ(c.masters[1].flavour, SimMasterFlavour::Won);
    EXPECT_EQ(c.masters[1].port, 27011);
    EXPECT_TRUE(c.masters[0].listAllGameServers);
    EXPECT_TRUE(c.masters[1].listAllGameServers);

    ASSERT_GE(c.servers.size(), 28u);
    int silent = 0, pingOnly = 0, passworded = 0, withPlayers = 0;
    for (size_t i = 0; i < c.servers.size(); ++i) {
        const GameServerConfig& s = c.servers[i];
        EXPECT_EQ(s.port, 27015 + i) << s.label;
        silent += s.behaviour.silent;
        pingOnly += s.behaviour.pingOnly;
        passworded += s.password;
        withPlayers += !s.players.empty();
        if (!s.behaviour.silent) {
            EXPECT_GE(s.behaviour.delayMs, 5) << s.label;
            EXPECT_LE(s.behaviour.delayMs, 150) << s.label;
        }
        EXPECT_LE(static_cast<int>(s.players.size()), s.maxPlayers) << s.label;
    }
    EXPECT_GE(silent, 3);
    EXPECT_LE(silent, 4);
    EXPECT_EQ(pingOnly, 1);
    EXPECT_EQ(passworded, 1);
    EXPECT_GE(withPlayers, 20);
}

TEST(SimConfig, TodaysKeysAndTheTodaysDemoFarm)
{
    SimFarmConfig c, classic;
    std::string error;
    ASSERT_TRUE(ParseFarmConfig("[server]\ndialects = Classic, A2S\na2s_placeholder_challenge = no\nlossy = yes\n"
                                "a2s_challenge_value = -5\nrcon_no_challenge = yes\nrcon_print = yes\n"
                                "a2s_endless_challenges = yes\nping_reply = ack\na2s_players_when_empty = no\n"
                                "[master]\nmax_requests_per_minute = 30\nendless_pages = yes\n",
                                c));
    const GameServerConfig both = c.servers[0];
    EXPECT_TRUE(both.answersClassic && both.answersA2s && both.behaviour.lossy && !both.a2sPlaceholderChallenge);
    EXPECT_TRUE(both.rconNoChallenge && both.rconPrintWord);
    EXPECT_TRUE(both.a2sEndlessChallenges && c.masters[0].endlessPages);
    EXPECT_TRUE(both.pingAck && !both.a2sPlayersWhenEmpty);
    EXPECT_EQ(both.a2sChallengeValue + c.masters[0].maxRequestsPerMinute, -5 + 30);

    // The same farm as demo.ini, but half of it servers of today.
    ASSERT_TRUE(LoadFarmConfigFile(SIMSERVER_SOURCE_DIR "/demo.ini", classic, &error)) << error;
    ASSERT_TRUE(LoadFarmConfigFile(SIMSERVER_SOURCE_DIR "/demo-today.ini", c, &error)) << error;
    ASSERT_EQ(c.servers.size(), classic.servers.size());
    int a2sOnly = 0, withChallenge = 0, m = 0, split = 0;
    for (size_t i = 0; i < c.servers.size(); ++i) {
        const GameServerConfig& s = c.servers[i];
        EXPECT_EQ(s.hostname + s.map + std::to_string(s.port),
                  classic.servers[i].hostname + classic.servers[i].map + std::to_string(classic.servers[i].port));
        a2sOnly += s.answersA2s && !s.answersClassic;
        withChallenge += s.a2sChallenge;
        m += s.a2sInfoKind != SimInfoKind::Source;
        split += s.rulesPieces == 3;
    }
    EXPECT_EQ(a2sOnly, 15);
    EXPECT_EQ(withChallenge, 13);
    EXPECT_EQ(m, 2); // 'm', and 'm' then 'I'
    EXPECT_EQ(split, 1);
}

TEST(SimConfig, TheWebApiSectionAndTheDemosWebApi)
{
    SimFarmConfig c;
    std::string error;
    ASSERT_TRUE(ParseFarmConfig("[server]\nlabel = a\n[server]\nlabel = b\n[webapi]\nport = 27050\nkey = k1\n"
                                "list = b, @a\nrelayed = 169.254.1.2:27015 | Far Away | pit | 2 | 9\nstatus = 403\n"
                                "delay = 20\nmalformed = yes\ncut = 7\nredirect = http://127.0.0.1:1\n",
                                c, &error))
        << error;
    ASSERT_EQ(c.webApis.size(), 1u);
    const WebApiConfig& w = c.webApis[0];
    EXPECT_EQ(w.key, "k1");
    EXPECT_EQ(w.serverLabels, (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(w.relayed[0].address + w.relayed[0].name + w.relayed[0].map, "169.254.1.2:27015Far Awaypit");
    EXPECT_EQ(w.relayed[0].players * 100 + w.relayed[0].maxPlayers, 209);
    EXPECT_EQ(w.faults.status + w.faults.delayMs + w.faults.cut, 403 + 20 + 7);
    EXPECT_TRUE(w.faults.malformed);
    EXPECT_EQ(w.faults.redirect, "http://127.0.0.1:1");
    ASSERT_TRUE(ApplyPortBase(c, 30000));
    EXPECT_EQ(c.webApis[0].port, 30000);
    for (const char* wrong : {"[webapi]\nlist = ghost\n", "[webapi]\nrelayed = 169.254.1.2\n",
                              "[webapi]\nstatus = 600\n", "[webapi]\ntls_key = k.pem\n", "[webapi]\ncolour = red\n"})
        EXPECT_FALSE(ParseFarmConfig(wrong, c, &error)) << wrong;

    // The demo's: every server of the farm and two relayed listen servers, taking the key "demo".
    ASSERT_TRUE(LoadFarmConfigFile(SIMSERVER_SOURCE_DIR "/demo-today.ini", c, &error)) << error;
    ASSERT_EQ(c.webApis.size(), 1u);
    EXPECT_TRUE(c.webApis[0].listAll);
    EXPECT_EQ(c.webApis[0].key, "demo");
    EXPECT_EQ(c.webApis[0].port, 27050);
    ASSERT_EQ(c.webApis[0].relayed.size(), 2u);
    for (const WebApiRelayed& r : c.webApis[0].relayed)
        EXPECT_EQ(r.address.rfind("169.254.", 0), 0u) << r.address;
}

// --- The executable ------------------------------------------------------------------------

namespace {

// Starts the simulator and reads its address lines up to "ready".
bool StartSimulator(QProcess& process, const QStringList& args, QStringList& lines)
{
    process.start(SIMSERVER_APP, args);
    if (!process.waitForStarted(kReplyWaitMs))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        while (process.canReadLine()) {
            const QString line = QString::fromUtf8(process.readLine()).trimmed();
            if (line == "ready")
                return true;
            lines.append(line);
        }
        if (!process.waitForReadyRead(200) && process.state() != QProcess::Running)
            return false;
    }
    return false;
}

uint16_t PortOfLine(const QStringList& lines, const QString& prefix)
{
    for (const QString& line : lines) {
        if (line.startsWith(prefix))
            return static_cast<uint16_t>(line.mid(prefix.size()).section(' ', 0, 0).section(':', 1).toUInt());
    }
    return 0;
}

} // namespace

TEST(SimExecutable, RunsTheDemoFarmOnFreePortsAndPrintsThem)
{
    QProcess process;
    QStringList lines;
    ASSERT_TRUE(StartSimulator(process, {SIMSERVER_SOURCE_DIR "/demo.ini", "--any-port"}, lines))
        << process.readAllStandardError().toStdString();
    ASSERT_EQ(lines.size(), 32) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines[0].startsWith("master steam 127.0.0.1:")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains("(31 listed)")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith("master won 127.0.0.1:")) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith("server 127.0.0.1:")) << lines[2].toStdString();
    EXPECT_TRUE(lines[2].contains("\"Dusk Canyon Public\"")) << lines[2].toStdString();

    const uint16_t masterPort = PortOfLine(lines, "master steam ");
    const uint16_t serverPort = PortOfLine(lines, "server ");
    ASSERT_NE(masterPort, 0);
    ASSERT_NE(serverPort, 0);
    QUdpSocket socket;
    ASSERT_TRUE(socket.bind(QHostAddress(QHostAddress::LocalHost), 0));
    socket.writeDatagram(Header() + Z("ping"), QHostAddress(QHostAddress::LocalHost), serverPort);
    ASSERT_TRUE(socket.waitForReadyRead(kReplyWaitMs));
    EXPECT_EQ(socket.receiveDatagram().data(), Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x6A, 0x00}));

    socket.writeDatagram(Str("1") + Raw({0xFF}) + Z("0.0.0.0:0") + Z(""), QHostAddress(QHostAddress::LocalHost),
                         masterPort);
    ASSERT_TRUE(socket.waitForReadyRead(kReplyWaitMs));
    const QByteArray list = socket.receiveDatagram().data();
    EXPECT_EQ(list.size(), 6 + 32 * 6); // 30 servers, 127.0.0.1:27099, the terminator
    EXPECT_EQ(list.mid(6, 6), Entry(127, 0, 0, 1, serverPort));
    EXPECT_EQ(list.mid(6 + 30 * 6, 6), Entry(127, 0, 0, 1, 27099));

    process.kill();
    process.waitForFinished(kReplyWaitMs);
}

TEST(SimExecutable, PortBaseShiftsEveryConfiguredPort)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("farm.ini");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[master]\nport = 30000\nlist = all\n[server]\nport = 30005\n[server]\nport = 30006\n");
    }
    // Another test may grab a port meanwhile: a few bases are tried.
    for (int attempt = 0; attempt < 5; ++attempt) {
        QUdpSocket probe;
        ASSERT_TRUE(probe.bind(QHostAddress(QHostAddress::LocalHost), 0));
        const int base = std::min<int>(probe.localPort(), 65000);
        probe.close();

        QProcess process;
        QStringList lines;
        if (!StartSimulator(process, {path, "--port-base", QString::number(base)}, lines)) {
            process.kill();
            process.waitForFinished(kReplyWaitMs);
            continue;
        }
        ASSERT_EQ(lines.size(), 3) << lines.join('\n').toStdString();
        EXPECT_EQ(PortOfLine(lines, "master steam "), base);
        EXPECT_TRUE(lines[1].startsWith(QString("server 127.0.0.1:%1 ").arg(base + 5))) << lines[1].toStdString();
        EXPECT_TRUE(lines[2].startsWith(QString("server 127.0.0.1:%1 ").arg(base + 6))) << lines[2].toStdString();
        process.kill();
        process.waitForFinished(kReplyWaitMs);
        return;
    }
    FAIL() << "the simulator never started on a free port base";
}

TEST(SimExecutable, BadArgumentsAndConfigsFail)
{
    QProcess process;
    process.start(SIMSERVER_APP, {"/nonexistent/farm.ini"});
    ASSERT_TRUE(process.waitForFinished(kReplyWaitMs));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(process.readAllStandardError().contains("cannot open"));

    process.start(SIMSERVER_APP, {SIMSERVER_SOURCE_DIR "/demo.ini", "--port-base", "1", "--any-port"});
    ASSERT_TRUE(process.waitForFinished(kReplyWaitMs));
    EXPECT_EQ(process.exitCode(), 2);
}

// --- An independent client: qstat ----------------------------------------------------------

class SimQstatTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        quakestat_ = QStandardPaths::findExecutable("quakestat");
        if (quakestat_.isEmpty())
            GTEST_SKIP() << "quakestat is not installed (Debian package qstat); skipping the qstat checks";
    }

    // Raw output with tab-separated fields, split into lines. The farm runs in this thread
    // and answers while the wait spins the event loop: a farm thread would have to be running
    // when QProcess forks, which the thread sanitizer does not support.
    QStringList Run(const QStringList& args)
    {
        QProcess process;
        process.start(quakestat_, args);
        EXPECT_TRUE(SpinUntil([&] { return process.state() == QProcess::NotRunning; }, 30000))
            << "quakestat did not finish";
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        QStringList lines;
        for (const QString& line : out.split('\n')) {
            if (!line.trimmed().isEmpty())
                lines.append(line);
        }
        return lines;
    }

    QString quakestat_;
    SimFarm farm_;
};

TEST_F(SimQstatTest, OldHalfLifeTypeReadsDetailsPlayersAndRules)
{
    // qstat's "hls" type is the pre-Steam query set: "details", "players", "rules".
    auto& gs = farm_.AddGameServer(DuskCanyon());
    std::string error;
    ASSERT_TRUE(farm_.Start(&error)) << error;
    const QStringList lines = Run({"-hls", QString::fromStdString(gs.Address()), "-P", "-R", "-raw", "\t"});
    ASSERT_EQ(lines.size(), 4) << lines.join('\n').toStdString();

    const QStringList server = lines[0].split('\t');
    ASSERT_GE(server.size(), 6);
    EXPECT_EQ(server[0], "HLS");
    EXPECT_EQ(server[2], "Dusk Canyon Public");
    EXPECT_EQ(server[3], "dusk_canyon");
    EXPECT_EQ(server[4], "12"); // max
    EXPECT_EQ(server[5], "2");  // players
    const QStringList rules = lines[1].split('\t');
    EXPECT_TRUE(rules.contains("mp_timelimit=30")) << lines[1].toStdString();
    EXPECT_TRUE(rules.contains("sv_gravity=800")) << lines[1].toStdString();
    EXPECT_TRUE(rules.contains("gamedir=znk")) << lines[1].toStdString();
    EXPECT_TRUE(rules.contains("protocol=46")) << lines[1].toStdString();
    EXPECT_EQ(lines[2].split('\t').mid(0, 3), (QStringList{"Alice", "12", "305"}));
    EXPECT_EQ(lines[3].split('\t').mid(0, 3), (QStringList{"Bob Two", "-3", "61"}));

    const ServerRecord r = gs.Record();
    EXPECT_EQ(r.requestCounts.at("details"), 1);
    EXPECT_EQ(r.requestCounts.at("players"), 1);
    EXPECT_EQ(r.requestCounts.at("rules"), 1);
}

TEST_F(SimQstatTest, InfostringTypeReadsNameMapAndCounts)
{
    // qstat's "hlqs" type sends "infostring" and reads the \key\value answer.
    auto& gs = farm_.AddGameServer(DuskCanyon());
    ASSERT_TRUE(farm_.Start());
    const QStringList lines = Run({"-hlqs", QString::fromStdString(gs.Address()), "-R", "-raw", "\t"});
    ASSERT_EQ(lines.size(), 2) << lines.join('\n').toStdString();
    const QStringList server = lines[0].split('\t');
    ASSERT_GE(server.size(), 6);
    EXPECT_EQ(server[0], "HLQS");
    EXPECT_EQ(server[2], "Dusk Canyon Public");
    EXPECT_EQ(server[3], "dusk_canyon");
    EXPECT_EQ(server[4], "12");
    EXPECT_EQ(server[5], "2");
    const QStringList rules = lines[1].split('\t');
    EXPECT_TRUE(rules.contains("description=ZNK")) << lines[1].toStdString();
    EXPECT_TRUE(rules.contains("password=0")) << lines[1].toStdString();
    EXPECT_TRUE(rules.contains("protocol=46")) << lines[1].toStdString();
    EXPECT_EQ(gs.Record().requestCounts.at("infostring"), 1);
}

TEST_F(SimQstatTest, SilentAndWrongHeaderServersAreNotUp)
{
    GameServerConfig silent = DuskCanyon();
    silent.behaviour.silent = true;
    GameServerConfig odd = DuskCanyon();
    odd.behaviour.wrongHeader = true;
    auto& a = farm_.AddGameServer(silent);
    auto& b = farm_.AddGameServer(odd);
    ASSERT_TRUE(farm_.Start());
    const QStringList lines = Run({"-retry", "1", "-hls", QString::fromStdString(a.Address()), "-hls",
                                   QString::fromStdString(b.Address()), "-raw", "\t"});
    ASSERT_EQ(lines.size(), 2) << lines.join('\n').toStdString();
    for (const QString& line : lines)
        EXPECT_FALSE(line.contains("Dusk Canyon Public")) << line.toStdString();
    EXPECT_TRUE(lines.join('\n').contains("TIMEOUT")) << lines.join('\n').toStdString();
}

TEST_F(SimQstatTest, SteamAndWonMasterListsAreRead)
{
    auto& gs = farm_.AddGameServer(DuskCanyon());
    MasterConfig steam{.flavour = SimMasterFlavour::Steam,
                       .listAllGameServers = true,
                       .entries = {MasterEntry{.host = "192.0.2.7", .port = 27016}}};
    MasterConfig won = steam;
    won.flavour = SimMasterFlavour::Won;
    auto& s = farm_.AddMaster(steam);
    auto& w = farm_.AddMaster(won);
    ASSERT_TRUE(farm_.Start());

    // ",outfile" with "-" lists the addresses instead of querying each server.
    const QString local = QString::fromStdString(gs.Address());
    EXPECT_EQ(Run({"-nh", "-stm,outfile", QString::fromStdString(s.Address()) + ",-"}),
              (QStringList{"a2s " + local, "a2s 192.0.2.7:27016"}));
    EXPECT_EQ(Run({"-nh", "-hlm,outfile", QString::fromStdString(w.Address()) + ",-"}),
              (QStringList{"hls " + local, "hls 192.0.2.7:27016"}));
    EXPECT_EQ(s.Record().answered, 1);
    EXPECT_EQ(w.Record().answered, 1);
}

TEST_F(SimQstatTest, WonMasterThenEveryListedServerIsQueried)
{
    GameServerConfig second = DuskCanyon();
    second.hostname = "Northwind Outpost";
    second.map = "north_outpost";
    farm_.AddGameServer(DuskCanyon());
    farm_.AddGameServer(second);
    auto& w = farm_.AddMaster(MasterConfig{.flavour = SimMasterFlavour::Won, .listAllGameServers = true});
    ASSERT_TRUE(farm_.Start());

    const QStringList lines = Run({"-hlm", QString::fromStdString(w.Address()), "-raw", "\t", "-sort", "l"});
    ASSERT_EQ(lines.size(), 3) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines[0].startsWith("HLM\t" + QString::fromStdString(w.Address()) + "\t2")) << lines[0].toStdString();
    EXPECT_TRUE(lines.join('\n').contains("\tDusk Canyon Public\tdusk_canyon\t")) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.join('\n').contains("\tNorthwind Outpost\tnorth_outpost\t")) << lines.join('\n').toStdString();
}

TEST_F(SimQstatTest, LongListsArePagedToTheEndInBothFlavours)
{
    // More than one datagram's worth: qstat follows Steam seeds and WON batch numbers.
    MasterConfig steam;
    for (int i = 0; i < 1500; ++i)
        steam.entries.push_back(
            MasterEntry{.host = "10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1), .port = 27015});
    MasterConfig won = steam;
    won.flavour = SimMasterFlavour::Won;
    auto& s = farm_.AddMaster(steam);
    auto& w = farm_.AddMaster(won);
    ASSERT_TRUE(farm_.Start());

    const QStringList fromSteam = Run({"-nh", "-stm,outfile", QString::fromStdString(s.Address()) + ",-"});
    const QStringList fromWon = Run({"-nh", "-hlm,outfile", QString::fromStdString(w.Address()) + ",-"});
    ASSERT_EQ(fromSteam.size(), 1500);
    ASSERT_EQ(fromWon.size(), 1500);
    EXPECT_EQ(fromSteam.first(), "a2s 10.0.0.1:27015");
    EXPECT_EQ(fromSteam.last(), "a2s 10.0.5.250:27015");
    EXPECT_EQ(fromWon.last(), "hls 10.0.5.250:27015");
    EXPECT_EQ(QSet<QString>(fromSteam.begin(), fromSteam.end()).size(), 1500);
    EXPECT_EQ(s.Record().answered, 3); // 681 + 681 + 138 and the terminator
    EXPECT_EQ(w.Record().answered, 3);
}
