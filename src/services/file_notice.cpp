// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/file_notice.h"

#include "core/file_io.h"
#include "ui/display_text.h"

#include <QTimer>

CFileSaveNotice::CFileSaveNotice(Message message, QObject* parent) : QObject(parent), message_(std::move(message))
{
    setObjectName("CFileSaveNotice");
}

void CFileSaveNotice::Report(const std::string& path, bool saved)
{
    if (saved) {
        told_.erase(path);
        return;
    }
    if (!told_.insert(path).second || !message_)
        return;
    const QString shown = DisplayText(path);
    const QString text = IsReadOnlyFile(path)
                             ? QString("%1\nis read-only: ZNK Tool cannot save changes to it. What you change stays "
                                       "on the page only until the file can be written again.")
                                   .arg(shown)
                             : QString("ZNK Tool cannot save\n%1\nNeither its folder nor the file itself can be "
                                       "written. What you change stays on the page only until the file can be "
                                       "written again.")
                                   .arg(shown);
    QTimer::singleShot(0, this, [this, text] { message_("ZNK Tool", text); });
}
