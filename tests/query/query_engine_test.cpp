// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/server_browser_dlg.h"
#include "core/address.h"
#include "core/compare_texts.h"
#include "gamefiles/settings_loader.h"
#include "query/engine_fixture.h"
#include "query/master_lookup.h"
#include "query/model/protocol.h"
#include "query/query_engine.h"
#include "query/resolve_thread.h"
#include "serving_thread.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"
#include "sim_farm.h"
#include "test_support/widgets.h"
#include "ui/sort_list_ctrl.h"

#include <QHostInfo>
#include <QListWidget>
#include <QNetworkDatagram>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <memory>

namespace {

// A peer on 127.0.0.1 that answers each datagram with what answer() gives for it, from a thread
// of its own, so that what it sends costs the window thread nothing.
class ReplyingPeer {
public:
    using Answer = std::function<QList<QByteArray>(const QByteArray& request)>;

    explicit ReplyingPeer(Answer answer) : answer_(std::move(answer))
    {
        thread_.Serve(
            [this] {
                socket_ = new QUdpSocket;
                socket_->bind(QHostAddress::LocalHost, 0);
                port_ = socket_->localPort();
                QObject::connect(socket_, &QUdpSocket::readyRead, socket_, [this] {
                    while (socket_->hasPendingDatagrams()) {
                        const QNetworkDatagram request = socket_->receiveDatagram();
                        for (const QByteArray& reply : answer_(request.data()))
                            socket_->writeDatagram(request.makeReply(reply));
                    }
                });
                return true;
            },
            [this] { delete socket_; });
    }

    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    Answer answer_;
    QUdpSocket* socket_ = nullptr;
    quint16 port_ = 0;
    sim::ServingThread thread_{"ReplyingPeer"}; // last: stopped before the rest goes
};

// The command word of a request: the text after FF FF FF FF.
bool Asks(const QByteArray& request, const char* command)
{
    return request.startsWith("\xFF\xFF\xFF\xFF") &&
           request.mid(4) == QByteArray(command, int(std::strlen(command)) + 1);
}

QByteArray InfoReplyBytes(const std::string& name)
{
    return QByteArray("\xFF\xFF\xFF\xFFinfostringresponse", 23) +
           QByteArray::fromStdString("\\hostname\\" + name + "\\map\\flood\\players\\1\\max\\8") + '\0';
}

// A master server of the test's own on 127.0.0.1, in the window thread: it notes where the
// engine's request came from and sends there whatever pages the test gives it.
class PageMaster {
public:
    PageMaster()
    {
        socket_.bind(QHostAddress::LocalHost, 0);
        QObject::connect(&socket_, &QUdpSocket::readyRead, [this] {
            while (socket_.hasPendingDatagrams()) {
                const QNetworkDatagram request = socket_.receiveDatagram();
                engine_ = request.senderAddress();
                enginePort_ = static_cast<quint16>(request.senderPort());
            }
        });
    }
    std::string Address() const { return "127.0.0.1:" + std::to_string(socket_.localPort()); }
    bool Asked() const { return enginePort_ != 0; }
    void Send(const QByteArray& page) { socket_.writeDatagram(page, engine_, enginePort_); }

    // A Steam page listing 127.0.0.1 at these ports.
    static QByteArray Page(const std::vector<int>& ports,
                           const QByteArray& header = QByteArray("\xFF\xFF\xFF\xFF\x66\x0A", 6))
    {
        QByteArray page = header;
        for (int port : ports)
            page += QByteArray("\x7F\x00\x00\x01", 4) + char(port >> 8) + char(port & 0xFF);
        return page;
    }

private:
    QUdpSocket socket_;
    QHostAddress engine_;
    quint16 enginePort_ = 0;
};

// The most CPU time the window thread spends between two turns of its event loop: the work of
// the handlers that ran in between, whatever else the machine is busy with.
class LoopTurnWatch {
public:
    LoopTurnWatch()
    {
        ticker_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker_, &QTimer::timeout, [this] {
            const double now = ThreadCpuMs();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
        last_ = ThreadCpuMs();
        ticker_.start(1);
    }
    double LongestMs() const { return longest_; }

private:
    static double ThreadCpuMs()
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
    }

