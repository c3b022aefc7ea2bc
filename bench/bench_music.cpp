// SPDX-License-Identifier: GPL-3.0-or-later
// Measuring MP3 files and loading the playlist: 200 generated files of about 4 MB each measured
// quickly and accurately, side by side with two floors on the same files — the bare library
// (mpg123_open + mpg123_scan + mpg123_length, nothing else) and simply reading the bytes from the
// page cache — and a playlist of 1,000 entries loaded through the Playlist Editor's loader while
// a 1 ms ticker on the window thread records the longest stall of the event loop. Then the work the
// window thread does for one file ("Add", "Get Mp3 Tag") on the files that once held it up for
// seconds.

#include "gamefiles/settings_loader.h"
#include "music/audio/audio_library.h"
#include "music/audio/mp3_measure.h"
#include "music/audio/mp3_tags.h"
#include "music/playlist_editor_dlg.h"
#include "music/playlist_list_ctrl.h"
#include "query/query_engine.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"
#include "ui/control_id.h"
#include "ui/page_context.h"

#include "mp3_writer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <mpg123.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 200;
constexpr int kPlaylistEntries = 1000;

// Half constant 128 kbit/s behind an ID3v2 tag, half varying rates behind a Xing header; about
// 4 MB each. Written once per run into a temporary folder, removed at exit.
struct Library {
    fs::path folder;
    std::vector<std::string> files;
    uintmax_t bytes = 0;

    Library()
    {
        folder = fs::temp_directory_path() / ("znk-bench-music-" + std::to_string(::getpid()));
        fs::create_directories(folder / "game" / "znk" / "mp3");
        mp3w::StreamSpec cbr;
        cbr.bitrates = mp3w::ConstantRate(128, 9600);
        const std::string constant = mp3w::Id3v2Tag({{"TIT2", "Benchmark", true}}) + mp3w::AudioFrames(cbr);
        mp3w::StreamSpec vbr;
        vbr.bitrates = mp3w::CyclingRates({128, 64, 96, 160, 48}, 12400);
        vbr.xingHeader = true;
        const std::string varying = mp3w::AudioFrames(vbr);
        for (int i = 0; i < kFiles; ++i) {
            const std::string path = (folder / ("track" + std::to_string(i) + ".mp3")).string();
            mp3w::WriteBytes(path, i % 2 ? varying : constant);
            files.push_back(path);
            bytes += fs::file_size(path);
        }
        std::string playlist;
        for (int i = 0; i < kPlaylistEntries; ++i)
            playlist += files[i % kFiles] + "\r\n";
        mp3w::WriteBytes((folder / "game" / "znk" / "mp3" / "playlist.txt").string(), playlist);
    }
    ~Library()
    {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
};

Library& Files()
{
    static Library library;
    return library;
}

void PerFile(benchmark::State& state)
{
    state.counters["per_file"] = benchmark::Counter(static_cast<double>(state.iterations()) * kFiles,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Files().bytes));
}

// Floor 1: the bytes themselves, from the page cache (every benchmark reads the same files).
void BM_ReadFromPageCache(benchmark::State& state)
{
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        size_t total = 0;
        for (const std::string& path : Files().files) {
            FILE* f = std::fopen(path.c_str(), "rb");
            if (!f)
                continue;
            for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), f)) > 0;)
                total += n;
            std::fclose(f);
        }
        benchmark::DoNotOptimize(total);
    }
    PerFile(state);
}
BENCHMARK(BM_ReadFromPageCache)->Unit(benchmark::kMillisecond);

// Floor 2: the bare library, nothing else.
void BM_BareLibraryScan(benchmark::State& state)
{
    mpg123_init();
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    for (auto _ : state) {
        int64_t total = 0;
        for (const std::string& path : Files().files) {
            mpg123_open(handle, path.c_str());
            mpg123_scan(handle);
            total += mpg123_length(handle);
            mpg123_close(handle);
        }
        benchmark::DoNotOptimize(total);
    }
    mpg123_delete(handle);
    PerFile(state);
}
BENCHMARK(BM_BareLibraryScan)->Unit(benchmark::kMillisecond);

