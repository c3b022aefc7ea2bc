#pragma once
#include <QDeadlineTimer>
#include <QTimer>
#include <QUdpSocket>
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
    // The peer as "a.b.c.d:port", "" when not connected.
    std::string PeerText() const;
    // The address last given to Reconnect, kept when the connection could not be made (a text
    // no socket can reach); "" after Close.
    const std::string& Target() const { return target_; }
    // One received datagram, at most 4096 bytes of it.
    std::vector<unsigned char> ReceiveOne();

    bool outstanding = false;

private:
    std::string peer_;
    std::string target_;
};

class CDetailSocket : public CQueryUdpSocket {
    Q_OBJECT
public:
    using CQueryUdpSocket::CQueryUdpSocket;
};

// One of the five refresh sockets; its time-out timer is its identity.
class CQuerySocket : public CQueryUdpSocket {
    Q_OBJECT
public:
    explicit CQuerySocket(QObject* parent = nullptr);
    QTimer timeoutTimer;
};

// One ping of the ping phase; it waits for its 'j' until its own deadline.
class CPingSocket : public CQueryUdpSocket {
    Q_OBJECT
public:
    using CQueryUdpSocket::CQueryUdpSocket;
    QDeadlineTimer deadline;
};

class CMasterSocket : public CQueryUdpSocket {
    Q_OBJECT
public:
    using CQueryUdpSocket::CQueryUdpSocket;
};

class CSearchInfoSocket : public CQueryUdpSocket {
    Q_OBJECT
public:
    using CQueryUdpSocket::CQueryUdpSocket;
};