    QTimer ticker_;
    double last_ = 0;
    double longest_ = 0;
};

} // namespace

TEST_F(Engine, UpdateAsksTheMasterPingsAndListsTheServersThatAnswer)
{
    for (int i = 0; i < 12; ++i)
        AddServer("srv" + std::to_string(10 + i), (i * 7) % 40);
    farm.FindGameServer("srv13")->SetBehaviour({.silent = true});
    farm.FindGameServer("srv17")->SetBehaviour({.silent = true});
    sim::SimMaster& master = AddMaster(sim::SimMasterFlavour::Steam);
    StartFarm();
    app.settings.masterServer = master.Address();
    app.settings.wonMaster = false;

    QSignalSpy progress(&refresh, &CRefreshEngine::progressChanged);
    refresh.RequestMasterList();
    ASSERT_EQ(servers.GetItemCount(), 1);
    EXPECT_EQ(servers.GetItemText(0, 0), "Requesting Servers list to Steam");
    EXPECT_EQ(servers.GetItemText(0, 4), "");

    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return inside.pingPhase().socketCount() > 0 || inside.pingPhase().timerActive(); }, 3000));
    ASSERT_EQ(master.Record().requests.size(), 1u);
    // Steam: '1', region FF, "0.0.0.0:0", NUL, "\gamedir\znk", NUL — 22 bytes plus the folder.
    EXPECT_EQ(master.Record().requests[0].request, "1\\xFF0.0.0.0:0\\x00\\x5Cgamedir\\x5Cznk\\x00");
    EXPECT_EQ(servers.GetItemText(0, 0), "Pinging Servers");
    EXPECT_EQ(inside.pingPhase().socketCount(), 12);

    ASSERT_TRUE(WaitForProgressEnd());
    EXPECT_EQ(refresh.percentText(), "100%");
    EXPECT_EQ(refresh.progressUpper(), 10);
    EXPECT_FALSE(inside.resortTimerActive());
    ASSERT_EQ(servers.GetItemCount(), 10);
    const auto names = Column(servers, 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "srv13"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "srv17"), 0);
    // Sorted once at the end, by the saved column (addresses ascending).
    auto addresses = Column(servers, 4);
    EXPECT_TRUE(std::is_sorted(addresses.begin(), addresses.end(),
                               [](const std::string& a, const std::string& b) { return SortCompare(a, b, true) < 0; }));
    EXPECT_LE(farm.MaxInfostringInFlight(), 5);
    EXPECT_EQ(store.serverList().size(), 10u);
    const ServerRecord* r = store.FindOrCreateRecord(farm.FindGameServer("srv10")->Address());
    EXPECT_EQ(r->name, "srv10");
    EXPECT_EQ(r->map, "map_srv10");
    EXPECT_EQ(r->players, "2/16");
    EXPECT_EQ(r->info, "ZNK|Dedicated//Linux Server|Password: No");
    EXPECT_EQ(r->ping.find('-'), std::string::npos);

    EXPECT_EQ(progress.last().at(2).toString(), "100%");
}

TEST_F(Engine, ServersAreQueuedInTheOrderTheirPingsCameBack)
{
    app.settings.timeout = 0.6f;
    for (int delay : {240, 160, 80, 0})
        AddServer("d" + std::to_string(delay), delay);
    AddMaster(sim::SimMasterFlavour::Steam);
    StartFarm();
    app.settings.masterServer = farm.Master(0).Address();
    refresh.RequestMasterList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return inside.pending().size() == 4; }, 3000));
    std::vector<std::string> expected;
    for (const char* label : {"d0", "d80", "d160", "d240"})
        expected.push_back(farm.FindGameServer(label)->Address() + "\n");
    EXPECT_EQ(std::vector<std::string>(inside.pending().begin(), inside.pending().end()), expected);
    ASSERT_TRUE(WaitForProgressEnd());
    EXPECT_EQ(servers.GetItemCount(), 4);
}

