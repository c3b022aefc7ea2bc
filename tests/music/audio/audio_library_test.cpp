// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/audio/audio_library.h"
#include "music/audio/mp3_measure.h"

#include "bytes_read.h"
#include "mp3_writer.h"
#include "test_support/work_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace {

constexpr int kChannel = 15;
constexpr int kSamplesPerFrame = 1152;
constexpr int kStereoFrameBytes = 4; // what a played stream sends: 16-bit stereo

std::string WriteFrames(const TempDir& dir, const std::string& name, std::vector<int> rates, bool xing = false)
{
    mp3w::StreamSpec spec;
    spec.bitrates = std::move(rates);
    spec.xingHeader = xing;
    const std::string path = dir.File(name);
    mp3w::WriteBytes(path, mp3w::AudioFrames(spec));
    return path;
}

uintmax_t SizeOf(const std::string& path)
{
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// A library that "plays" into a raw PCM file, so a test can tell what was played.
struct RawOutput {
    TempDir dir;
    std::string file = dir.File("played.raw");
    AudioLibrary audio{AudioOutput{"raw", file}};
    RawOutput() { audio.Init(44100, 32, 0); }
};

} // namespace

TEST(AudioLibrary, LengthsOfTheThreeModes)
{
    TempDir dir;
    AudioLibrary audio;
    // 400 frames, about 99 kbit/s on average, the first at 128.
    const std::string path = WriteFrames(dir, "vbr.mp3", mp3w::CyclingRates({128, 64, 96, 160, 48}, 400));
    const uint32_t exactMs = 400u * kSamplesPerFrame * 1000u / 44100u;

    AudioLibrary::Stream* accurate = audio.StreamOpen(path, AudioLibrary::kModeAccurate);
    ASSERT_NE(accurate, nullptr);
    EXPECT_EQ(audio.StreamGetLengthMs(accurate), exactMs);
    EXPECT_EQ(audio.StreamGetLength(accurate), SizeOf(path));

    // The estimate: the file's size in frames of the first frame's size.
    AudioLibrary::Stream* quick = audio.StreamOpen(path, AudioLibrary::kModeQuick);
    ASSERT_NE(quick, nullptr);
    const double estimatedFrames = double(SizeOf(path)) / mp3w::FrameBytes(mp3w::Mpeg::V1, 128, 44100);
    EXPECT_NEAR(audio.StreamGetLengthMs(quick), estimatedFrames * kSamplesPerFrame * 1000 / 44100, 1.0);
    EXPECT_EQ(audio.StreamGetLength(quick), SizeOf(path));

    AudioLibrary::Stream* play = audio.StreamOpen(path, AudioLibrary::kModePlayback);
    ASSERT_NE(play, nullptr);
    EXPECT_GT(audio.StreamGetLengthMs(play), 0u);

    for (AudioLibrary::Stream* s : {accurate, quick, play})
        EXPECT_TRUE(audio.StreamClose(s));
}

TEST(AudioLibrary, XingHeaderIsIgnoredByTheQuickEstimateOnly)
{
    TempDir dir;
    AudioLibrary audio;
    const std::string path = WriteFrames(dir, "xing.mp3", mp3w::CyclingRates({128, 64, 96, 160, 48}, 400), true);
    AudioLibrary::Stream* accurate = audio.StreamOpen(path, AudioLibrary::kModeAccurate);
    AudioLibrary::Stream* quick = audio.StreamOpen(path, AudioLibrary::kModeQuick);
    ASSERT_TRUE(accurate && quick);
    EXPECT_EQ(audio.StreamGetLengthMs(accurate), 400u * kSamplesPerFrame * 1000u / 44100u);
    EXPECT_LT(audio.StreamGetLengthMs(quick), audio.StreamGetLengthMs(accurate) * 4 / 5);
    audio.Close();
}

TEST(AudioLibrary, ClosedAndNullHandlesAreHarmless)
{
    TempDir dir;
    AudioLibrary audio;
    EXPECT_EQ(audio.StreamOpen(dir.File("missing.mp3"), AudioLibrary::kModeQuick), nullptr);
    WriteText(dir.File("text.mp3"), "no frames here");
    EXPECT_EQ(audio.StreamOpen(dir.File("text.mp3"), AudioLibrary::kModeAccurate), nullptr);

    const std::string path = WriteFrames(dir, "a.mp3", mp3w::ConstantRate(128, 40));
    AudioLibrary::Stream* stream = audio.StreamOpen(path, AudioLibrary::kModeQuick);
    ASSERT_NE(stream, nullptr);
    EXPECT_TRUE(audio.StreamClose(stream));
    for (AudioLibrary::Stream* s : {stream, static_cast<AudioLibrary::Stream*>(nullptr)}) {
        EXPECT_FALSE(audio.StreamClose(s));
        EXPECT_EQ(audio.StreamGetLengthMs(s), 0u);
        EXPECT_EQ(audio.StreamGetLength(s), 0u);
        EXPECT_FALSE(audio.StreamSetLoopCount(s, -1));
        EXPECT_EQ(audio.StreamPlay(kChannel, s), -1);
    }
    // Not initialised: nothing plays, and no channel can be paused.
    AudioLibrary::Stream* again = audio.StreamOpen(path, AudioLibrary::kModePlayback);
    EXPECT_EQ(audio.StreamPlay(kChannel, again), -1);
    EXPECT_FALSE(audio.SetPaused(kChannel, true));
    EXPECT_FALSE(audio.GetPaused(kChannel));
    // Close releases what is still open.
    audio.Close();
    EXPECT_EQ(audio.StreamGetLengthMs(again), 0u);
}

