// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the program's icon as DIR/SIZE.png for every size given, for the installed icon
// theme: the same drawing as the window icon, at the sizes a desktop's menus and docks ask for.
//
//   make_icons DIR SIZE...

#include "app/app_identity.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_icons DIR SIZE...\n");
        return 2;
    }
    // Drawing text needs a running application, not a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(".")) {
        std::fprintf(stderr, "make_icons: cannot make %s\n", argv[1]);
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString path = dir.filePath(QString("%1.png").arg(size));
        if (size <= 0 || !DrawAppIcon(size).save(path, "PNG")) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", path.toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}
