#include "app/main_dlg.h"
#include "app/screenshot_tour.h"
#include "app/tool_app.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    QString screenshots;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshots") == 0 && i + 1 < argc) {
            screenshots = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("usage: znktool [--screenshots DIR]\n"
                        "Keeps its files (znktool.conf, Servers.ini, ...) in the current folder.\n");
            return 0;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("ZNK Tool");
    QApplication::setFont(QFont("DejaVu Sans", 8));

    if (!screenshots.isEmpty() && !QFile::exists("znktool.conf")) {
        std::fprintf(stderr, "znktool --screenshots needs a znktool.conf in the current folder.\n");
        return 2;
    }

    CToolApp tool;
    if (screenshots.isEmpty())
        return tool.InitInstance();

    // The tour runs unattended: a message box would wait forever for a click.
    tool.messageHandler = [](const QString& title, const QString& text) {
        std::fprintf(stderr, "%s: %s\n", title.toLocal8Bit().constData(),
                     QString(text).replace('\n', ' ').toLocal8Bit().constData());
    };

    if (!tool.Start())
        return tool.exitCode();
    ScreenshotTour tour(screenshots);
    tour.Begin();
    tool.mainWnd()->exec();
    tool.Shutdown();
    return tour.saved() > 0 ? tool.exitCode() : 1;
}
