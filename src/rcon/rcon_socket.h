// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/query_sockets.h"
#include "rcon/model/rcon_protocol.h"

#include <QTimer>
#include <cstdint>
#include <string>

// The datagram socket of one remote console. It asks the server for a challenge, keeps the
// number the server gave, and sends commands with it. What arrives goes out as plain values;
// the console window shows them.
//
// A server that gives no challenge within the time-out is asked once more; after a second
// time-out the socket takes it for one that wants none and sends the password and the command
// alone for the rest of its life. Such a server answers a wrong password with silence, so a
// command sent to it that gets no output within the time-out is reported.
class CRconSocket : public CQueryUdpSocket {
    Q_OBJECT
public:
    // Datagrams read per wake; the rest wait for the next one, so a flooding peer cannot hold
    // the window thread.
    static constexpr int kDatagramsPerWake = 64;
    static constexpr int kDefaultTimeoutMs = 1000;

    explicit CRconSocket(QObject* parent = nullptr);

    // The wait for a challenge and for a command's output, in milliseconds; set before Open.
    void SetTimeoutMs(int ms) { timeoutMs_ = ms > 0 ? ms : kDefaultTimeoutMs; }

    // Connects to host:port of the address (port 27015 when it has none) and sends the
    // challenge request. False when the address cannot be reached or the request not sent; the
    // console then simply never connects.
    bool Open(const std::string& address);

    // 0 while no challenge has been accepted; once set it stays for the socket's life.
    uint32_t challenge() const { return challenge_; }
    // True once a challenge is accepted, or once the server is taken for one that wants none.
    bool connected() const { return challenge_ != 0 || withoutChallenge_; }
    bool withoutChallenge() const { return withoutChallenge_; }

    // Emits the echo of the command, then sends it with the challenge (when the server gave one)
    // and the password. Does nothing (and returns false) while not connected, and for a password
    // that cannot be sent (IsSendableRconPassword).
    bool SendCommand(const std::string& password, const std::string& command);

Q_SIGNALS:
    // A challenge reply came while none was accepted (also one reading as 0, which leaves the
    // socket waiting).
    void challengeAccepted();
    // The second time-out passed without a challenge: commands go without one from now on.
    void challengeSkipped();
    // A command sent without a challenge got no output within the time-out.
    void noAnswer();
    // One append's worth of text, its lines separated by "\r\n", in UTF-8: the server's output
    // read as one stream (RconOutputStream), or the echo of a command.
    void outputLines(const std::string& text);

private:
    void OnReadyRead();
    void OnChallengeTimeout();
    void OnAnswerTimeout();

    uint32_t challenge_ = 0;
    bool challengeReplied_ = false; // any challenge reply, also one reading as 0
    bool withoutChallenge_ = false;
    int challengeRequests_ = 0;
    int timeoutMs_ = kDefaultTimeoutMs;
    QTimer challengeTimer_;
    QTimer answerTimer_; // runs from a command sent without a challenge to its first output
    RconOutputStream output_;
};