TEST_F(Engine, AtMostFiveQueriesInFlightAndEveryServerListedOnce)
{
    // The farm counts requests in flight: on the classic wire each server is asked once, where a
    // re-send to a slow server would count twice.
    app.settings.options.dialect = QueryDialect::Classic;
    for (int i = 0; i < 23; ++i)
        AddServer("slow" + std::to_string(i), 60);
    StartFarm();
    for (size_t i = 0; i < farm.GameServerCount(); ++i)
        List(ServerList::Favorites, farm.GameServer(i).Address());
    refresh.RefreshFavorites();
    EXPECT_EQ(inside.pending().size(), 18u);
    EXPECT_EQ(refresh.progressUpper(), 23);
    EXPECT_EQ(refresh.percentText(), "0%");
    ASSERT_TRUE(WaitForProgressEnd());
    EXPECT_EQ(favorites.GetItemCount(), 23);
    EXPECT_EQ(store.favoriteList().size(), 23u);
    EXPECT_EQ(farm.MaxInfostringInFlight(), 5);
}

TEST_F(Engine, ServerThatOnlyAnswersPingIsListedWithItsLastNameAndUnknowns)
{
    sim::SimGameServer& mute = AddServer("mute");
    mute.SetBehaviour({.pingOnly = true});
    AddServer("fine");
    AddMaster(sim::SimMasterFlavour::Won);
    StartFarm();
    store.FindOrCreateRecord(mute.Address())->name = "Last known name";
    app.settings.masterServer = farm.Master(0).Address();
    app.settings.wonMaster = true;

    refresh.RequestMasterList();
    EXPECT_EQ(servers.GetItemText(0, 0), "Requesting Servers list to WON");
    ASSERT_TRUE(QTest::qWaitFor([&] { return farm.Master(0).Record().requests.size() == 1; }, 3000));
    // WON: '1', four zero bytes, "\gamedir\znk", NUL — 15 bytes plus the folder.
    EXPECT_EQ(farm.Master(0).Record().requests[0].request, "1\\x00\\x00\\x00\\x00\\x5Cgamedir\\x5Cznk\\x00");
    ASSERT_TRUE(WaitForProgressEnd());
    ASSERT_EQ(servers.GetItemCount(), 2);
    int row = servers.GetItemTextStd(0, 4) == mute.Address() ? 0 : 1;
    EXPECT_EQ(servers.GetItemText(row, 0), "Last known name");
    EXPECT_EQ(servers.GetItemText(row, 1), "???");
    EXPECT_EQ(servers.GetItemText(row, 2), "???");
    EXPECT_EQ(servers.GetItemText(row, 3), "???");
    EXPECT_EQ(store.FindOrCreateRecord(mute.Address())->ping, "???");
}

TEST_F(Engine, NoAnswerToAnyPingSaysSoAtZeroPercent)
{
    AddServer("gone").SetBehaviour({.silent = true});
    AddMaster(sim::SimMasterFlavour::Steam);
    StartFarm();
    app.settings.masterServer = farm.Master(0).Address();
    refresh.RequestMasterList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return inside.pingPhase().timerActive(); }, 3000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !inside.pingPhase().timerActive(); }, 3000));
    // A status row instead of an empty list that looks like one still being filled.
    ASSERT_EQ(servers.GetItemCount(), 1);
    EXPECT_EQ(servers.GetItemText(0, 0), CRefreshEngine::kNoServerText);
    EXPECT_EQ(servers.GetItemTextStd(0, 4), "");
    EXPECT_EQ(refresh.percentText(), "0%");
    EXPECT_TRUE(inside.resortTimerActive());
}

