// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QThread>
#include <functional>

// Turns a master-server host name into a dotted address at idle priority. The answer crosses to
// the window thread as a queued signal: the thread itself never touches the settings or a field.
// Deletes itself when done.
class CResolveThread : public QThread {
    Q_OBJECT
public:
    explicit CResolveThread(QString text, QObject* parent = nullptr);
    ~CResolveThread() override;

    // Starts a lookup when the text is not already an address nor the Web API's word; nullptr
    // when there is nothing to look up. onResolved runs on receiver's (the window's) thread.
    static CResolveThread* StartIfNeeded(const QString& text, QObject* receiver,
                                         std::function<void(const QString&)> onResolved);

Q_SIGNALS:
    // The first IPv4 address found, dotted, with the text's ":port" when it had one. Not
    // emitted when the lookup fails.
    void resolved(const QString& address);

protected:
    void run() override;

private:
    QString text_;
};
