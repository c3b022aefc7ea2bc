// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

class CCustomEdit;
class ConsoleHistory;
class CRconSocket;
class QLineEdit;

// A remote console on one server: the server's output above, one input line below. Modeless,
// topmost, fixed in size; it talks to the server through its own CRconSocket. Closing it
// (Escape or the close box) closes the socket and destroys the window.
//
// With a history, the input line recalls the commands sent to the same server before: Up the
// older, Down the newer, and Down past the newest gives back what was typed before the first Up;
// Tab completes the line with the newest longer command that starts with it, Tab again with the
// next older one, and past the oldest gives back what was typed.
class CRconDlg : public QDialog {
    Q_OBJECT
public:
    // A console titled "RCON Control: <address>", owned by owner; it talks to no one until
    // Connect(). password is kept in memory only. history (not owned, may be shared by several
    // consoles) receives every command sent; none: nothing is recalled or kept.
    enum ControlId { IdInput = 999, IdOutput = 1131 };

    CRconDlg(const std::string& address, std::string password, QWidget* owner = nullptr,
             ConsoleHistory* history = nullptr);
    ~CRconDlg() override;

    // The wait for the server's challenge and, without one, for a command's output; set before
    // Connect.
    void SetTimeoutMs(int ms);

    // Opens the socket to host:port of the address and asks the server for the challenge.
    // False when the address cannot be reached; the console stays open, waiting for nothing.
    // A password that cannot be sent is refused with a line in the pane, and nothing goes out.
    bool Connect();

    const std::string& address() const { return address_; }
    // 0 until the server has given a challenge.
    uint32_t challenge() const;
    // A challenge was accepted, or the server gave none and commands go without one.
    bool connected() const;

    CRconSocket* socket() const { return socket_; }

    // Enter: sends the input line as a command — only when the keyboard is in the input line
    // and the line is not empty. While not connected it says so and keeps the line.
    void OnOK();

Q_SIGNALS:
    // The console is closing: its socket is closed, its window goes right after.
    void closed(CRconDlg* console);
    // A command sent was kept in the history.
    void historyAdded();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateWidgets();
    void ConnectWidgets();
    void RecallOlder();
    void RecallNewer();
    void CompleteInput();
    void ShowInInput(const std::string& text);

    std::string address_;
    std::string password_;
    CCustomEdit* output_ = nullptr;
    QLineEdit* input_ = nullptr;
    CRconSocket* socket_ = nullptr; // a child: freed with the window
    ConsoleHistory* history_ = nullptr;

    // Up and Down walk a copy taken at the first Up, so that a command sent meanwhile from
    // another console of the same server does not shift the walk under the operator.
    std::vector<std::string> walk_;
    std::size_t walkAt_ = 0; // the entry of walk_ shown; walk_ empty: not walking
    QString draft_;          // what was typed before the first Up

    bool completing_ = false; // a run of Tabs is going on
    std::string typedPrefix_; // what was typed before the first Tab
    std::size_t completions_ = 0;
};
