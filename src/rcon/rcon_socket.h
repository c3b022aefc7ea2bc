#pragma once
#include "query/query_sockets.h"
#include "rcon/model/rcon_protocol.h"

#include <cstdint>
#include <string>

// The datagram socket of one remote console. It asks the server for a challenge once, keeps the
// number the server gave, and sends commands with it. What arrives goes out as plain values;
// the console window shows them.
class CRconSocket : public CQueryUdpSocket {
    Q_OBJECT
public:
    // Datagrams read per wake; the rest wait for the next one, so a flooding peer cannot hold
    // the window thread.
    static constexpr int kDatagramsPerWake = 64;

    explicit CRconSocket(QObject* parent = nullptr);

    // Connects to host:port of the address (port 27015 when it has none) and sends the
    // challenge request. False when the address cannot be reached or the request not sent; the
    // console then simply never connects.
    bool Open(const std::string& address);

    // 0 while no challenge has been accepted; once set it stays for the socket's life.
    uint32_t challenge() const { return challenge_; }
    bool connected() const { return challenge_ != 0; }

    // Emits the echo of the command, then sends it with the challenge and the password. Does
    // nothing (and returns false) while not connected.
    bool SendCommand(const std::string& password, const std::string& command);

Q_SIGNALS:
    // A challenge reply came while none was accepted (also one reading as 0, which leaves the
    // socket waiting).
    void challengeAccepted();
    // One append's worth of text, its lines separated by "\r\n", in UTF-8: the server's output
    // read as one stream (RconOutputStream), or the echo of a command.
    void outputLines(const std::string& text);

private:
    void OnReadyRead();

    uint32_t challenge_ = 0;
    RconOutputStream output_;
};
