// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/audio/audio_library.h"
#include "music/audio/mp3_measure.h"
#include "music/audio/mp3_tags.h"

#include "bytes_read.h"
#include "mp3_writer.h"
#include "test_support/work_dir.h"

#include <gtest/gtest.h>

namespace {

// A file of the given frames and tags in dir.
std::string Mp3File(const TempDir& dir, const std::string& name, const mp3w::StreamSpec& spec,
                    const std::string& before = {}, const std::string& after = {})
{
    const std::string path = dir.File(name);
    mp3w::WriteBytes(path, before + mp3w::AudioFrames(spec) + after);
    return path;
}

mp3w::StreamSpec Spec(std::vector<int> rates, mp3w::Mpeg version = mp3w::Mpeg::V1, int sampleRate = 44100)
{
    mp3w::StreamSpec spec;
    spec.version = version;
    spec.sampleRate = sampleRate;
    spec.bitrates = std::move(rates);
    return spec;
}

// Rates around 99 kbit/s on average that start at 128: the first frame misleads an estimate.
const std::vector<int> kVaryingRates = {128, 64, 96, 160, 48};

} // namespace

TEST(MeasureStream, ConstantRateFileAgreesInBothModes)
{
    TempDir dir;
    AudioLibrary audio;
    // 400 frames of 417 bytes, 1152 samples each at 44.1 kHz: 10.448 s, 166 800 bytes.
    const std::string path = Mp3File(dir, "cbr.mp3", Spec(mp3w::ConstantRate(128, 400)));
    const StreamTexts accurate = MeasureStream(audio, path, true);
    EXPECT_EQ(accurate, (StreamTexts{"0:10", "128"}));
    EXPECT_EQ(MeasureStream(audio, path, false), accurate);
    EXPECT_EQ(DetectVariableBitrate(audio, path), "No");
}

TEST(MeasureStream, VariableRateFileIsToldWithOrWithoutXingHeader)
{
    TempDir dir;
    AudioLibrary audio;
    mp3w::StreamSpec spec = Spec(mp3w::CyclingRates(kVaryingRates, 400));
    const std::string bare = Mp3File(dir, "vbr.mp3", spec);
    spec.xingHeader = true;
    const std::string xing = Mp3File(dir, "vbr-xing.mp3", spec);
    for (const std::string& path : {bare, xing}) {
        const StreamTexts accurate = MeasureStream(audio, path, true);
        // Every frame counted: 10.448 s of about 99 kbit/s.
        EXPECT_EQ(accurate.length, "0:10") << path;
        EXPECT_EQ(accurate.bitrate, "96") << path;
        // The first frame's 128 kbit/s taken for the whole file.
        EXPECT_EQ(MeasureStream(audio, path, false).bitrate, "128") << path;
        EXPECT_EQ(DetectVariableBitrate(audio, path, accurate), "Yes") << path;
    }
}

TEST(MeasureStream, UnknownWhenTooShortMissingOrNotMpeg)
{
    TempDir dir;
    AudioLibrary audio;
    const std::string shortFile = Mp3File(dir, "short.mp3", Spec(mp3w::ConstantRate(128, 30))); // 0.78 s
    const std::string text = dir.File("notes.mp3");
    WriteText(text, "these are no MPEG frames at all\r\n");
    for (const std::string& path : {shortFile, text, dir.File("missing.mp3")}) {
        EXPECT_EQ(MeasureStream(audio, path, true), (StreamTexts{"???", "???"})) << path;
        EXPECT_EQ(MeasureStream(audio, path, false), (StreamTexts{"???", "???"})) << path;
        EXPECT_EQ(DetectVariableBitrate(audio, path), "No") << path;
    }
}

TEST(MpegVersion, OfGeneratedFiles)
{
    TempDir dir;
    const std::string v1 = Mp3File(dir, "v1.mp3", Spec(mp3w::ConstantRate(128, 40)));
    const std::string v2 = Mp3File(dir, "v2.mp3", Spec(mp3w::ConstantRate(64, 40), mp3w::Mpeg::V2, 22050),
                                   mp3w::Id3v2Tag({{"TIT2", "after a tag"}}));
    const std::string v25 = Mp3File(dir, "v25.mp3", Spec(mp3w::ConstantRate(32, 40), mp3w::Mpeg::V25, 11025));
    EXPECT_EQ(MpegVersionText(ReadMp3Tags(v1).mpegVersion), "MPEG 1.0");
    EXPECT_EQ(MpegVersionText(ReadMp3Tags(v2).mpegVersion), "MPEG 2.0");
    EXPECT_EQ(MpegVersionText(ReadMp3Tags(v25).mpegVersion), "MPEG 2.5");
    EXPECT_FALSE(ReadMp3Tags(dir.File("missing.mp3")).hasMpegHeader);
}

