// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/model/protocol.h"

#include <QObject>
#include <QTimer>
#include <deque>
#include <string>
#include <unordered_set>

class CQueryUdpSocket;

// The requests of one master-list fetch on the owner's socket. The owner reads the socket and
// hands each list page to Page(). With paging on, a Steam page that does not end the list asks
// for the next one (the page's last address as the seed), never more than kMaxRequestsPerMinute
// requests a minute to the master, whose limit is about 30; a request without an answer within
// the time-out is sent once more, and silent() tells that the second went unanswered too. A
// page that brings no address not seen in this fetch, or ends with the seed it was asked with,
// ends the paging: asking on would only bring it again.
class CMasterPager : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxRequestsPerMinute = 25;
    // A master is farther than the game servers and answers a whole page: its wait is the
    // time-out, but never shorter than this.
    static constexpr int kMinTimeoutMs = 1000;

    explicit CMasterPager(QObject* parent = nullptr);

    // Sends the first request on socket (connected to the master), which must outlive the fetch.
    // Without paging one request goes out and nothing is re-sent: the classic wire.
    void Start(CQueryUdpSocket* socket, MasterFlavour flavour, const std::string& gameDir, int timeoutMs, bool paging);
    // One list page came; asks for the next one when the list goes on.
    void Page(const Datagram& page, const std::vector<std::string>& addresses);
    void Stop();

    int requestsSent() const { return requests_; }
    bool anyPage() const { return pages_ > 0; }
    // A request waits for the per-minute limit.
    bool holding() const { return sendTimer_.isActive(); }

Q_SIGNALS:
    // Neither the request nor its re-send was answered.
    void silent();
    // A request is held back by the per-minute limit (held), or went out after waiting for it.
    void waiting(bool held);

private:
    void Send();
    void OnTimeout();

    CQueryUdpSocket* socket_ = nullptr;
    MasterFlavour flavour_ = MasterFlavour::Steam;
    std::string gameDir_;
    std::string seed_ = "0.0.0.0:0";
    int timeoutMs_ = 1000;
    bool paging_ = false;
    bool resent_ = false;
    bool awaiting_ = false; // a request is out and no page has answered it yet
    bool held_ = false;     // the request waiting for the limit has been told
    int requests_ = 0;
    int pages_ = 0;
    std::deque<qint64> sentAt_;            // steady-clock ms of the requests of the last minute
    std::unordered_set<std::string> seen_; // every address of this fetch's pages
    QTimer sendTimer_;                     // a request held back by the limit
    QTimer timeoutTimer_;
};
