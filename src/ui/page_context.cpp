// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/page_context.h"

#include "settings/app_settings.h"

CvarFiles PageContext::GameFiles() const
{
    CvarFiles files = CvarFiles::ForSettings(settings);
    files.SetWriteReport(fileSaved);
    return files;
}
