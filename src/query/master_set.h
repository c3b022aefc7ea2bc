// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/model/protocol.h"

#include <QObject>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

// The master servers one Update asks: the Settings window's one and the further ones of the
// options. Each is looked up, asked and paged on its own socket with a CMasterPager of its own
// (its own seed, re-send, request limit and silence), and each list page it sends is handed on
// as it comes; the owner pings their union.
//
// A master is awaited until its first page, its silence, or the news that its name does not
// resolve, and never longer than the fetch's wait (kWaitRounds master waits from Start). An
// Update holds the end of its ping phase while a master is awaited, so that a master slower than
// another still adds its list. With one master nothing is ever held: the phase only starts with
// its first page.
class CMasterSet : public QObject {
    Q_OBJECT
public:
    // List pages one fetch takes from each master, whatever it sends.
    static constexpr int kMaxPages = 64;
    // The fetch's wait, in master waits (a name lookup, the request, its re-send).
    static constexpr int kWaitRounds = 3;

    struct Fetch {
        MasterFlavour flavour = MasterFlavour::Steam;
        std::string gameDir;
        int timeoutMs = 1000;
        bool paging = false; // see CMasterPager::Start
    };

    explicit CMasterSet(QObject* parent = nullptr);
    ~CMasterSet() override;

    // Asks every master of texts ("host", "host:port" or a dotted address; empty texts and
    // repeats left out), in that order, ending the last fetch first. A master asked before keeps
    // its socket and the record of its request limit.
    void Start(const std::vector<std::string>& texts, const Fetch& fetch);
    // Drops the answers of the host-name lookups still running.
    void CancelLookups();
    // Ends the paging of every master: nothing more is looked up, sent, re-sent or awaited, and
    // the page count starts again. The sockets stay open: see Close.
    void Stop();
    void Close();

    int size() const { return static_cast<int>(masters_.size()); }
    bool anyPage() const;
    bool awaited() const;

Q_SIGNALS:
    // The first request of the fetch is about to go out.
    void asking();
    // A master was sent its request, or given up because its host was not found.
    void asked();
    // One list page of a master, its addresses in the page's order.
    void page(const std::vector<std::string>& addresses);
    // Every master of the fetch was given up before any page came, at least one of them after
    // asking it (a fetch whose names all fail to resolve says nothing).
    void silent();
    // A master's request is held back by its limit (held), or went out after waiting for it.
    void waiting(bool held);
    // A master is no longer awaited.
    void settled();

private:
    struct Master;
    Master& Take(std::vector<std::unique_ptr<Master>>& old, const std::string& text);
    void Ask(Master& master, const std::string& host, int port);
    void OnReadyRead(Master& master);
    void OnSilent(Master& master);
    void GiveUp(Master& master, bool afterAsking);

    Fetch fetch_;
    std::vector<std::unique_ptr<Master>> masters_;
    QTimer waitTimer_; // the fetch's wait: past it no master is awaited any more
};
