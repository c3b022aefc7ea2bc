// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/model/a2s.h"
#include "query/model/exchange.h"

#include <QDeadlineTimer>
#include <QTimer>
#include <QUdpSocket>
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A datagram socket connected to one server at a time: once connected, the system hands it only
// datagrams from that peer. outstanding is set whenever it is (re)connected — it is ready to send
// — and cleared by the handlers when the awaited answer has come.
class CQueryUdpSocket : public QUdpSocket {
    Q_OBJECT
public:
    static constexpr qint64 kReceiveLimit = 4096;
    // Datagrams one handler reads before it lets the window run again; the rest wait for the
    // next turn of the event loop, so a peer sending without pause cannot hold the window.
    static constexpr int kDatagramsPerWake = 64;

    explicit CQueryUdpSocket(QObject* parent = nullptr);

    // Closes, opens on any local port and connects to host:port of the address text.
    bool Reconnect(const std::string& address);
    void Close();
    // FF FF FF FF, the text and its NUL, as one datagram.
    bool SendPacket(std::string_view text);
    bool SendBytes(const std::vector<unsigned char>& bytes);
    void SendAll(const std::vector<std::vector<unsigned char>>& datagrams);
    // The peer as "a.b.c.d:port", "" when not connected.
    std::string PeerText() const;
    // The address last given to Reconnect, kept when the connection could not be made (a text
    // no socket can reach); "" after Close.
    const std::string& Target() const { return target_; }
    // One received datagram, at most 4096 bytes of it. The pieces of a split reply are held
    // back (an empty datagram stands for each) until the last one comes: that one gives the
    // whole reply. Sets not completed within splitWaitMs are dropped.
    std::vector<unsigned char> ReceiveOne();

    bool outstanding = false;
    int splitWaitMs = 5000;

private:
    std::string peer_;
    std::string target_;
    SplitJoiner joiner_;
};

// The re-sends of the requests a server has not answered yet: kCount of them, evenly within the
// time-out, none when the classic dialect alone is chosen (its wire stays as it always was). The
// owner connects the timer to its re-send and asks Due() there.
class CResends {
public:
    static constexpr int kCount = 2;
    QTimer timer;

    void Start(QueryDialect dialect, int windowMs)
    {
        left_ = dialect == QueryDialect::Classic ? 0 : kCount;
        if (left_ > 0)
            timer.start(std::max(1, windowMs / (kCount + 1)));
        else
            timer.stop();
    }
    void Stop()
    {
        left_ = 0;
        timer.stop();
    }
    // True when the owner is to send again now; the schedule ends once answered or after the last.
    bool Due(bool answered)
    {
        if (answered || left_ <= 0) {
            Stop();
            return false;
        }
        if (--left_ <= 0)
            timer.stop();
        return true;
    }

private:
    int left_ = 0;
};

// The details of one server, for the browser's selected server or the player search's panes.
class CDetailSocket : public CQueryUdpSocket {
    Q_OBJECT
public:
    using CQueryUdpSocket::CQueryUdpSocket;
};

// One of the refresh sockets (five at once unless the user chose more); its time-out timer is
// its identity.
class CQuerySocket : public CQueryUdpSocket {
    Q_OBJECT
public:
    explicit CQuerySocket(QObject* parent = nullptr);
    QTimer timeoutTimer;
    // What the socket asks its server now, and the re-sends of what is unanswered, at a third
    // and two thirds of the time-out.
    std::optional<ServerExchange> exchange;
    CResends resends;
};

// One ping of the ping phase; it waits for its 'j' until its own deadline.
class CPingSocket : public CQueryUdpSocket {
    Q_OBJECT
public:
    using CQueryUdpSocket::CQueryUdpSocket;
    QDeadlineTimer deadline;
    QDeadlineTimer nextResend; // "ping" goes again then, while resendsLeft lasts
    int resendsLeft = 0;
};

class CMasterSocket : public CQueryUdpSocket {
    Q_OBJECT
public:
    using CQueryUdpSocket::CQueryUdpSocket;
};
