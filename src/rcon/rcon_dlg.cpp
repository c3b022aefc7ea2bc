#include "rcon/rcon_dlg.h"

#include "rcon/custom_edit.h"
#include "rcon/model/rcon_protocol.h"
#include "rcon/rcon_socket.h"
#include "ui/control_id.h"
#include "ui/dialog_units.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>

CRconDlg::CRconDlg(const std::string& address, std::string password, QWidget* owner)
    : QDialog(owner), address_(address), password_(std::move(password))
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
    connect(socket_, &CRconSocket::outputLines, this,
            [this](const std::string& text) { output_->AppendLine(QString::fromStdString(text)); });
}

bool CRconDlg::Connect()
{
    return socket_->Open(address_);
}

uint32_t CRconDlg::challenge() const
{
    return socket_->challenge();
}

void CRconDlg::OnOK()
{
    if (focusWidget() != input_ || input_->text().isEmpty())
        return;
    if (!connected()) {
        output_->AppendLine(QString::fromUtf8(kRconNotConnectedLine));
        return;
    }
    socket_->SendCommand(password_, input_->text().toStdString());
    input_->clear();
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
