// SPDX-License-Identifier: GPL-3.0-or-later
// "Update" end to end against a simulated master listing 681 servers (all answering, 20 ms
// simulated latency, 1.0 s time-out): wall time from the request to 100 %, the longest stall of
// the window thread's event loop meanwhile, and peak memory. BM_FullUpdate is the classic farm
// five at a time; BM_FullUpdateA2s a farm of today's servers, each behind a challenge, at 5 and
// at 32 queries at once, with its ratio to its own floor. BM_FullUpdateWebApi is the same farm of
// today's servers listed by the Steam Web API (its answer handed over at once, as a service on
// this machine gives it) at 32 and 64 at once; BM_Qstat is qstat's Steam-master query of that
// farm at 64 at once, its peer; BM_FullUpdateQuick the classic farm five at a time, each server
// queried as soon as its ping answers.
#include "browser/server_browser_dlg.h"
#include "gamefiles/settings_loader.h"
#include "platform/platform.h"
#include "query/model/web_api.h"
#include "query/query_engine.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"
#include "sim_farm.h"
#include "ui/control_id.h"
#include "ui/page_context.h"
#include "ui/sort_list_ctrl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <sys/resource.h>

namespace {

constexpr int kServers = 681;
constexpr int kLatencyMs = 20;

enum class Source { Master, WebApi };

void MakeFarm(sim::SimFarm& farm, bool today)
{
    for (int i = 0; i < kServers; ++i) {
        sim::GameServerConfig c;
        c.hostname = "Bench server " + std::to_string(i);
        c.players = {{"one", 1, 10.0f}};
        c.behaviour.delayMs = kLatencyMs;
        c.answersClassic = !today;
        c.answersA2s = today;
        c.a2sChallenge = today;
        farm.AddGameServer(c);
    }
    sim::MasterConfig m;
    m.listAllGameServers = true;
    farm.AddMaster(m);
}

// The farm of 681 servers and its master, running in a thread of its own; false (the benchmark
// skipped) when it cannot start.
bool StartFarm(benchmark::State& state, sim::SimFarm& farm, bool today)
{
    platform::RaiseOpenFileLimit();
    MakeFarm(farm, today);
    std::string error;
    if (farm.StartInOwnThread(&error))
        return true;
    state.SkipWithError(error.c_str());
    return false;
}

void RunFullUpdate(benchmark::State& state, bool today, int atOnce, Source source = Source::Master,
                   bool queryOnPing = false)
{
    sim::SimFarm farm;
    if (!StartFarm(state, farm, today))
        return;

    AppSettings settings;
    settings.timeout = 1.0f;
    settings.modFolder = "znk";
    settings.masterServer = farm.Master(0).Address();
    settings.options.queriesAtOnce = atOnce;
    settings.options.queryOnPing = queryOnPing;
    ServerStore store;
    CQueryEngine engine(settings, store);
    // The browser page shows what the engine tells, as in the program.
    CSettingsLoader loader(settings);
    const PageContext context{settings, store, engine, loader, {}, {}};
    CServerBrowserDlg page(context);
    const CSrvListCtrl& servers = *FindControl<CSrvListCtrl>(&page, CServerBrowserDlg::IdServers);
    WebApiList webList{.status = WebApiListStatus::Ok};
    for (int i = 0; i < kServers; ++i)
        webList.servers.push_back({.addr = farm.GameServer(i).Address(), .name = "Listed " + std::to_string(i)});
    if (source == Source::WebApi) {
        settings.masterServer = AppSettings::kSteamDefaultMaster;
        QObject::connect(&engine.refresh(), &CRefreshEngine::webApiListWanted, &page,
                         [&] { engine.refresh().TakeWebApiAnswer(WebApiOutcome::Ok, webList); });
    }

    double worstStallMs = 0;
    double totalSeconds = 0;
    int runs = 0;
    for (auto _ : state) {
        // A 1 ms ticker on the window thread: the longest gap between ticks is the longest stall.
        QElapsedTimer sinceTick;
        double stall = 0;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            stall = std::max(stall, sinceTick.nsecsElapsed() / 1e6);
            sinceTick.restart();
        });
        QElapsedTimer wall;
        wall.start();
        sinceTick.start();
        ticker.start(1);
        // A plain event loop, as the window runs: QTest's waiting helpers sleep between turns.
        QEventLoop loop;
        bool done = false;
        auto finished = QObject::connect(&engine.refresh(), &CRefreshEngine::progressChanged, [&](int pos, int upper) {
            if (upper > 0 && pos == upper) {
                done = true;
                loop.quit();
            }
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        engine.refresh().RequestMasterList();
        loop.exec();
        QObject::disconnect(finished);
        const double seconds = wall.nsecsElapsed() / 1e9;
        ticker.stop();
        int timed = 0;
        for (const ServerRecord* record : store.serverList())
            timed += record->ping != "???";
        if (!done || servers.GetItemCount() != kServers || timed != kServers) {
            state.SkipWithError("the update did not list every server with its ping");
            break;
        }
        state.SetIterationTime(seconds);
        totalSeconds += seconds;
        ++runs;
        worstStallMs = std::max(worstStallMs, stall);
    }
    // The protocol's own floor: the ping phase lasts one time-out, then the servers are queried
    // so many at a time, one latency per round (two behind a challenge: the challenge, then the
    // answer).
    // Queried as the pings answer, the rounds overlap the phase: the longer of the two, after the
    // first ping's round trip. The Web API's list needs no ping phase.
    const double rounds = std::ceil(kServers / static_cast<double>(atOnce));
    const double queriesSeconds = rounds * (today ? 2 : 1) * kLatencyMs / 1000.0;
    const double floorSeconds = source == Source::WebApi ? queriesSeconds
                                : queryOnPing            ? kLatencyMs / 1000.0 + std::max(1.0, queriesSeconds)
                                                         : 1.0 + queriesSeconds;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["floor_s"] = floorSeconds;
    if (runs > 0)
        state.counters["to_floor"] = totalSeconds / runs / floorSeconds;
    state.counters["longest_stall_ms"] = worstStallMs;
    state.counters["peak_rss_MiB"] = usage.ru_maxrss / 1024.0;
    state.counters["listed"] = servers.GetItemCount();
    state.counters["queries_at_once"] = atOnce;
}

void BM_FullUpdate(benchmark::State& state)
{
    RunFullUpdate(state, false, ToolOptions::kDefaultQueriesAtOnce);
}
BENCHMARK(BM_FullUpdate)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_FullUpdateA2s(benchmark::State& state)
{
    RunFullUpdate(state, true, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_FullUpdateA2s)->Arg(5)->Arg(32)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_FullUpdateWebApi(benchmark::State& state)
{
    RunFullUpdate(state, true, static_cast<int>(state.range(0)), Source::WebApi);
}
BENCHMARK(BM_FullUpdateWebApi)->Arg(32)->Arg(64)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// qstat asks the same farm's master and every server it lists, 64 at once, no pause between
// sends: the time until it has printed them all.
void BM_Qstat(benchmark::State& state)
{
    const QString quakestat = QStandardPaths::findExecutable("quakestat");
    if (quakestat.isEmpty()) {
        state.SkipWithError("quakestat is not installed (Debian package qstat)");
        return;
    }
    sim::SimFarm farm;
    if (!StartFarm(state, farm, true))
        return;
    int up = 0;
    for (auto _ : state) {
        QElapsedTimer wall;
        wall.start();
        QProcess process;
        process.start(quakestat, {"-stma2s,game=znk", QString::fromStdString(farm.Master(0).Address()), "-maxsim", "64",
                                  "-sendinterval", "0", "-raw", "\t"});
        process.waitForFinished(60000);
        state.SetIterationTime(wall.nsecsElapsed() / 1e9);
        up = 0;
        for (const QByteArray& line : process.readAllStandardOutput().split('\n'))
            up += !line.isEmpty() && !line.contains("TIMEOUT") && !line.contains("DOWN");
    }
    state.counters["listed"] = up;
}
BENCHMARK(BM_Qstat)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_FullUpdateQuick(benchmark::State& state)
{
    RunFullUpdate(state, false, ToolOptions::kDefaultQueriesAtOnce, Source::Master, true);
}
BENCHMARK(BM_FullUpdateQuick)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qt(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