TEST(AudioLibrary, PlaysOnceTheWholeStream)
{
    RawOutput out;
    const std::string path = WriteFrames(out.dir, "short.mp3", mp3w::ConstantRate(128, 12)); // 0.31 s
    AudioLibrary::Stream* stream = out.audio.StreamOpen(path, AudioLibrary::kModePlayback);
    ASSERT_NE(stream, nullptr);
    out.audio.StreamSetLoopCount(stream, 0);
    EXPECT_EQ(out.audio.StreamPlay(kChannel, stream), kChannel);
    EXPECT_FALSE(out.audio.GetPaused(kChannel));
    ASSERT_TRUE(PollUntil([&] { return out.audio.StreamFinished(stream); }, 5000));
    EXPECT_EQ(out.audio.StreamEndsReached(stream), 1);
    EXPECT_EQ(SizeOf(out.file), 12u * kSamplesPerFrame * kStereoFrameBytes);
    // Finished, the stream stays open until it is closed.
    EXPECT_GT(out.audio.StreamGetLengthMs(stream), 0u);
    EXPECT_TRUE(out.audio.StreamClose(stream));
}

TEST(AudioLibrary, LoopCountChangesWhilePlaying)
{
    RawOutput out;
    const std::string path = WriteFrames(out.dir, "loop.mp3", mp3w::ConstantRate(128, 12)); // 0.31 s
    const uintmax_t onePass = 12u * kSamplesPerFrame * kStereoFrameBytes;
    AudioLibrary::Stream* stream = out.audio.StreamOpen(path, AudioLibrary::kModePlayback);
    ASSERT_NE(stream, nullptr);
    out.audio.StreamSetLoopCount(stream, 0);
    out.audio.StreamPlay(kChannel, stream);
    // Repeat for ever, asked while the first pass plays: the stream goes round without a restart.
    EXPECT_TRUE(out.audio.StreamSetLoopCount(stream, -1));
    ASSERT_TRUE(PollUntil([&] { return out.audio.StreamEndsReached(stream) >= 2; }, 5000));
    EXPECT_FALSE(out.audio.StreamFinished(stream));
    // Once again: the pass under way is the last.
    out.audio.StreamSetLoopCount(stream, 0);
    ASSERT_TRUE(PollUntil([&] { return out.audio.StreamFinished(stream); }, 5000));
    const int passes = out.audio.StreamEndsReached(stream);
    EXPECT_GE(passes, 2);
    EXPECT_EQ(SizeOf(out.file), onePass * passes);
    out.audio.Close();
}

TEST(AudioLibrary, PauseHoldsTheOutputAndResumeGoesOn)
{
    RawOutput out;
    const std::string path = WriteFrames(out.dir, "pause.mp3", mp3w::ConstantRate(128, 60)); // 1.57 s
    AudioLibrary::Stream* stream = out.audio.StreamOpen(path, AudioLibrary::kModePlayback);
    ASSERT_NE(stream, nullptr);
    out.audio.StreamPlay(kChannel, stream);
    EXPECT_TRUE(out.audio.SetPaused(kChannel, true));
    EXPECT_TRUE(out.audio.GetPaused(kChannel));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const uintmax_t held = SizeOf(out.file);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(SizeOf(out.file), held);
    EXPECT_LT(held, 60u * kSamplesPerFrame * kStereoFrameBytes);
    EXPECT_FALSE(out.audio.StreamFinished(stream));

    EXPECT_TRUE(out.audio.SetPaused(kChannel, false));
    EXPECT_FALSE(out.audio.GetPaused(kChannel));
    ASSERT_TRUE(PollUntil([&] { return out.audio.StreamFinished(stream); }, 5000));
    EXPECT_EQ(SizeOf(out.file), 60u * kSamplesPerFrame * kStereoFrameBytes);

    // A new play on the channel starts unpaused.
    out.audio.SetPaused(kChannel, true);
    out.audio.StreamPlay(kChannel, stream);
    EXPECT_FALSE(out.audio.GetPaused(kChannel));
    out.audio.Close();
}