void BM_MeasureStream(benchmark::State& state)
{
    const bool accurate = state.range(0) != 0;
    AudioLibrary audio;
    for (auto _ : state) {
        size_t measured = 0;
        for (const std::string& path : Files().files)
            measured += MeasureStream(audio, path, accurate).length != kUnknownText;
        if (measured != Files().files.size())
            state.SkipWithError("a file was not measured");
    }
    state.SetLabel(accurate ? "accurate" : "quick");
    PerFile(state);
}
BENCHMARK(BM_MeasureStream)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The Playlist Editor loading 1,000 entries on its thread, quick (default) or accurate
// ("Detect VBR"), while the window's event loop runs as in the program.
void BM_PlaylistLoad(benchmark::State& state)
{
    AppSettings settings;
    settings.SetGamePath((Files().folder / "game" / kClientExeName).string());
    settings.modFolder = "znk";
    settings.detectVbr = state.range(0) != 0;
    ServerStore store;
    CQueryEngine engine(settings, store);
    CSettingsLoader loader(settings);
    AudioLibrary audio({"dummy", ""});
    const PageContext context{settings, store, engine, loader, {}, {}, &audio};
    CPlaylistEditorDlg page(context);
    page.show();
    page.WaitUntilLoaded(600000);

    double worstStallMs = 0;
    for (auto _ : state) {
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
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!page.loading())
                loop.quit();
        });
        page.ReloadPlaylist();
        poll.start(5);
        loop.exec();
        const double seconds = wall.nsecsElapsed() / 1e9;
        ticker.stop();
        if (FindControl<CPlayListCtrl>(&page, CPlaylistEditorDlg::IdPlaylist)->GetItemCount() != kPlaylistEntries) {
            state.SkipWithError("the load did not list every entry");
            break;
        }
        state.SetIterationTime(seconds);
        worstStallMs = std::max(worstStallMs, stall);
    }
    state.SetLabel(settings.detectVbr ? "accurate" : "quick");
    state.counters["longest_stall_ms"] = worstStallMs;
    state.counters["per_entry"] = benchmark::Counter(static_cast<double>(state.iterations()) * kPlaylistEntries,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PlaylistLoad)->Arg(0)->Arg(1)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

// One file the window thread works on at a time, the ones that once took seconds: a tag of 40,000
// user text frames, each of its own description (749 KB), before a minute of 128 kbit/s, and 1 MB
// of zero bytes before it.
std::string AwkwardFile(int kind)
{
    const std::string path = (Files().folder / ("awkward" + std::to_string(kind) + ".mp3")).string();
    if (fs::exists(path))
        return path;
    std::string before(1 << 20, '\0');
    if (kind == 0) {
        std::vector<mp3w::TagFrame> frames;
        for (int i = 0; i < 40000; ++i)
            frames.push_back({"TXXX", "d" + std::to_string(i) + '\0' + "v"});
        before = mp3w::Id3v2Tag(frames);
    }
    mp3w::StreamSpec spec;
    spec.bitrates = mp3w::ConstantRate(128, 2300);
    mp3w::WriteBytes(path, before + mp3w::AudioFrames(spec));
    return path;
}

// "Add" measures quickly; "Get Mp3 Tag" reads the tags and measures accurately and quickly.
void BM_WindowThreadPerFile(benchmark::State& state)
{
    const std::string path = AwkwardFile(static_cast<int>(state.range(0)));
    const bool viewer = state.range(1) != 0;
    AudioLibrary audio({"dummy", ""});
    for (auto _ : state) {
        if (viewer) {
            benchmark::DoNotOptimize(ReadMp3Tags(path));
            benchmark::DoNotOptimize(DetectVariableBitrate(audio, path));
        } else {
            benchmark::DoNotOptimize(MeasureStream(audio, path, false));
        }
    }
    state.SetLabel(std::string(state.range(0) ? "1 MB of zeros" : "40,000 tag frames") +
                   (viewer ? ", Get Mp3 Tag" : ", Add"));
}
BENCHMARK(BM_WindowThreadPerFile)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qt(argc, argv);
    Files(); // written before any clock runs
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
