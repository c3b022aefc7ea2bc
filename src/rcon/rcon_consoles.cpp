// SPDX-License-Identifier: GPL-3.0-or-later
#include "rcon/rcon_consoles.h"

#include "platform/platform.h"
#include "rcon/rcon_dlg.h"
#include "rcon/rcon_input.h"

#include <algorithm>

CRconConsoles::CRconConsoles(std::string historyPath, std::function<int()> timeoutMs, QObject* parent)
    : QObject(parent), historyPath_(std::move(historyPath)), timeoutMs_(std::move(timeoutMs))
{
    if (!historyPath_.empty())
        history_.Load(historyPath_);
}

CRconConsoles::~CRconConsoles()
{
    CloseAll();
}

CRconDlg* CRconConsoles::Open(const std::string& address, QWidget* owner)
{
    QString password;
    {
        CRconInput input(owner);
        if (!input.DoModal())
            return nullptr;
        password = input.password;
    }
    auto* console = new CRconDlg(address, password.toStdString(), owner, &history_);
    if (timeoutMs_)
        console->SetTimeoutMs(timeoutMs_());
    console->show();
    console->Connect();
    consoles_.emplace_back(console);
    connect(console, &CRconDlg::closed, this, &CRconConsoles::Remove);
    connect(console, &CRconDlg::historyAdded, this, &CRconConsoles::SaveHistory);
    // A console that showed a long session held megabytes of text: once it is gone, the process
    // gives them back rather than keeping them for later.
    connect(console, &QObject::destroyed, this, &platform::ReturnFreedMemory, Qt::QueuedConnection);
    return console;
}

int CRconConsoles::count() const
{
    // A console destroyed with its owner, never closed, is gone too.
    return static_cast<int>(
        std::count_if(consoles_.begin(), consoles_.end(), [](const QPointer<CRconDlg>& c) { return !c.isNull(); }));
}

std::vector<CRconDlg*> CRconConsoles::consoles() const
{
    std::vector<CRconDlg*> out;
    for (const QPointer<CRconDlg>& c : consoles_) {
        if (c)
            out.push_back(c.data());
    }
    return out;
}

void CRconConsoles::CloseAll()
{
    std::vector<QPointer<CRconDlg>> open;
    open.swap(consoles_);
    for (const QPointer<CRconDlg>& c : open)
        delete c.data();
}

void CRconConsoles::Remove(CRconDlg* console)
{
    std::erase_if(consoles_, [console](const QPointer<CRconDlg>& c) { return c.isNull() || c.data() == console; });
}

void CRconConsoles::SaveHistory()
{
    if (!historyPath_.empty())
        history_.Save(historyPath_);
}
