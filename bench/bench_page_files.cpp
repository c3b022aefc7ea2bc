// SPDX-License-Identifier: GPL-3.0-or-later
// The pages over game files far larger than usual: one keystroke in a chat-percent field over a
// bot.cfg of 100,000 lines, "Add All" with 10,000 maps, and moving a map-cycle entry of 1 MB up
// and down (what one click or key costs the window thread); and the settings loader filling the
// settings window from a config.cfg of 100 MB, with the longest stall of the window's event loop.

#include "bots/bot_editor_dlg.h"
#include "gameconfig/settings_dlg.h"
#include "gamefiles/settings_loader.h"
#include "query/query_engine.h"
#include "server/create_server_dlg.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"
#include "ui/control_id.h"
#include "ui/page_context.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kBotLines = 100000;
constexpr int kMaps = 10000;

void Write(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// A game with its mod folder in a temporary folder, and the pages' context over it.
struct Game {
    fs::path folder = fs::temp_directory_path() / ("znk-bench-pages-" + std::to_string(::getpid()));
    AppSettings settings;
    ServerStore store;
    CQueryEngine engine{settings, store};
    CSettingsLoader loader{settings};
    PageContext context{settings, store, engine, loader, {}, {}};

    Game()
    {
        fs::create_directories(folder / "game" / "znk" / "maps");
        settings.SetGamePath((folder / "game" / kClientExeName).string());
        settings.modFolder = "znk";
    }
    ~Game()
    {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    fs::path Mod(const std::string& name) const { return folder / "game" / "znk" / name; }
    void Load()
    {
        loader.Start();
        loader.WaitUntilIdle(600000);
    }
};

void BM_BotChatKeystroke(benchmark::State& state)
{
    Game game;
    std::string script;
    for (int i = 0; i < kBotLines; ++i)
        script += "addbot \"1\" \"" + std::to_string(i % 9 + 1) + "\" \"Bot " + std::to_string(i) + "\" \"3\"\r\n";
    Write(game.Mod("bot.cfg"), script + "bot_chat_percent \"10\"\r\n");
    CBotEditorDlg page(game.context, BotHelpWindows{});
    page.show();
    game.Load();
    QLineEdit* chat = FindControl<QLineEdit>(&page, CBotEditorDlg::IdChatPercent);
    int i = 0;
    for (auto _ : state)
        chat->setText(QString::number(10 + (++i % 50)));
}
BENCHMARK(BM_BotChatKeystroke)->Unit(benchmark::kMillisecond);

void BM_MapCycleAddAll(benchmark::State& state)
{
    Game game;
    for (int i = 0; i < kMaps; ++i)
        Write(game.Mod("maps/map" + std::to_string(i) + ".bsp"), "x");
    Write(game.Mod("mapcycle.txt"), "");
    CCreateServerDlg page(game.context);
    page.show();
    game.Load();
    for (auto _ : state) {
        FindControl<QPushButton>(&page, CCreateServerDlg::IdAddAllMaps)->click();
        state.PauseTiming();
        FindControl<QPushButton>(&page, CCreateServerDlg::IdClear)->click();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MapCycleAddAll)->Unit(benchmark::kMillisecond);

void BM_MapCycleMoveALongEntry(benchmark::State& state)
{
    Game game;
    std::string cycle = std::string(1 << 20, 'm') + "\r\n";
    for (int i = 0; i < 100; ++i)
        cycle += "map" + std::to_string(i) + "\r\n";
    Write(game.Mod("mapcycle.txt"), cycle);
    CCreateServerDlg page(game.context);
    page.show();
    game.Load();
    for (auto _ : state) {
        FindControl<QListWidget>(&page, CCreateServerDlg::IdMapCycle)->setCurrentRow(0);
        FindControl<QPushButton>(&page, CCreateServerDlg::IdDown)->click();
        FindControl<QPushButton>(&page, CCreateServerDlg::IdUp)->click();
    }
    state.SetLabel("two moves");
}
BENCHMARK(BM_MapCycleMoveALongEntry)->Unit(benchmark::kMillisecond);

void BM_SettingsLoadOfALargeConfig(benchmark::State& state)
{
    Game game;
    std::string config;
    for (int i = 0; i < 1000000; ++i)
        config += "// line " + std::to_string(i) + " of a config.cfg grown far beyond its usual size ........\r\n";
    config += "name \"Player\"\r\nfps_max \"100\"\r\nnet_graph \"0\"\r\nsensitivity \"3\"\r\nMP3Volume \"1\"\r\n"
              "mp_decals \"300\"\r\ncl_fxquality \"3\"\r\ncl_beamquality \"0\"";
    Write(game.Mod("config.cfg"), config);
    Write(game.Mod("liblist.gam"), "gamedll \"dlls\\hl.dll\"");
    CSettingsDlg window(game.context);
    game.Load(); // the first run, as at start-up
    double stall = 0;
    for (auto _ : state) {
        QElapsedTimer sinceTick;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            stall = std::max(stall, sinceTick.nsecsElapsed() / 1e6);
            sinceTick.restart();
        });
        sinceTick.start();
        ticker.start(1);
        game.Load();
    }
    state.counters["longest_stall_ms"] = stall;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * config.size()));
}
BENCHMARK(BM_SettingsLoadOfALargeConfig)->Iterations(2)->Unit(benchmark::kMillisecond);

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
