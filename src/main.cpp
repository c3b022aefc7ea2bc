// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/app_identity.h"
#include "app/file_snapshot.h"
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

// At most 73 columns: the manual page is this text, indented by 7.
const char* const kUsage = "usage: znktool [--data-folder] [--screenshots DIR]\n"
                           "       znktool --help | --version\n"
                           "\n"
                           "ZNK Tool keeps its files (znktool.conf, Servers.ini, Options.ini, ...)\n"
                           "in the folder it runs in: the current folder, or its data folder with\n"
                           "--data-folder.\n"
                           "\n"
                           "  --data-folder      run in $XDG_DATA_HOME/znktool, that is\n"
                           "                     ~/.local/share/znktool, made on the first start;\n"
                           "                     the desktop's menu entry starts the program so\n"
                           "  --screenshots DIR  the screenshots tour, in a folder holding a\n"
                           "                     znktool.conf: press Update (the configured master\n"
                           "                     server and the servers it lists are queried),\n"
                           "                     search for a player, save a PNG of every window\n"
                           "                     into DIR, then close as a user would. It joins two\n"
                           "                     servers (starting the configured game) and logs\n"
                           "                     into a remote console with the password \"demo\"\n"
                           "                     only on servers at loopback addresses (127.x.x.x);\n"
                           "                     elsewhere it takes those pictures without\n"
                           "                     connecting. What it changed of the program's files\n"
                           "                     (recent servers, console history, server lists,\n"
                           "                     hidden servers, options) is put back as it was\n"
                           "                     once the program has ended.\n"
                           "  --help             show this text\n"
                           "  --version          show the program's version and license\n"
                           "\n"
                           "Qt's own options (-platform, -style, ...) are taken as well.\n";

// After the version line: the licence as AppLicense() names it.
const char* const kVersionNotice = "Copyright (C) 2026 The ZNK Tool developers\n"
                                   "License %s: GNU GPL version 3 or later\n"
                                   "<https://www.gnu.org/licenses/gpl-3.0.html>\n"
                                   "This is free software: you are free to change and redistribute it.\n"
                                   "There is NO WARRANTY, to the extent permitted by law.\n";

int UsageError(const char* problem, const char* arg)
{
    std::fprintf(stderr, "znktool: %s '%s'\n\n%s", problem, arg, kUsage);
    return 2;
}

// The options QGuiApplication and QApplication take out of argv, with one dash or two; those
// of the first list take the next argument as their value.
bool IsQtOption(const char* arg, bool& takesValue)
{
    static const char* const withValue[] = {"platform",
                                            "platformpluginpath",
                                            "platformtheme",
                                            "plugin",
                                            "qwindowgeometry",
                                            "qwindowicon",
                                            "qwindowtitle",
                                            "session",
                                            "style",
                                            "stylesheet",
                                            "qmljsdebugger",
                                            "display",
                                            "geometry",
                                            "title",
                                            "icon",
                                            "name",
                                            "visual"};
    static const char* const alone[] = {"reverse", "widgetcount", "nograb", "dograb", "sync", "testability"};
    if (arg[0] != '-')
        return false;
    std::string name = arg + (arg[1] == '-' ? 2 : 1);
    const size_t equals = name.find('=');
    const bool valueGiven = equals != std::string::npos;
    name = name.substr(0, equals);
    for (const char* option : withValue) {
        if (name == option) {
            takesValue = !valueGiven;
            return true;
        }
    }
    for (const char* option : alone) {
        if (name == option && !valueGiven) {
            takesValue = false;
            return true;
        }
    }
    return false;
}

// The program's own arguments, checked before Qt starts: without a display QApplication ends
// the process itself, so a wrong argument would never reach the usage text. 0 when all is well
// (Qt's options are left to Qt), else the exit status after saying what is wrong.
int CheckArguments(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        bool takesValue = false;
        if (std::strcmp(argv[i], "--screenshots") == 0) {
            if (i + 1 == argc)
                return UsageError("a folder must follow", argv[i]);
            ++i;
        } else if (std::strcmp(argv[i], "--data-folder") == 0) {
        } else if (IsQtOption(argv[i], takesValue)) {
            if (takesValue)
                ++i;
        } else {
            return UsageError("unknown argument", argv[i]);
        }
    }
    return 0;
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

// The screenshots tour on the program as a user starts it. What the tour changes of the
// program's files (a join's recent server, a console's history, a hidden server, the refreshed
// lists, the options) is put back once the application object and all it owns are gone, so
// after the last write of shut-down.
int RunTour(const QString& folder)
{
    FileSnapshot userFiles;
    int status = 0;
    {
        CToolApp tool;
        // The tour runs unattended: a message box would wait forever for a click.
        tool.messageHandler = [](const QString& title, const QString& text) {
            std::fprintf(stderr, "%s: %s\n", title.toLocal8Bit().constData(),
                         QString(text).replace('\n', ' ').toLocal8Bit().constData());
        };
        if (!tool.Start())
            return tool.exitCode();
        userFiles.Take(tool.settings.workFolder, CToolApp::OwnFiles());
        ScreenshotTour tour(folder);
        tour.Begin();
        tool.mainWnd()->exec();
        tool.Shutdown();
        status = tour.saved() > 0 ? tool.exitCode() : 1;
    }
    for (const std::string& path : userFiles.Restore()) {
        std::fprintf(stderr, "znktool: cannot put %s back as it was before the tour\n", path.c_str());
        status = status == 0 ? 1 : status;
    }
    return status;
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
            std::printf(kVersionNotice, AppLicense());
            return 0;
        }
        if (std::strcmp(argv[i], "--screenshots") == 0)
            ++i;
    }
    if (const int status = CheckArguments(argc, argv))
        return status;

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

    if (screenshots.isEmpty()) {
        CToolApp tool;
        return tool.InitInstance();
    }
    return RunTour(screenshots);
}
