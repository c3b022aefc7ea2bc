// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "rcon/model/console_history.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

class CRconDlg;
class QWidget;

// The remote consoles open at a time, one per Open, each with its own socket. A console leaves
// the list when it is closed; whatever is still open at exit goes with CloseAll (or with the
// list itself).
//
// The consoles share one history of the commands sent, loaded from historyPath when the list is
// made and saved there after each command it keeps; no path: the history lasts as long as the
// list. A history that cannot be saved stays in memory, and the consoles go on as before.
class CRconConsoles : public QObject {
    Q_OBJECT
public:
    // timeoutMs gives the wait of each console opened, for its challenge and, on a server that
    // gives none, for a command's output; none: CRconSocket::kDefaultTimeoutMs.
    explicit CRconConsoles(std::string historyPath = std::string(), std::function<int()> timeoutMs = {},
                           QObject* parent = nullptr);
    ~CRconConsoles() override; // CloseAll

    // Asks for the password (CRconInput, modal over owner). Cancelled: nothing happens and the
    // answer is nullptr. Otherwise a console on address, owned by owner, is shown and asks the
    // server for its challenge.
    CRconDlg* Open(const std::string& address, QWidget* owner);

    int count() const;
    // The open consoles, oldest first.
    std::vector<CRconDlg*> consoles() const;

    // Destroys every console still open, and its socket with it, at once.
    void CloseAll();

    ConsoleHistory& history() { return history_; }

private:
    void Remove(CRconDlg* console);
    void SaveHistory();

    std::vector<QPointer<CRconDlg>> consoles_;
    std::string historyPath_;
    std::function<int()> timeoutMs_;
    ConsoleHistory history_;
};