TEST_F(Engine, RepeatedCutOrMisframedAnswersListEachServerOnceAndStopAtOneHundredPercent)
{
    AddServer("twice").SetBehaviour({.duplicate = true});
    AddServer("framed").SetBehaviour({.wrongHeader = true});
    AddServer("cut").SetBehaviour({.truncateAfter = 20}); // inside the word "infostringresponse"
    AddServer("plain");
    StartFarm();
    for (size_t i = 0; i < farm.GameServerCount(); ++i)
        List(ServerList::Favorites, farm.GameServer(i).Address(), {.name = "old " + farm.GameServer(i).Label()});
    QSignalSpy progress(&refresh, &CRefreshEngine::progressChanged);
    refresh.RefreshFavorites();
    ASSERT_TRUE(WaitForProgressEnd());
    // Copies arriving after the end change nothing either.
    QTest::qWait(300);
    EXPECT_EQ(refresh.progressPos(), 4);
    EXPECT_EQ(refresh.progressUpper(), 4);
    EXPECT_EQ(refresh.percentText(), "100%");
    for (const QList<QVariant>& step : progress)
        EXPECT_LE(step.at(0).toInt(), step.at(1).toInt());

    std::vector<std::string> rows;
    for (int row = 0; row < favorites.GetItemCount(); ++row)
        rows.push_back(favorites.GetItemTextStd(row, 0) + " " + favorites.GetItemTextStd(row, 1));
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::string>{"old cut ???", "old framed ???", "plain map_plain", "twice map_twice"}));
    EXPECT_EQ(store.favoriteList().size(), 4u);
}

TEST_F(Engine, FloodOfRepeatedAnswersListsEachServerOnceWithoutHoldingTheWindow)
{
    // Each of three servers answers its info query a thousand times over.
    std::vector<std::unique_ptr<ReplyingPeer>> peers;
    for (int i = 0; i < 3; ++i)
        peers.push_back(std::make_unique<ReplyingPeer>([i](const QByteArray& request) {
            QList<QByteArray> replies;
            if (Asks(request, "infostring"))
                for (int n = 0; n < 1000; ++n)
                    replies << InfoReplyBytes("flood " + std::to_string(i));
            return replies;
        }));
    for (const auto& peer : peers)
        List(ServerList::Favorites, peer->Address());
    const LoopTurnWatch watch;
    refresh.RefreshFavorites();
    ASSERT_TRUE(WaitForProgressEnd());
    // Every copy that reached the sockets is read (and dropped), a bounded number at a time.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            for (int i = 0; i < 3; ++i)
                if (inside.querySocket(i)->hasPendingDatagrams())
                    return false;
            return true;
        },
        5000));
    QTest::qWait(100);
    std::vector<std::string> names;
    for (int row = 0; row < favorites.GetItemCount(); ++row)
        names.push_back(favorites.GetItemTextStd(row, 0));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"flood 0", "flood 1", "flood 2"}));
    EXPECT_EQ(store.favoriteList().size(), 3u);
    EXPECT_EQ(refresh.percentText(), "100%");
    EXPECT_LT(watch.LongestMs(), 100.0);
}

TEST_F(Engine, FavoriteNoSocketCanReachStaysListedAsNotAnswering)
{
    sim::SimGameServer& fine = AddServer("fine");
    StartFarm();
    // An address a former version stored as typed: it passed the check, but names no host.
    const std::string typo = "192.168.1.1O:27015";
    for (const std::string& address : {typo, fine.Address()})
        List(ServerList::Favorites, address, {.name = address == typo ? "Typed by hand" : address});
    refresh.RefreshFavorites();
    ASSERT_TRUE(WaitForProgressEnd());
    EXPECT_EQ(refresh.percentText(), "100%");
    ASSERT_EQ(favorites.GetItemCount(), 2);
    const int row = favorites.GetItemTextStd(0, 4) == typo ? 0 : 1;
    EXPECT_EQ(favorites.GetItemText(row, 0), "Typed by hand");
    for (int column : {1, 2, 3})
        EXPECT_EQ(favorites.GetItemText(row, column), "???") << column;
    EXPECT_EQ(favorites.GetItemText(1 - row, 0), "fine");
    // Kept in the list that is saved, so it is still there after the next start.
    EXPECT_EQ(store.favoriteList().size(), 2u);
    EXPECT_NE(std::find(store.favoriteList().begin(), store.favoriteList().end(), store.FindOrCreateRecord(typo)),
              store.favoriteList().end());
    EXPECT_EQ(store.FindOrCreateRecord(typo)->ping, "???");
}

