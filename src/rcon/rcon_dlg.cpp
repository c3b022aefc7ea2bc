// SPDX-License-Identifier: GPL-3.0-or-later
#include "rcon/rcon_dlg.h"

#include "rcon/custom_edit.h"
#include "rcon/model/console_history.h"
#include "rcon/model/rcon_protocol.h"
#include "rcon/rcon_socket.h"
#include "ui/control_id.h"
#include "ui/dialog_units.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>

CRconDlg::CRconDlg(const std::string& address, std::string password, QWidget* owner, ConsoleHistory* history)
    : QDialog(owner), address_(address), password_(std::move(password)), history_(history)
{
    setObjectName("CRconDlg");
    setWindowTitle(QStringLiteral("RCON Control: ") + QString::fromStdString(address_));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    CreateWidgets();
    ConnectWidgets();
}

CRconDlg::~CRconDlg() = default;

void CRconDlg::CreateWidgets()
{
    setFixedSize(DluX(376), DluY(233));

    output_ = new CCustomEdit(this);
    SetControlId(output_, IdOutput);
    Place(output_, 0, 0, 376, 221);

    input_ = new QLineEdit(this);
    SetControlId(input_, IdInput);
    Place(input_, 0, 221, 376, 12);
    output_->SetInputLine(input_);
    // Ahead of the line's own handling: Tab would otherwise move the keyboard to the pane.
    input_->installEventFilter(this);

    socket_ = new CRconSocket(this);

    // The window itself holds the keyboard when it opens, not one of its controls: the operator
    // clicks where they mean to type.
    setFocusPolicy(Qt::StrongFocus);
    setFocus(Qt::OtherFocusReason);
}

void CRconDlg::ConnectWidgets()
{
    connect(socket_, &CRconSocket::challengeAccepted, this,
            [this] { output_->AppendLine(QString::fromUtf8(kRconChallengeAcceptedLine)); });
    connect(socket_, &CRconSocket::challengeSkipped, this,
            [this] { output_->AppendLine(QString::fromUtf8(kRconNoChallengeLine)); });
    connect(socket_, &CRconSocket::noAnswer, this,
            [this] { output_->AppendLine(QString::fromUtf8(kRconNoAnswerLine)); });
    connect(socket_, &CRconSocket::outputLines, this,
            [this](const std::string& text) { output_->AppendLine(QString::fromStdString(text)); });
    // A paste with the mouse starts over what the next Tab completes, as a key does.
    connect(input_, &QLineEdit::textEdited, this, [this] { completing_ = false; });
}

void CRconDlg::SetTimeoutMs(int ms)
{
    socket_->SetTimeoutMs(ms);
}

bool CRconDlg::Connect()
{
    if (!IsSendableRconPassword(password_)) {
        output_->AppendLine(QString::fromUtf8(kRconQuotedPasswordLine));
        return false;
    }
    return socket_->Open(address_);
}

uint32_t CRconDlg::challenge() const
{
    return socket_->challenge();
}

bool CRconDlg::connected() const
{
    return socket_->connected();
}

void CRconDlg::OnOK()
{
    if (focusWidget() != input_ || input_->text().isEmpty())
        return;
    if (!connected()) {
        output_->AppendLine(QString::fromUtf8(kRconNotConnectedLine));
        return;
    }
    const std::string command = input_->text().toStdString();
    socket_->SendCommand(password_, command);
    if (history_ && history_->Add(address_, command))
        Q_EMIT historyAdded();
    walk_.clear();
    completing_ = false;
    input_->clear();
}

void CRconDlg::ShowInInput(const std::string& text)
{
    const QString shown = QString::fromStdString(text);
    if (input_->text() != shown)
        input_->setText(shown);
}

void CRconDlg::RecallOlder()
{
    if (!history_)
        return;
    if (walk_.empty()) {
        walk_ = history_->Commands(address_);
        if (walk_.empty())
            return;
        draft_ = input_->text();
        walkAt_ = walk_.size() - 1;
    } else if (walkAt_ > 0) {
        --walkAt_;
    }
    ShowInInput(walk_[walkAt_]);
}

void CRconDlg::RecallNewer()
{
    if (walk_.empty())
        return;
    if (++walkAt_ < walk_.size()) {
        ShowInInput(walk_[walkAt_]);
        return;
    }
    walk_.clear();
    input_->setText(draft_);
}

void CRconDlg::CompleteInput()
{
    if (!history_)
        return;
    if (!completing_) {
        typedPrefix_ = input_->text().toStdString();
        completions_ = 0;
    } else {
        ++completions_;
    }
    completing_ = true;
    if (const auto match = history_->Complete(address_, typedPrefix_, completions_)) {
        ShowInInput(*match);
        return;
    }
    // Past the oldest match: what was typed, and the next Tab starts with the newest again.
    ShowInInput(typedPrefix_);
    completing_ = false;
}

bool CRconDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != input_ || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    switch (key->key()) {
    case Qt::Key_Tab:
        if (!plain || !history_)
            break;
        CompleteInput();
        return true;
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
        return false; // on its way to a combination, not a key of its own
    default:
        break;
    }
    completing_ = false;
    if (plain && key->key() == Qt::Key_Up) {
        RecallOlder();
        return true;
    }
    if (plain && key->key() == Qt::Key_Down) {
        RecallNewer();
        return true;
    }
    return false;
}

void CRconDlg::keyPressEvent(QKeyEvent* event)
{
    const bool plain = event->modifiers() == Qt::NoModifier ||
                       (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        OnOK();
        return;
    }
    if (plain && event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CRconDlg::reject()
{
    close();
}

void CRconDlg::closeEvent(QCloseEvent* event)
{
    // No more datagrams from here on; the socket is freed with the window, which Qt deletes
    // once the event that closed it has been handled.
    socket_->Close();
    event->accept();
    Q_EMIT closed(this);
}