TEST(Mp3Tags, SingleByteFramesAsStored)
{
    TempDir dir;
    const std::string tag = mp3w::Id3v2Tag({{"TALB", "Album"},
                                            {"TIT2", "Title"},
                                            {"TPE1", "Artist"},
                                            {"TYER", "1999"},
                                            {"COMM", "A comment"},
                                            {"TCON", "(17)"},
                                            {"TRCK", "4/12"},
                                            {"TCOM", "not shown"}});
    const Mp3Tags tags = ReadMp3Tags(Mp3File(dir, "tagged.mp3", Spec(mp3w::ConstantRate(128, 40)), tag));
    EXPECT_EQ(tags.album, "Album");
    EXPECT_EQ(tags.title, "Title");
    EXPECT_EQ(tags.artist, "Artist");
    EXPECT_EQ(tags.year, "1999");
    EXPECT_EQ(tags.comment, "A comment");
    EXPECT_EQ(tags.genre, "(17)"); // as stored, not "Rock"
    EXPECT_EQ(tags.track, "4/12");
    EXPECT_TRUE(tags.hasMpegHeader);
    EXPECT_EQ(tags.mpegVersion, 3);

    // ISO-8859-1 bytes stay single bytes (the window decides how to show them).
    const Mp3Tags latin = ReadMp3Tags(
        Mp3File(dir, "latin.mp3", Spec(mp3w::ConstantRate(128, 40)), mp3w::Id3v2Tag({{"TIT2", "Caf\xC3\xA9"}})));
    EXPECT_EQ(latin.title, "Caf\xE9");
}

TEST(Mp3Tags, Utf16FramesAsEncodersWriteThem)
{
    TempDir dir;
    const std::string title = "Grüße ☃ 𝄞 Ωmega";
    const std::string tag = mp3w::Id3v2Tag({{"TIT2", title, true},
                                            {"TPE1", "Ærtist", true},
                                            {"TALB", "Ålbum", true},
                                            {"TYER", "2024", true},
                                            {"COMM", "Çomment", true},
                                            {"TCON", "Ambient (26)", true},
                                            {"TRCK", "7", true}});
    const Mp3Tags tags = ReadMp3Tags(Mp3File(dir, "utf16.mp3", Spec(mp3w::ConstantRate(128, 40)), tag));
    EXPECT_EQ(tags.title, title);
    EXPECT_EQ(tags.artist, "Ærtist");
    EXPECT_EQ(tags.album, "Ålbum");
    EXPECT_EQ(tags.year, "2024");
    EXPECT_EQ(tags.comment, "Çomment");
    EXPECT_EQ(tags.genre, "Ambient (26)");
    EXPECT_EQ(tags.track, "7");
}

TEST(Mp3Tags, BothTagKindsKeepTheUtf16Text)
{
    // What an encoder writes when asked for both tags: ID3v2 in UTF-16, ID3v1 in Latin-1 at the end.
    TempDir dir;
    const std::string path = Mp3File(dir, "both.mp3", Spec(mp3w::ConstantRate(128, 40)),
                                     mp3w::Id3v2Tag({{"TIT2", "Menu Thème", true}, {"TPE1", "Ärtist", true}}),
                                     mp3w::Id3v1Tag("Menu Th\xE8me", "\xC4rtist", "Only in v1", "2001", "", 5, 12));
    const Mp3Tags tags = ReadMp3Tags(path);
    EXPECT_EQ(tags.title, "Menu Thème");
    EXPECT_EQ(tags.artist, "Ärtist");
    // What the ID3v2 tag lacks comes from the ID3v1 tag.
    EXPECT_EQ(tags.album, "Only in v1");
    EXPECT_EQ(tags.year, "2001");
    EXPECT_EQ(tags.track, "5");
    EXPECT_EQ(tags.genre, "(12)");
    EXPECT_EQ(tags.mpegVersion, 3);
}

