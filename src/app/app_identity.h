// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QIcon>
#include <QImage>

// What names the program to the user and the desktop. The version and the application id are
// set once, in the project's CMakeLists.txt; the installed menu entry, icons and AppStream data
// are named after the id.

// "1.1": the About box and `znktool --version` show it.
const char* AppVersion();
// "GPL-3.0-or-later", the SPDX name of the program's licence: the About box and `znktool --version`
// name it, the AppStream data carries it.
const char* AppLicense();
// The reverse-DNS application id (the menu entry is "<id>.desktop").
const char* AppId();

// The icon at size x size pixels; the window icons and the installed icons are this drawing.
QImage DrawAppIcon(int size);
// The window icon, drawn once at the sizes a title bar and a task bar use.
QIcon AppIcon();
