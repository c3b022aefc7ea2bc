// SPDX-License-Identifier: GPL-3.0-or-later
// Two unsynchronised increments of one counter, for the thread sanitizer to report under the
// project's suppressions: "thread" races QThread::run() with main(), "queued" a call queued to
// another thread's event loop with main(). A suppression broad enough to hide either would hide
// the project's own races too.
#include <QCoreApplication>
#include <QThread>
#include <cstring>

namespace {
int counter = 0;

class Counting : public QThread {
    void run() override { ++counter; }
};
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "queued") == 0) {
        QThread loop;
        QObject target;
        target.moveToThread(&loop);
        loop.start();
        QMetaObject::invokeMethod(
            &target, [] { ++counter; }, Qt::BlockingQueuedConnection);
        ++counter;
        loop.quit();
        loop.wait();
    } else {
        Counting counting;
        counting.start();
        ++counter;
        counting.wait();
    }
    return 0;
}