TEST(Mp3Tags, IdV1OnlyFileThroughTheSameFrames)
{
    TempDir dir;
    const std::string path = Mp3File(dir, "v1only.mp3", Spec(mp3w::ConstantRate(128, 40)), {},
                                     mp3w::Id3v1Tag("Old Title", "Old Artist", "Old Album", "1998", "old", 3, 17));
    const Mp3Tags tags = ReadMp3Tags(path);
    EXPECT_EQ(tags.title, "Old Title");
    EXPECT_EQ(tags.artist, "Old Artist");
    EXPECT_EQ(tags.album, "Old Album");
    EXPECT_EQ(tags.year, "1998");
    EXPECT_EQ(tags.comment, "old");
    EXPECT_EQ(tags.track, "3");
    EXPECT_EQ(tags.genre, "(17)");
}

TEST(Mp3Tags, NoTagsNoTexts)
{
    TempDir dir;
    const Mp3Tags tags = ReadMp3Tags(Mp3File(dir, "bare.mp3", Spec(mp3w::ConstantRate(128, 40))));
    for (const std::string* text :
         {&tags.album, &tags.title, &tags.artist, &tags.year, &tags.comment, &tags.genre, &tags.track})
        EXPECT_EQ(*text, "");
    EXPECT_TRUE(tags.hasMpegHeader);
    const Mp3Tags missing = ReadMp3Tags(dir.File("missing.mp3"));
    EXPECT_EQ(missing.title, "");
    EXPECT_EQ(missing.genre, "");
}

TEST(Mp3Tags, CompressedFramesAndTextsAsStored)
{
    // Compressed frames (which once ended the program), and texts a tag library likes to rewrite:
    // a genre "(17)Rock" kept whole, a year not joined to the date beside it.
    struct Case {
        std::vector<mp3w::TagFrame> frames;
        std::string title;
        std::string year;
        std::string genre;
    };
    const Case cases[] = {
        {{{"TIT2", "Packed", false, true}, {"TCON", "(17)", false, true}}, "Packed", "", "(17)"},
        {{{"TIT2", "Gepackt ☄ 𝄞", true, true}, {"TYER", "1999", false, true}}, "Gepackt ☄ 𝄞", "1999", ""},
        {{{"TCON", "(17)Rock"}, {"TYER", "1999"}, {"TDAT", "3105"}}, "", "1999", "(17)Rock"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string path =
            Mp3File(dir, "tagged.mp3", Spec(mp3w::ConstantRate(128, 40)), mp3w::Id3v2Tag(c.frames));
        const Mp3Tags tags = ReadMp3Tags(path);
        EXPECT_EQ(tags.title, c.title);
        EXPECT_EQ(tags.year, c.year);
        EXPECT_EQ(tags.genre, c.genre);
        EXPECT_EQ(tags.mpegVersion, 3);
        EXPECT_EQ(ReadMp3TagsFromBytes(ReadText(path)), tags);
    }
}

#ifdef __linux__
TEST(Mp3Tags, ReadsTheTagsAndTheStartOfTheAudioOnly)
{
    // The first audio frame is looked for as far as the decoder looks (once, through every byte
    // of a megabyte of junk, seconds long); a tag, however big, is read whole.
    TempDir dir;
    const std::string frames = mp3w::AudioFrames(Spec(mp3w::ConstantRate(128, 400)));
    const struct {
        std::string before;
        int version;
        std::string title;
        size_t budget;
    } files[] = {
        {std::string(60000, '\0'), 3, "", 100000},
        {std::string(1 << 20, '\0'), -1, "", 100000},
        {mp3w::Id3v2Tag({{"APIC", std::string(1 << 20, 'x')}, {"TIT2", "Last"}}), 3, "Last", (1 << 20) + 100000},
    };
    for (const auto& f : files) {
        const std::string path = dir.File("file.mp3");
        mp3w::WriteBytes(path, f.before + frames + mp3w::Id3v1Tag("", "", "", "", "", 2, 0));
        const uint64_t before = BytesReadSoFar();
        const Mp3Tags tags = ReadMp3Tags(path);
        EXPECT_LT(BytesReadSoFar() - before, f.budget) << f.before.size();
        EXPECT_EQ(tags.mpegVersion, f.version) << f.before.size();
        EXPECT_EQ(tags.title, f.title) << f.before.size();
        EXPECT_EQ(tags.track, "2") << f.before.size();
    }
}
#endif