TEST_F(Engine, RefreshDuringARefreshListsEveryServerAgainFirst)
{
    for (int i = 0; i < 8; ++i)
        AddServer("fav" + std::to_string(i), 150);
    StartFarm();
    for (size_t i = 0; i < farm.GameServerCount(); ++i)
        List(ServerList::Favorites, farm.GameServer(i).Address(),
             {.name = "old name " + std::to_string(i), .map = "old map", .players = "1/8"});
    refresh.RefreshFavorites();
    ASSERT_EQ(favorites.GetItemCount(), 0);
    ASSERT_EQ(inside.pending().size(), 3u);

    // Interrupted: five in flight and three pending come back with their old values, then the
    // new refresh takes all eight again.
    QSignalSpy progress(&refresh, &CRefreshEngine::progressChanged);
    refresh.RefreshFavorites();
    EXPECT_EQ(refresh.progressUpper(), 8);
    EXPECT_EQ(inside.pending().size(), 3u);
    ASSERT_TRUE(WaitForProgressEnd());
    EXPECT_EQ(favorites.GetItemCount(), 8);
    for (const std::string& name : Column(favorites, 0))
        EXPECT_EQ(name.rfind("fav", 0), 0u) << name;
}

TEST_F(Engine, UpdateDuringAFavoritesRefreshListsTheFavoritesAgain)
{
    for (int i = 0; i < 7; ++i)
        AddServer("fav" + std::to_string(i), 300);
    AddMaster(sim::SimMasterFlavour::Steam).SetBehaviour({.silent = true});
    StartFarm();
    for (size_t i = 0; i < farm.GameServerCount(); ++i)
        List(ServerList::Favorites, farm.GameServer(i).Address(), {.name = "kept " + std::to_string(i)});
    refresh.RefreshFavorites();
    ASSERT_EQ(favorites.GetItemCount(), 0);
    app.settings.masterServer = farm.Master(0).Address();
    refresh.RequestMasterList();
    ASSERT_EQ(favorites.GetItemCount(), 7);
    EXPECT_EQ(store.favoriteList().size(), 7u);
    // The five in flight had a send time only: they show "???" as their ping.
    const auto pings = Column(favorites, 2);
    EXPECT_EQ(std::count(pings.begin(), pings.end(), "???"), 5);
    EXPECT_EQ(servers.GetItemText(0, 0), "Requesting Servers list to Steam");
}

TEST_F(Engine, RefreshWhileTheMasterHostIsLookedUpCancelsTheUpdate)
{
    for (int i = 0; i < 3; ++i)
        AddServer("fav" + std::to_string(i), 150);
    sim::SimMaster& master = AddMaster(sim::SimMasterFlavour::Steam);
    StartFarm();
    app.settings.masterServer = "localhost:" + std::to_string(master.Port());
    for (size_t i = 0; i < farm.GameServerCount(); ++i)
        List(ServerList::Favorites, farm.GameServer(i).Address());
    // Long enough for a lookup started before it to have answered, and for a ping phase that
    // answer would start to have ended.
    auto lookupHasAnswered = [] {
        bool answered = false;
        QObject context;
        QHostInfo::lookupHost("localhost", &context, [&](const QHostInfo&) { answered = true; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return answered; }, 5000));
        QTest::qWait(400);
    };

    // The host name is looked up in the background; each Refresh comes before its answer.
    refresh.RequestMasterList();
    refresh.RefreshFavorites();
    ASSERT_TRUE(WaitForProgressEnd());
    lookupHasAnswered();
    EXPECT_EQ(favorites.GetItemCount(), 3);
    EXPECT_EQ(store.favoriteList().size(), 3u);
    EXPECT_EQ(servers.GetItemCount(), 0);
    EXPECT_TRUE(master.Record().requests.empty());

    refresh.RequestMasterList();
    refresh.RefreshServers();
    lookupHasAnswered();
    EXPECT_EQ(servers.GetItemCount(), 0) << servers.GetItemTextStd(0, 0);
    EXPECT_EQ(inside.pingPhase().socketCount(), 0);
    EXPECT_EQ(favorites.GetItemCount(), 3);
    EXPECT_TRUE(master.Record().requests.empty());

    // A newer Update replaces an older one: one request goes out.
    refresh.RequestMasterList();
    refresh.RequestMasterList();
    lookupHasAnswered();
    EXPECT_EQ(master.Record().requests.size(), 1u);
}

