// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/audio/audio_library.h"
#include "music/playlist_loader.h"

#include "core/thread_handoff.h"
#include "test_support/work_dir.h"

#include <gtest/gtest.h>

#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

int ThreadNice()
{
    return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
}

} // namespace

TEST(PlayListThread, RunsTenStepsNicerThanTheWindow)
{
    // The load gives way to the window for real: the loader thread's own nice value is raised,
    // the window thread's is left as it was.
    TempDir dir;
    AudioLibrary audio({"dummy", ""});
    CPlayListThread loader({dir.File("playlist.txt"), dir.Path(), "znk"}, audio);
    int loaderNice = -100;
    QObject::connect(
        &loader, &CPlayListThread::linesRead, &loader, [&] { loaderNice = ThreadNice(); }, Qt::DirectConnection);
    const int windowNice = ThreadNice();
    loader.start();
    ASSERT_TRUE(loader.wait(5000));
    MarkHandOffReceived(&loader); // the end of run(), which the sanitizer cannot see through wait()
    EXPECT_EQ(loaderNice, std::min(windowNice + 10, 19));
    EXPECT_EQ(ThreadNice(), windowNice);
}
#endif
