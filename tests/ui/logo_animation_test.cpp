// SPDX-License-Identifier: GPL-3.0-or-later
#include "avi_writer.h"
#include "test_support/work_dir.h"
#include "ui/logo_animation.h"

#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int kW = 20;
constexpr int kH = 10;
constexpr int kFrames = 4;

// Frame f is a flat field of colour 0x0000F0 + f, with its top-left pixel in 0xFF0000 so
// that a frame drawn upside down or shifted is caught.
std::array<uint32_t, 256> Palette()
{
    std::array<uint32_t, 256> p{};
    for (uint32_t i = 0; i < 16; ++i)
        p[i] = 0x0000F0 + i;
    p[200] = 0xFF0000;
    return p;
}

QRgb FrameColour(int f)
{
    return 0xFF000000u | Palette()[static_cast<size_t>(f)];
}
constexpr QRgb kMarker = 0xFFFF0000u;

class LogoAnimationTest : public ::testing::Test {
protected:
    std::string WriteClip(const std::string& name, int frames, int microseconds)
    {
        std::vector<std::vector<uint8_t>> pixels;
        for (int f = 0; f < frames; ++f) {
            std::vector<uint8_t> px(size_t(kW) * kH, static_cast<uint8_t>(f));
            px[0] = 200;
            pixels.push_back(px);
        }
        const std::string path = dir_.File(name);
        std::string error;
        EXPECT_TRUE(WriteAviFile(path, kW, kH, microseconds, pixels, Palette(), true, &error)) << error;
        return path;
    }

    static QImage Grab(CAnimateCtrl& strip) { return strip.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    ScopedWorkDir dir_;
};

} // namespace

TEST_F(LogoAnimationTest, OpenStartsPlayingTheFirstFrame)
{
    CAnimateCtrl strip;
    ASSERT_TRUE(strip.Open(QString::fromStdString(WriteClip("logo.avi", kFrames, 40000))));
    EXPECT_EQ(strip.frameCount(), kFrames);
    EXPECT_EQ(strip.currentFrame(), 0);
    EXPECT_EQ(strip.movieSize(), QSize(kW, kH));
    EXPECT_EQ(strip.frameInterval(), 40);
    EXPECT_TRUE(strip.isPlaying());
    EXPECT_EQ(strip.sizeHint(), QSize(kW, kH));
}

TEST_F(LogoAnimationTest, LoopsBackToTheFirstFrame)
{
    CAnimateCtrl strip;
    ASSERT_TRUE(strip.Open(QString::fromStdString(WriteClip("logo.avi", kFrames, 40000))));
    for (int i = 1; i < kFrames; ++i) {
        strip.advanceFrame();
        EXPECT_EQ(strip.currentFrame(), i);
    }
    strip.advanceFrame();
    EXPECT_EQ(strip.currentFrame(), 0);
    EXPECT_TRUE(strip.isPlaying());
}

TEST_F(LogoAnimationTest, TimerDrivesTheLoop)
{
    CAnimateCtrl strip;
    ASSERT_TRUE(strip.Open(QString::fromStdString(WriteClip("logo.avi", kFrames, 10000))));
    bool reachedLast = false;
    const bool wrapped = QTest::qWaitFor(
        [&] {
            reachedLast = reachedLast || strip.currentFrame() == kFrames - 1;
            return reachedLast && strip.currentFrame() == 0;
        },
        5000);
    EXPECT_TRUE(wrapped);
}

TEST_F(LogoAnimationTest, DrawsTheCurrentFrameCentredAtItsOwnSize)
{
    CAnimateCtrl strip;
    strip.resize(200, 101);
    ASSERT_TRUE(strip.Open(QString::fromStdString(WriteClip("logo.avi", kFrames, 40000))));
    const QRect at((200 - kW) / 2, (101 - kH) / 2, kW, kH);
    EXPECT_EQ(strip.movieRect(), at);

    const QRgb window = strip.palette().window().color().rgb();
    QImage shot = Grab(strip);
    ASSERT_EQ(shot.size(), QSize(200, 101));
    EXPECT_EQ(shot.pixel(at.topLeft()), kMarker);
    EXPECT_EQ(shot.pixel(at.left() + 1, at.top()), FrameColour(0));
    EXPECT_EQ(shot.pixel(at.bottomRight()), FrameColour(0));
    for (const QPoint& outside : {at.topLeft() - QPoint(1, 0), at.topLeft() - QPoint(0, 1),
                                  at.bottomRight() + QPoint(1, 0), at.bottomRight() + QPoint(0, 1), QPoint(0, 0)})
        EXPECT_EQ(shot.pixel(outside), window) << outside.x() << "," << outside.y();

    strip.advanceFrame();
    strip.advanceFrame();
    shot = Grab(strip);
    EXPECT_EQ(shot.pixel(at.bottomRight()), FrameColour(2));
    EXPECT_EQ(shot.pixel(at.topLeft()), kMarker);
}

TEST_F(LogoAnimationTest, UnreadableFilesLeaveAnEmptyStrip)
{
    WriteAllBytes(dir_.File("junk.avi"), {'R', 'I', 'F', 'F', 1, 0, 0, 0, 'A', 'V', 'I', ' ', 0});
    for (const char* name : {"missing.avi", "junk.avi"}) {
        CAnimateCtrl strip;
        strip.resize(60, 30);
        // A clip that was playing goes away too.
        ASSERT_TRUE(strip.Open(QString::fromStdString(WriteClip("logo.avi", kFrames, 40000))));
        EXPECT_FALSE(strip.Open(QString::fromStdString(dir_.File(name)))) << name;
        EXPECT_EQ(strip.frameCount(), 0);
        EXPECT_FALSE(strip.isPlaying());
        EXPECT_TRUE(strip.movieSize().isEmpty());
        EXPECT_EQ(strip.frameInterval(), 0);
        strip.advanceFrame();
        EXPECT_EQ(strip.currentFrame(), 0);

        const QRgb window = strip.palette().window().color().rgb();
        const QImage shot = Grab(strip);
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                ASSERT_EQ(shot.pixel(x, y), window) << name << " at " << x << "," << y;
    }
}

TEST_F(LogoAnimationTest, CloseStopsAndOneFrameStandsStill)
{
    CAnimateCtrl strip;
    ASSERT_TRUE(strip.Open(QString::fromStdString(WriteClip("logo.avi", kFrames, 40000))));
    strip.advanceFrame();
    strip.Close();
    EXPECT_FALSE(strip.isPlaying());
    EXPECT_EQ(strip.frameCount(), 0);
    EXPECT_EQ(strip.currentFrame(), 0);

    ASSERT_TRUE(strip.Open(QString::fromStdString(WriteClip("still.avi", 1, 40000))));
    EXPECT_EQ(strip.frameCount(), 1);
    EXPECT_FALSE(strip.isPlaying());
    strip.advanceFrame();
    EXPECT_EQ(strip.currentFrame(), 0);
}