// Never-answering servers of a master list: ports below the system's ephemeral range, where no
// test's socket is, so every ping goes unanswered.
constexpr int kSilentPorts = 10000;

TEST_F(Engine, MasterSendingPagesWithoutEndKeepsPingSocketsUnderTheCapAndThePhaseEnds)
{
    app.settings.timeout = 0.4f;
    sim::SimGameServer& real = AddServer("real", 100);
    StartFarm();
    PageMaster master;
    app.settings.masterServer = master.Address();
    // One page over and over: 680 servers that never answer, then a real one. It is pinged
    // only when sockets have come free, and still gets its whole time-out from then on.
    std::vector<int> ports;
    for (int i = 0; i < kMaxMasterEntries - 1; ++i)
        ports.push_back(kSilentPorts + i);
    ports.push_back(real.Port());
    const QByteArray page = PageMaster::Page(ports);
    ASSERT_EQ(page.size(), 4092);

    int pagesSent = 0, mostOpen = 0;
    QTimer flood;
    QObject::connect(&flood, &QTimer::timeout, [&] {
        master.Send(page);
        ++pagesSent;
    });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        mostOpen = std::max(mostOpen, inside.pingPhase().socketCount());
        if (mostOpen > CPingPhase::kMaxSockets)
            flood.stop(); // failed already; spare the machine's file handles
    });
    watch.start(1);
    refresh.RequestMasterList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return master.Asked(); }, 3000));
    flood.start(20);

    // The phase ends although pages keep coming, and the refresh after it lists the server
    // that answered, once.
    ASSERT_TRUE(WaitForProgressEnd(20000));
    EXPECT_GT(pagesSent, CRefreshEngine::kMaxMasterPages);
    EXPECT_EQ(mostOpen, CPingPhase::kMaxSockets);
    EXPECT_EQ(inside.pingPhase().socketCount(), 0);
    EXPECT_FALSE(inside.pingPhase().timerActive());
    ASSERT_EQ(servers.GetItemCount(), 1);
    EXPECT_EQ(servers.GetItemText(0, 0), "real");
    // Pages coming after the end start nothing.
    QTest::qWait(200);
    EXPECT_EQ(servers.GetItemCount(), 1);
    EXPECT_EQ(inside.pingPhase().socketCount(), 0);
    flood.stop();
}

TEST_F(Engine, OneUpdateTakesAtMostSoManyAddressesFromAMaster)
{
    app.settings.timeout = 0.001f;
    PageMaster master;
    app.settings.masterServer = master.Address();
    // Pages of addresses never seen before, more of them than one Update takes.
    int pagesSent = 0, mostTaken = 0, mostOpen = 0;
    QTimer flood;
    QObject::connect(&flood, &QTimer::timeout, [&] {
        std::vector<int> ports;
        for (int i = 0; i < kMaxMasterEntries; ++i)
            ports.push_back(kSilentPorts + (pagesSent % 13) * kMaxMasterEntries + i);
        master.Send(PageMaster::Page(ports));
        ++pagesSent;
    });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        mostTaken = std::max(mostTaken, inside.pingPhase().addressCount());
        mostOpen = std::max(mostOpen, inside.pingPhase().socketCount());
    });
    watch.start(1);
    refresh.RequestMasterList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return master.Asked(); }, 3000));
    flood.start(20);
    ASSERT_TRUE(QTest::qWaitFor([&] { return inside.pingPhase().addressCount() > 0; }, 3000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return !inside.pingPhase().timerActive() && inside.pingPhase().socketCount() == 0 &&
                   inside.resortTimerActive();
        },
        20000));
    flood.stop();
    EXPECT_GT(pagesSent, 13);
    EXPECT_EQ(mostTaken, CPingPhase::kMaxAddresses);
    EXPECT_LE(mostOpen, CPingPhase::kMaxSockets);
    ASSERT_EQ(servers.GetItemCount(), 1); // none answered: only the row that says so
    EXPECT_EQ(servers.GetItemText(0, 0), CRefreshEngine::kNoServerText);
}

