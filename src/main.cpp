#include "app/app_identity.h"
#include "app/main_dlg.h"
#include "app/screenshot_tour.h"
#include "app/tool_app.h"
#include "platform/data_folder.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const kUsage =
    "usage: znktool [--data-folder] [--screenshots DIR]\n"
    "       znktool --help | --version\n"
    "\n"
    "ZNK Tool keeps its files (znktool.conf, Servers.ini, Options.ini, ...) in the folder it runs\n"
    "in: the current folder, or its data folder with --data-folder.\n"
    "\n"
    "  --data-folder      run in $XDG_DATA_HOME/znktool (~/.local/share/znktool), made on the\n"
    "                     first start; the desktop's menu entry starts the program so\n"
    "  --screenshots DIR  in a folder holding a znktool.conf: refresh the server list, save a\n"
    "                     PNG of every window into DIR, then close as a user would\n"
    "  --help             show this text\n"
    "  --version          show the program's version\n"
    "\n"
    "Qt's own options (-platform, -style, ...) are taken as well.\n";

int UsageError(const char* problem, const char* arg)
{
    std::fprintf(stderr, "znktool: %s '%s'\n\n%s", problem, arg, kUsage);
    return 2;
}

// Started from the menu, no one sees the terminal; a headless run has no one to click a box.
void ReportStartProblem(const QString& text)
{
    std::fprintf(stderr, "znktool: %s\n", QString(text).replace('\n', ' ').toLocal8Bit().constData());
    const QString platform = QApplication::platformName();
    if (platform != "offscreen" && platform != "minimal")
        QMessageBox::critical(nullptr, "ZNK Tool", text);
}

// Moves into the data folder, making it on the first start; false (said) when it cannot.
bool EnterDataFolder()
{
    const std::string folder = platform::UserDataFolder([](const char* name) { return std::getenv(name); });
    if (folder.empty()) {
        ReportStartProblem("ZNK Tool cannot tell where its data folder is: neither XDG_DATA_HOME nor HOME "
                           "names an absolute folder.");
        return false;
    }
    const std::string error = platform::EnterFolder(folder);
    if (!error.empty()) {
        ReportStartProblem(QString("ZNK Tool cannot make or open its data folder\n%1\n(%2).")
                               .arg(QString::fromStdString(folder), QString::fromStdString(error)));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // Answered on the terminal before Qt starts: neither needs a display, nor touches a folder.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("ZNK Tool %s\n", AppVersion());
            return 0;
        }
        if (std::strcmp(argv[i], "--screenshots") == 0)
            ++i;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("ZNK Tool");
    QApplication::setApplicationVersion(AppVersion());
    QApplication::setDesktopFileName(AppId());
    QApplication::setFont(QFont("DejaVu Sans", 8));

    // What Qt took for itself is gone from argv by now.
    QString screenshots;
    bool dataFolder = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshots") == 0) {
            if (i + 1 == argc)
                return UsageError("a folder must follow", argv[i]);
            screenshots = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--data-folder") == 0) {
            dataFolder = true;
        } else {
            return UsageError("unknown argument", argv[i]);
        }
    }

    if (dataFolder) {
        // The pictures go where the caller named them, from the folder it was in.
        if (!screenshots.isEmpty())
            screenshots = QFileInfo(screenshots).absoluteFilePath();
        if (!EnterDataFolder())
            return 1;
    }

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
