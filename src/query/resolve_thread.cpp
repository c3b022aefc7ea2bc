// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/resolve_thread.h"

#include "core/address.h"
#include "core/thread_handoff.h"
#include "settings/app_settings.h"

#include <QHostInfo>

CResolveThread::CResolveThread(QString text, QObject* parent) : QThread(parent), text_(std::move(text))
{
    setObjectName("CResolveThread");
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

CResolveThread* CResolveThread::StartIfNeeded(const QString& text, QObject* receiver,
                                              std::function<void(const QString&)> onResolved)
{
    // The Web API's word is no host name: looking it up would ask the network's name servers for it.
    if (IsValidAddress(text.toStdString()) || IsSteamWebApiMaster(text.toStdString()))
        return nullptr;
    auto* thread = new CResolveThread(text);
    connect(thread, &CResolveThread::resolved, receiver, std::move(onResolved), Qt::QueuedConnection);
    thread->start(QThread::IdlePriority);
    return thread;
}

CResolveThread::~CResolveThread()
{
    // Reached through finished(): the run is over.
    MarkHandOffReceived(this);
}

void CResolveThread::run()
{
    const HandOffAtExit handOff(this);
    // "host:27011" is a host and a port: the host is looked up and the port kept, so that the
    // master server is asked where the user said.
    const int colon = text_.indexOf(':');
    const QString host = colon < 0 ? text_ : text_.left(colon);
    const QString port = colon < 0 ? QString() : text_.mid(colon);
    const QHostInfo info = QHostInfo::fromName(host);
    for (const QHostAddress& address : info.addresses())
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            Q_EMIT resolved(address.toString() + port);
            return;
        }
}