TEST_F(Engine, MasterDatagramWithoutTheListHeaderIsNoList)
{
    sim::SimGameServer& real = AddServer("real");
    StartFarm();
    PageMaster master;
    app.settings.masterServer = master.Address();
    refresh.RequestMasterList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return master.Asked(); }, 3000));
    for (const char* header : {"\xFF\xFF\xFF\xFF\x67\x0A", "\xFE\xFF\xFF\xFF\x66\x0A", "\x31\xFF\xFF\xFF\x66\x0A"})
        master.Send(PageMaster::Page({real.Port()}, QByteArray(header, 6)));
    QTest::qWait(200);
    EXPECT_EQ(servers.GetItemText(0, 0), "Requesting Servers list to Steam");
    EXPECT_EQ(inside.pingPhase().socketCount(), 0);
    EXPECT_EQ(real.Record().requestCounts["ping"], 0);

    master.Send(PageMaster::Page({real.Port()}));
    ASSERT_TRUE(WaitForProgressEnd());
    ASSERT_EQ(servers.GetItemCount(), 1);
    EXPECT_EQ(servers.GetItemText(0, 0), "real");
}

TEST_F(Engine, OnlyTheAnswerToPingEndsAPing)
{
    // Junk first, then the answer; and a server that sends nothing but junk.
    const QByteArray junk[] = {QByteArray("hello"), QByteArray("\xFF\xFF\xFF\xFFlnot a ping\0\0", 17), QByteArray()};
    ReplyingPeer late([&](const QByteArray& request) {
        QList<QByteArray> replies(std::begin(junk), std::end(junk));
        if (Asks(request, "ping"))
            replies << QByteArray("\xFF\xFF\xFF\xFFj\0", 6);
        else if (Asks(request, "infostring"))
            replies = {InfoReplyBytes("late but there")};
        return replies;
    });
    ReplyingPeer chatty([&](const QByteArray&) { return QList<QByteArray>(std::begin(junk), std::end(junk)); });
    sim::MasterConfig m;
    for (const ReplyingPeer* peer : {&late, &chatty})
        m.entries.push_back({.host = "127.0.0.1", .port = static_cast<uint16_t>(GetPort(peer->Address()))});
    sim::SimMaster& master = farm.AddMaster(m);
    StartFarm();
    app.settings.masterServer = master.Address();
    refresh.RequestMasterList();
    ASSERT_TRUE(WaitForProgressEnd());
    ASSERT_EQ(servers.GetItemCount(), 1);
    EXPECT_EQ(servers.GetItemText(0, 0), "late but there");
    EXPECT_EQ(servers.GetItemTextStd(0, 4), late.Address());
}

TEST_F(Engine, UnknownMasterHostShowsNothingAndSendsNothing)
{
    QSignalSpy done(&refresh, &CRefreshEngine::masterRequestSent);
    app.settings.masterServer = "no-such-master.invalid";
    List(ServerList::Servers, "1.2.3.4:27015", {.name = "old"});
    refresh.RequestMasterList();
    ASSERT_TRUE(done.wait(10000));
    EXPECT_EQ(servers.GetItemCount(), 0);
}

