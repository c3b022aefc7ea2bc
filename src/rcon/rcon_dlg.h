#pragma once
#include <QDialog>
#include <cstdint>
#include <string>

class CCustomEdit;
class CRconSocket;
class QLineEdit;

// A remote console on one server: the server's output above, one input line below. Modeless,
// topmost, fixed in size; it talks to the server through its own CRconSocket. Closing it
// (Escape or the close box) closes the socket and destroys the window.
class CRconDlg : public QDialog {
    Q_OBJECT
public:
    // A console titled "RCON Control: <address>", owned by owner; it talks to no one until
    // Connect(). password is kept in memory only.
    enum ControlId { IdInput = 999, IdOutput = 1131 };

    CRconDlg(const std::string& address, std::string password, QWidget* owner = nullptr);
    ~CRconDlg() override;

    // Opens the socket to host:port of the address and asks the server for the challenge.
    // False when the address cannot be reached; the console stays open, waiting for nothing.
    bool Connect();

    const std::string& address() const { return address_; }
    // 0 until the server has given a challenge.
    uint32_t challenge() const;
    bool connected() const { return challenge() != 0; }

    CRconSocket* socket() const { return socket_; }

    // Enter: sends the input line as a command — only when the keyboard is in the input line
    // and the line is not empty. While not connected it says so and keeps the line.
    void OnOK();

Q_SIGNALS:
    // The console is closing: its socket is closed, its window goes right after.
    void closed(CRconDlg* console);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void CreateWidgets();
    void ConnectWidgets();

    std::string address_;
    std::string password_;
    CCustomEdit* output_ = nullptr;
    QLineEdit* input_ = nullptr;
    CRconSocket* socket_ = nullptr; // a child: freed with the window
};