TEST(AudioLibrary, AnotherStreamOnTheChannelStopsTheFirst)
{
    RawOutput out;
    const std::string path = WriteFrames(out.dir, "long.mp3", mp3w::ConstantRate(128, 400)); // 10 s
    AudioLibrary::Stream* first = out.audio.StreamOpen(path, AudioLibrary::kModePlayback);
    AudioLibrary::Stream* second = out.audio.StreamOpen(path, AudioLibrary::kModePlayback);
    out.audio.StreamPlay(kChannel, first);
    out.audio.StreamPlay(kChannel, second);
    EXPECT_TRUE(out.audio.StreamFinished(first));
    EXPECT_FALSE(out.audio.StreamFinished(second));
    // Closing a playing stream stops it at once.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(out.audio.StreamClose(second));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(out.audio.SetPaused(kChannel, true)); // nothing left on the channel
    out.audio.Close();
}

TEST(AudioLibrary, NoSoundDeviceFailsQuietly)
{
    TempDir dir;
    const std::string path = WriteFrames(dir, "a.mp3", mp3w::ConstantRate(128, 400));
    // An output that cannot open, and a list whose first module is missing (the silent one after
    // it plays, as a sound device would: the system's own is left alone, its libraries keep
    // caches for the whole process): nothing plays or everything does, nothing hangs, the
    // player's calls still answer.
    for (const AudioOutput& output :
         {AudioOutput{"no-such-output-module", ""}, AudioOutput{"no-such-output-module,dummy", ""}}) {
        AudioLibrary audio(output);
        audio.Init(44100, 32, 0);
        AudioLibrary::Stream* stream = audio.StreamOpen(path, AudioLibrary::kModePlayback);
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(audio.StreamPlay(kChannel, stream), kChannel);
        if (output.drivers == "no-such-output-module") {
            EXPECT_TRUE(PollUntil([&] { return audio.StreamFinished(stream); }, 2000));
            EXPECT_EQ(audio.StreamEndsReached(stream), 0);
        }
        EXPECT_TRUE(audio.SetPaused(kChannel, true));
        EXPECT_TRUE(audio.GetPaused(kChannel));
        EXPECT_TRUE(audio.StreamSetLoopCount(stream, -1));
        const auto start = std::chrono::steady_clock::now();
        audio.Close();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    }
}

TEST(AudioLibrary, MeasuringOnAnotherThreadWhilePlaying)
{
    RawOutput out;
    const std::string path = WriteFrames(out.dir, "both.mp3", mp3w::CyclingRates({128, 64, 96}, 200));
    AudioLibrary::Stream* playing = out.audio.StreamOpen(path, AudioLibrary::kModePlayback);
    out.audio.StreamSetLoopCount(playing, -1);
    out.audio.StreamPlay(kChannel, playing);
    std::atomic<int> agreed{0};
    std::thread measurer([&] {
        for (int i = 0; i < 40; ++i)
            if (MeasureStream(out.audio, path, i % 2 == 0).length == "0:05")
                ++agreed;
    });
    for (int i = 0; i < 40; ++i) {
        out.audio.SetPaused(kChannel, i % 2 == 0);
        out.audio.StreamSetLoopCount(playing, i % 3 == 0 ? 0 : -1);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    measurer.join();
    EXPECT_EQ(agreed, 20); // the accurate ones: 5.2 s; the quick ones are estimates
    out.audio.Close();
}

TEST(AudioLibrary, QuickEstimateLeavesTheTagsOut)
{
    // Four minutes at 128 kbit/s behind cover art: the art is no audio, so the estimate agrees
    // with the count of every frame and the file is not taken for a varying rate.
    TempDir dir;
    AudioLibrary audio;
    const std::string frames = mp3w::AudioFrames({.bitrates = mp3w::ConstantRate(128, 9188)});
    const std::string path = dir.File("song.mp3");
    for (const size_t art : {0, 300000, 1000000}) {
        mp3w::WriteBytes(path, (art ? mp3w::Id3v2Tag({{"APIC", std::string(art, 'x')}}) : "") + frames +
                                   mp3w::Id3v1Tag("Song", "", "", "", "", 0, 0));
        const StreamTexts accurate = MeasureStream(audio, path, true);
        EXPECT_EQ(accurate.length, "4:00") << art;
        EXPECT_EQ(MeasureStream(audio, path, false), accurate) << art;
        EXPECT_EQ(DetectVariableBitrate(audio, path, accurate), "No") << art;
    }
}

#ifdef __linux__
TEST(AudioLibrary, MeasuringLeavesTheTagUnread)
{
    // What the program never shows is never read: the decoder once filed away every frame of a
    // tag, seconds for one of many frames. A quick measurement reads a few frames, an accurate
    // one the audio.
    TempDir dir;
    AudioLibrary audio;
    const std::string frames = mp3w::AudioFrames({.bitrates = mp3w::ConstantRate(128, 400)});
    const std::string path = dir.File("tagged.mp3");
    mp3w::WriteBytes(path, mp3w::Id3v2Tag({{"APIC", std::string(500000, 'x')}}) + frames);
    for (const bool accurate : {false, true}) {
        const uint64_t before = BytesReadSoFar();
        EXPECT_EQ(MeasureStream(audio, path, accurate).length, "0:10");
        EXPECT_LT(BytesReadSoFar() - before, (accurate ? frames.size() : 0) + 65536) << accurate;
    }
}
#endif