TEST_F(Engine, TimeOutsStayWithinAMillisecondAndAMinuteWhateverTheSetting)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<std::pair<float, int>> cases = {{0.2f, 200},   {2.5f, 2500}, {0.0f, 1},   {-1.0f, 1},  {1e-6f, 1},
                                                      {1e7f, 60000}, {nan, 1000},  {inf, 1000}, {-inf, 1000}};
    for (const auto& [seconds, ms] : cases) {
        app.settings.timeout = seconds;
        EXPECT_EQ(inside.TimeoutMs(), ms) << seconds;
    }
    // The setting keeps what the user typed.
    EXPECT_TRUE(std::isinf(app.settings.timeout));

    sim::SimGameServer& quiet = AddServer("quiet");
    quiet.SetBehaviour({.silent = true});
    AddMaster(sim::SimMasterFlavour::Steam);
    StartFarm();
    app.settings.timeout = nan;
    List(ServerList::Favorites, quiet.Address(), {.name = "quiet"});
    refresh.RefreshFavorites();
    EXPECT_EQ(inside.querySocket(0)->timeoutTimer.interval(), 1000);
    EXPECT_EQ(inside.resortIntervalMs(), 333);

    // A time-out below zero still ends every query, and the list is not re-sorted every
    // millisecond meanwhile.
    app.settings.timeout = -1.0f;
    refresh.RefreshFavorites();
    EXPECT_EQ(inside.resortIntervalMs(), CRefreshEngine::kMinResortMs);
    ASSERT_TRUE(WaitForProgressEnd());
    ASSERT_EQ(favorites.GetItemCount(), 1);
    EXPECT_EQ(favorites.GetItemText(0, 2), "???");

    // ... and so does the ping phase of an Update.
    app.settings.masterServer = farm.Master(0).Address();
    refresh.RequestMasterList();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const bool statusShown = servers.GetItemCount() > 0 && servers.GetItemTextStd(0, 4).empty() &&
                                     servers.GetItemText(0, 0) != CRefreshEngine::kNoServerText;
            return farm.Master(0).Record().requests.size() == 1 && !statusShown && !inside.pingPhase().timerActive();
        },
        5000))
        << servers.GetItemTextStd(0, 0);
}

TEST_F(Engine, EmptyMasterServerSettingAsksTheDefaultMasterOfTheChosenKind)
{
    // What the Update asks is checked here, not on the wire: the default masters are not on
    // this machine.
    app.settings.masterServer = "";
    app.settings.wonMaster = false;
    EXPECT_EQ(MasterServerText(app.settings), AppSettings::kDefaultMasterServer);
    app.settings.wonMaster = true;
    EXPECT_EQ(MasterServerText(app.settings), AppSettings::kDefaultWonMaster);
    app.settings.masterServer = "10.1.2.3:27011";
    EXPECT_EQ(MasterServerText(app.settings), "10.1.2.3:27011");
    EXPECT_EQ(app.settings.masterServer, "10.1.2.3:27011");
}

TEST(ResolveThread, NamesBecomeDottedAddressesAndAddressesNeedNoLookup)
{
    QObject window;
    EXPECT_EQ(CResolveThread::StartIfNeeded("10.1.2.3:27011", &window, [](const QString&) {}), nullptr);

    QString answer;
    ASSERT_TRUE(CResolveThread::StartIfNeeded("localhost", &window, [&](const QString& a) { answer = a; }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !answer.isEmpty(); }, 5000));
    EXPECT_EQ(answer, "127.0.0.1");

    bool said = false;
    QPointer<CResolveThread> failing =
        CResolveThread::StartIfNeeded("no-such-master.invalid", &window, [&](const QString&) { said = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return failing.isNull(); }, 10000)) << "the thread ends and goes";
    EXPECT_FALSE(said);
}

TEST_F(Engine, RelayedServersKeepTheirRowsAndAreNeverAsked)
{
    sim::SimGameServer& real = AddServer("real");
    StartFarm();
    const std::string relayed = "169.254.3.4:27015";
    List(ServerList::Servers, relayed, {.name = "Relayed", .map = "m", .ping = "???", .players = "1/8"});
    List(ServerList::Servers, real.Address());
    refresh.RefreshServers();
    ASSERT_TRUE(WaitForProgressEnd());
    EXPECT_EQ(refresh.progressUpper(), 1); // the relayed one is not queued at all
    EXPECT_EQ(Rows(&servers), (std::vector<std::string>{"real | map_real | " + store.FindRecord(real.Address())->ping +
                                                            " | 2/16 | " + real.Address(),
                                                        "Relayed | m | ??? | 1/8 | " + relayed}));
    // Its details are empty at once, without a wait, and no slot watch starts on it.
    QSignalSpy waiting(&engine.details(), &CDetailQuery::detailsRequested);
    QSignalSpy players(&engine.details(), &CDetailQuery::playersReceived);
    engine.details().QuerySelected(relayed);
    EXPECT_EQ(waiting.count(), 0);
    EXPECT_EQ(players.count(), 1);
    engine.slotWatch().Start(relayed);
    EXPECT_FALSE(engine.slotWatch().active());
}
