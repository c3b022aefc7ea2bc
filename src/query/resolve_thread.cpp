#include "query/resolve_thread.h"

#include "core/address.h"

#include <QHostInfo>

CResolveThread::CResolveThread(QString text, QObject* parent) : QThread(parent), text_(std::move(text))
{
    setObjectName("CResolveThread");
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

CResolveThread* CResolveThread::StartIfNeeded(const QString& text, QObject* receiver,
                                              std::function<void(const QString&)> onResolved)
{
    if (IsValidAddress(text.toStdString()))
        return nullptr;
    auto* thread = new CResolveThread(text);
    connect(thread, &CResolveThread::resolved, receiver, std::move(onResolved), Qt::QueuedConnection);
    thread->start(QThread::IdlePriority);
    return thread;
}

void CResolveThread::run()
{
    const QHostInfo info = QHostInfo::fromName(text_);
    for (const QHostAddress& address : info.addresses())
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            Q_EMIT resolved(address.toString());
            return;
        }
}
