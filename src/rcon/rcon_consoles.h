#pragma once
#include <QObject>
#include <QPointer>
#include <string>
#include <vector>

class CRconDlg;
class QWidget;

// The remote consoles open at a time, one per Open, each with its own socket. A console leaves
// the list when it is closed; whatever is still open at exit goes with CloseAll (or with the
// list itself).
class CRconConsoles : public QObject {
    Q_OBJECT
public:
    explicit CRconConsoles(QObject* parent = nullptr);
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

private:
    void Remove(CRconDlg* console);

    std::vector<QPointer<CRconDlg>> consoles_;
};
