// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_farm.h"

#include "serving_thread.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>
#include <QtEndian>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>

namespace sim {
namespace {

bool HasHeader(const QByteArray& d)
{
    return d.size() >= 4 && std::memcmp(d.constData(), "\xFF\xFF\xFF\xFF", 4) == 0;
}

std::string Escape(const char* data, qsizetype size)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(static_cast<size_t>(size));
    for (qsizetype i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

// The text after the header up to the first NUL, the way the engine reads a connectionless
// command.
std::string CommandText(const QByteArray& d)
{
    const char* begin = d.constData() + 4;
    const qsizetype size = d.size() - 4;
    const void* nul = std::memchr(begin, '\0', static_cast<size_t>(size));
    const qsizetype length = nul ? static_cast<const char*>(nul) - begin : size;
    return std::string(begin, static_cast<size_t>(length));
}

std::vector<std::string> Words(const std::string& text, size_t max)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (words.size() < max) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        if (i >= text.size())
            break;
        const size_t start = i;
        while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        words.push_back(text.substr(start, i - start));
    }
    return words;
}

// Today's requests: 'T' "Source Engine Query" NUL [challenge], 'U' / 'V' [challenge]. The
// kind byte, or 0 when the datagram is none of them.
char A2sKind(const QByteArray& d)
{
    static const QByteArray kInfo("TSource Engine Query\0", 21);
    if (!HasHeader(d) || d.size() < 5)
        return 0;
    if (d.mid(4, kInfo.size()) == kInfo)
        return 'T';
    return d[4] == 'U' || d[4] == 'V' ? d[4] : 0;
}

const char* A2sName(char kind)
{
    return kind == 'T' ? "A2S_INFO" : kind == 'U' ? "A2S_PLAYER" : "A2S_RULES";
}

// The challenge a request carries; FF FF FF FF (asking for one) when it carries none.
int32_t A2sChallengeOf(char kind, const QByteArray& d)
{
    const qsizetype at = kind == 'T' ? 25 : 5;
    return d.size() >= at + 4 ? qFromLittleEndian<int32_t>(d.constData() + at) : -1;
}

std::string PeerText(const QHostAddress& peer, uint16_t port)
{
    return peer.toString().toStdString() + ":" + std::to_string(port);
}

std::string LoopbackAddress(uint16_t port)
{
    return "127.0.0.1:" + std::to_string(port);
}

QUdpSocket* BindSocket(QObject* parent, uint16_t port, const std::string& what, std::string* error)
{
    auto* socket = new QUdpSocket(parent);
    // Without DontShareAddress Linux lets a second simulator bind the same UDP port silently.
    if (!socket->bind(QHostAddress(QHostAddress::LocalHost), port, QAbstractSocket::DontShareAddress)) {
        if (error)
            *error =
                what + ": cannot bind 127.0.0.1:" + std::to_string(port) + ": " + socket->errorString().toStdString();
        delete socket;
        return nullptr;
    }
    return socket;
}

void Transmit(QUdpSocket* socket, const SimBehaviour& b, const QList<QByteArray>& replies, const QHostAddress& peer,
              uint16_t peerPort)
{
    for (QByteArray d : replies) {
        if (b.wrongHeader && !d.isEmpty())
            d[0] = '\xFE';
        if (b.truncateAfter > 0 && d.size() > b.truncateAfter)
            d.truncate(b.truncateAfter);
        socket->writeDatagram(d, peer, peerPort);
        if (b.duplicate)
            socket->writeDatagram(d, peer, peerPort);
    }
}

} // namespace

int64_t SteadyNowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// ---------------------------------------------------------------------------------------------

SimGameServer::SimGameServer(SimFarm& farm, GameServerConfig config)
    : farm_(farm), config_(std::move(config)), behaviour_(config_.behaviour)
{
}

uint16_t SimGameServer::Port() const
{
    std::lock_guard lock(farm_.mutex_);
    return port_;
}

std::string SimGameServer::Address() const
{
    return LoopbackAddress(Port());
}

ServerRecord SimGameServer::Record() const
{
    std::lock_guard lock(farm_.mutex_);
    return record_;
}

SimBehaviour SimGameServer::Behaviour() const
{
    std::lock_guard lock(farm_.mutex_);
    return behaviour_;
}

void SimGameServer::SetBehaviour(const SimBehaviour& behaviour)
{
    std::lock_guard lock(farm_.mutex_);
    behaviour_ = behaviour;
}

void SimGameServer::SetPlayers(std::vector<SimPlayer> players)
{
    std::lock_guard lock(farm_.mutex_);
    newPlayers_ = std::move(players);
}

void SimGameServer::SetA2sChallengeValue(int32_t value)
{
    std::lock_guard lock(farm_.mutex_);
    newChallenge_ = value;
}

void SimGameServer::OnReadyRead()
{
    while (socket_ && socket_->hasPendingDatagrams()) {
        const QNetworkDatagram d = socket_->receiveDatagram();
        if (d.isValid())
            Handle(d.data(), d.senderAddress(), static_cast<uint16_t>(d.senderPort()));
    }
}

void SimGameServer::Handle(const QByteArray& datagram, const QHostAddress& peer, uint16_t peerPort)
{
    const bool header = HasHeader(datagram);
    const char a2s = A2sKind(datagram);
    const std::string text = header ? CommandText(datagram) : std::string();
    const std::vector<std::string> words = Words(text, 2);
    const std::string word = !header ? "(no header)" : a2s ? A2sName(a2s) : words.empty() ? "" : words[0];

    ReceivedRequest request;
    request.timeMs = SteadyNowMs();
    // Today's requests whole, challenge bytes included.
    request.request = !header ? Escape(datagram.constData(), datagram.size())
                      : a2s   ? Escape(datagram.constData() + 4, datagram.size() - 4)
                              : Escape(text.data(), static_cast<qsizetype>(text.size()));
    request.peer = PeerText(peer, peerPort);
    SimBehaviour b;
    uint16_t ownPort = 0;
    {
        std::lock_guard lock(farm_.mutex_);
        b = behaviour_;
        ownPort = port_;
        // The replies read config_ in this thread alone, unlocked.
        if (newPlayers_) {
            config_.players = std::move(*newPlayers_);
            allPlayers_.clear();
            newPlayers_.reset();
        }
        if (newChallenge_) {
            config_.a2sChallengeValue = *newChallenge_;
            newChallenge_.reset();
        }
        if (config_.churnSeconds > 0) {
            if (allPlayers_.empty())
                allPlayers_ = config_.players;
            config_.players = allPlayers_;
            if ((request.timeMs / 1000 / config_.churnSeconds) % 2 == 1 && !config_.players.empty())
                config_.players.pop_back();
        }
    }

    QList<QByteArray> replies;
    bool infostring = false;
    const bool classic = config_.answersClassic;
    if (header && !b.silent && (!b.pingOnly || word == "ping")) {
        const std::string address = LoopbackAddress(ownPort);
        if (a2s) {
            if (config_.answersA2s)
                replies = A2sAnswer(a2s, datagram, ownPort, peerPort, infostring);
        } else if (word == "ping") {
            replies.append(config_.pingAck ? AckReply() : PingReply());
        } else if (!classic && (word == "infostring" || word == "details" || word == "info" || word == "players" ||
                                word == "rules")) {
            // Today's servers hand these to the game library, which answers nothing.
        } else if (word == "infostring") {
            replies.append(InfostringReply(config_));
            infostring = true;
        } else if (word == "details") {
            replies.append(DetailsReply(config_, address));
        } else if (word == "info") {
            replies.append(InfoReply(config_, address));
        } else if (word == "players") {
            replies.append(PlayersReply(config_));
        } else if (word == "rules") {
            replies = RulesAnswer();
        } else if (word == "challenge" && words.size() > 1 && words[1] == "rcon") {
            if (!config_.rconNoChallenge)
                replies.append(RconChallengeReply(config_.rconChallenge));
        } else if (word == "rcon") {
            replies = RconAnswer(text, ownPort);
        }
    }

    {
        // One update, so a reader in another thread never sees a request half recorded.
        std::lock_guard lock(farm_.mutex_);
        if (b.lossy && !replies.isEmpty() && lossySeen_.insert(word + " " + request.peer).second) {
            replies.clear();
            infostring = false;
        }
        record_.requests.push_back(request);
        record_.requestCounts[word]++;
        record_.datagramsReceived++;
        if (replies.isEmpty())
            record_.ignored++;
        if (infostring) {
            record_.infostringInFlight++;
            record_.maxInfostringInFlight = std::max(record_.maxInfostringInFlight, record_.infostringInFlight);
            farm_.inFlight_++;
            farm_.maxInFlight_ = std::max(farm_.maxInFlight_, farm_.inFlight_);
        }
    }
    if (farm_.observer_)
        farm_.observer_(config_.label, request);
    if (replies.isEmpty())
        return;
    if (b.delayMs > 0) {
        // The socket as context: a farm stopped meanwhile drops the pending answer.
        QTimer::singleShot(b.delayMs, Qt::PreciseTimer, socket_,
                           [this, replies, peer, peerPort, infostring] { Send(replies, peer, peerPort, infostring); });
    } else {
        Send(replies, peer, peerPort, infostring);
    }
}

QList<QByteArray> SimGameServer::A2sAnswer(char kind, const QByteArray& datagram, uint16_t ownPort, uint16_t peerPort,
                                           bool& info)
{
    if (kind == 'U' && !config_.a2sPlayersWhenEmpty && config_.players.empty())
        return {};
    int32_t expected = config_.a2sChallengeValue;
    if (expected == 0) {
        // Each client of each server gets its own, as from a real one.
        const uint32_t mixed = ((uint32_t{ownPort} << 16) | peerPort) * 2654435761u;
        expected = static_cast<int32_t>(mixed == 0 || mixed == 0xFFFFFFFFu ? 0x5EED5EEDu : mixed);
    }
    if (config_.a2sEndlessChallenges)
        return {ChallengeReply(++endless_)};
    const int32_t got = A2sChallengeOf(kind, datagram);
    const bool placeholder = kind != 'T' && config_.a2sPlaceholderChallenge && got == -1;
    if ((config_.a2sChallenge && got != expected) || placeholder)
        return {ChallengeReply(expected)};
    if (kind == 'U')
        return {PlayersReply(config_)};
    if (kind == 'V')
        return RulesAnswer();
    info = true;
    QList<QByteArray> out;
    if (config_.a2sInfoKind != SimInfoKind::Source)
        out.append(DetailsReply(config_, LoopbackAddress(ownPort), DetailsStyle::Today));
    if (config_.a2sInfoKind != SimInfoKind::GoldSrc)
        out.append(SourceInfoReply(config_, ownPort));
    return out;
}

QList<QByteArray> SimGameServer::RulesAnswer()
{
    const QByteArray reply = RulesReply(config_);
    if (config_.rulesPieces < 2)
        return {reply};
    // Out of order, the way they can arrive: the last piece first.
    QList<QByteArray> pieces = SplitReply(reply, splitId_++, config_.rulesPieces);
    pieces.prepend(pieces.takeLast());
    return pieces;
}

QList<QByteArray> SimGameServer::RconAnswer(const std::string& text, uint16_t ownPort) const
{
    // rcon <challenge> "<password>" <command...>, or without the challenge when the server
    // hands out none; the password may also come unquoted.
    size_t i = 4;
    auto skipSpaces = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
    };
    skipSpaces();
    std::string challengeText;
    if (!config_.rconNoChallenge) {
        const size_t challengeStart = i;
        while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        challengeText = text.substr(challengeStart, i - challengeStart);
        skipSpaces();
    }
    std::string password;
    if (i < text.size() && text[i] == '"') {
        const size_t close = text.find('"', i + 1);
        const size_t end = close == std::string::npos ? text.size() : close;
        password = text.substr(i + 1, end - i - 1);
        i = close == std::string::npos ? text.size() : close + 1;
    } else {
        const size_t start = i;
        while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        password = text.substr(start, i - start);
    }
    const std::string command = i < text.size() ? text.substr(i) : std::string();
    const bool print = config_.rconPrintWord;
    if (config_.rconNoChallenge) {
        // Such a server answers a wrong password with silence.
        if (config_.rconPassword.empty() || password != config_.rconPassword)
            return {};
        return RconReplies(RconOutput(config_, LoopbackAddress(ownPort), command), print);
    }

    bool challengeOk = !challengeText.empty();
    uint64_t challenge = 0;
    for (char c : challengeText) {
        if (c < '0' || c > '9') {
            challengeOk = false;
            break;
        }
        challenge = challenge * 10 + static_cast<uint64_t>(c - '0');
    }
    if (!challengeOk || challengeText.size() > 20 || challenge != config_.rconChallenge)
        return RconReplies("Bad challenge.\n", print);
    if (config_.rconPassword.empty() || password != config_.rconPassword)
        return RconReplies("Bad rcon_password.\n", print);
    return RconReplies(RconOutput(config_, LoopbackAddress(ownPort), command), print);
}

void SimGameServer::Send(const QList<QByteArray>& replies, const QHostAddress& peer, uint16_t peerPort, bool infostring)
{
    SimBehaviour b;
    {
        // Counted before the datagrams leave: a client holding the answer never finds the
        // record lagging behind it.
        std::lock_guard lock(farm_.mutex_);
        b = behaviour_;
        record_.datagramsSent += static_cast<int>(replies.size()) * (b.duplicate ? 2 : 1);
        record_.answered++;
        if (infostring) {
            record_.infostringInFlight--;
            farm_.inFlight_--;
        }
    }
    Transmit(socket_, b, replies, peer, peerPort);
}

// ---------------------------------------------------------------------------------------------

SimMaster::SimMaster(SimFarm& farm, MasterConfig config)
    : farm_(farm), config_(std::move(config)), behaviour_(config_.behaviour)
{
}

uint16_t SimMaster::Port() const
{
    std::lock_guard lock(farm_.mutex_);
    return port_;
}

std::string SimMaster::Address() const
{
    return LoopbackAddress(Port());
}

QList<MasterAddress> SimMaster::List() const
{
    std::lock_guard lock(farm_.mutex_);
    return list_;
}

ServerRecord SimMaster::Record() const
{
    std::lock_guard lock(farm_.mutex_);
    return record_;
}

SimBehaviour SimMaster::Behaviour() const
{
    std::lock_guard lock(farm_.mutex_);
    return behaviour_;
}

void SimMaster::SetBehaviour(const SimBehaviour& behaviour)
{
    std::lock_guard lock(farm_.mutex_);
    behaviour_ = behaviour;
}

void SimMaster::OnReadyRead()
{
    while (socket_ && socket_->hasPendingDatagrams()) {
        const QNetworkDatagram d = socket_->receiveDatagram();
        if (d.isValid())
            Handle(d.data(), d.senderAddress(), static_cast<uint16_t>(d.senderPort()));
    }
}

void SimMaster::Handle(const QByteArray& datagram, const QHostAddress& peer, uint16_t peerPort)
{
    const bool query = !datagram.isEmpty() && datagram[0] == '1';
    const bool steam = config_.flavour == SimMasterFlavour::Steam;
    ReceivedRequest request;
    request.timeMs = SteadyNowMs();
    request.request = Escape(datagram.constData(), datagram.size());
    request.peer = PeerText(peer, peerPort);
    SimBehaviour b;
    QList<MasterAddress> list;
    bool answer = false;
    {
        std::lock_guard lock(farm_.mutex_);
        b = behaviour_;
        list = list_;
        answer = query && !b.silent && !b.pingOnly;
        if (answer && config_.maxRequestsPerMinute > 0) {
            std::vector<int64_t>& recent = recentByHost_[peer.toString().toStdString()];
            std::erase_if(recent, [&](int64_t t) { return t <= request.timeMs - 60000; });
            recent.push_back(request.timeMs);
            answer = static_cast<int>(recent.size()) <= config_.maxRequestsPerMinute;
        }
        if (answer && b.lossy && lossySeen_.insert(request.request + " " + request.peer).second)
            answer = false;
        record_.requests.push_back(request);
        record_.requestCounts[query ? "1" : Escape(datagram.constData(), std::min<qsizetype>(1, datagram.size()))]++;
        if (query) {
            if (steam) {
                record_.seeds.push_back(datagram.size() > 2 ? datagram.mid(2).split('\0').first().toStdString() : "");
            } else {
                char batch[4] = {0, 0, 0, 0};
                std::memcpy(batch, datagram.constData() + 1,
                            static_cast<size_t>(std::min<qsizetype>(4, datagram.size() - 1)));
                record_.seeds.push_back(std::to_string(qFromLittleEndian<uint32_t>(batch)));
            }
        }
        record_.datagramsReceived++;
        if (!answer)
            record_.ignored++;
    }
    if (farm_.observer_)
        farm_.observer_(config_.label, request);
    if (!answer)
        return;

    QByteArray reply;
    if (steam) {
        // '1', region byte, "a.b.c.d:port" NUL (the last address of the previous page), filter.
        MasterAddress seed;
        if (datagram.size() > 2) {
            const QByteArray text = datagram.mid(2).split('\0').first();
            const qsizetype colon = text.lastIndexOf(':');
            // The port is read as far as it has digits: qstat sends seeds like
            // "10.0.2.182:27015d", and masters must not fall back to the first page then.
            qsizetype end = colon + 1;
            while (end < text.size() && text[end] >= '0' && text[end] <= '9')
                ++end;
            bool ok = false;
            const QHostAddress host(QString::fromLatin1(text.left(colon)));
            const uint port = text.mid(colon + 1, end - colon - 1).toUInt(&ok);
            if (colon > 0 && ok && port <= 65535 && host.protocol() == QAbstractSocket::IPv4Protocol)
                seed = MasterAddress{host.toIPv4Address(), static_cast<uint16_t>(port)};
        }
        // A page as long as the list has no room left for the end mark.
        reply = config_.endlessPages ? SteamMasterPage(list, MasterAddress{}, std::max<int>(1, int(list.size())))
                                     : SteamMasterPage(list, seed, config_.pageSize);
    } else {
        // '1' and the batch number the previous reply handed out (0 or absent: the first).
        char batch[4] = {0, 0, 0, 0};
        std::memcpy(batch, datagram.constData() + 1, static_cast<size_t>(std::min<qsizetype>(4, datagram.size() - 1)));
        reply = WonMasterBatch(list, qFromLittleEndian<uint32_t>(batch), config_.pageSize);
    }

    auto send = [this, reply, peer, peerPort] {
        SimBehaviour now;
        {
            std::lock_guard lock(farm_.mutex_);
            now = behaviour_;
            record_.datagramsSent += now.duplicate ? 2 : 1;
            record_.answered++;
        }
        Transmit(socket_, now, {reply}, peer, peerPort);
    };
    if (b.delayMs > 0)
        QTimer::singleShot(b.delayMs, Qt::PreciseTimer, socket_, send);
    else
        send();
}

// ---------------------------------------------------------------------------------------------

SimFarm::SimFarm() = default;

SimFarm::~SimFarm()
{
    Stop();
}

SimGameServer& SimFarm::AddGameServer(const GameServerConfig& config)
{
    GameServerConfig c = config;
    if (c.label.empty())
        c.label = "server" + std::to_string(servers_.size() + 1);
    servers_.push_back(std::unique_ptr<SimGameServer>(new SimGameServer(*this, std::move(c))));
    return *servers_.back();
}

SimMaster& SimFarm::AddMaster(const MasterConfig& config)
{
    MasterConfig c = config;
    if (c.label.empty())
        c.label = "master" + std::to_string(masters_.size() + 1);
    masters_.push_back(std::unique_ptr<SimMaster>(new SimMaster(*this, std::move(c))));
    return *masters_.back();
}

SimWebApi& SimFarm::AddWebApi(const WebApiConfig& config)
{
    WebApiConfig c = config;
    if (c.label.empty())
        c.label = "webapi" + std::to_string(webApis_.size() + 1);
    webApis_.push_back(std::unique_ptr<SimWebApi>(new SimWebApi(*this, std::move(c))));
    return *webApis_.back();
}

void SimFarm::Add(const SimFarmConfig& config)
{
    for (const GameServerConfig& s : config.servers)
        AddGameServer(s);
    for (const MasterConfig& m : config.masters)
        AddMaster(m);
    for (const WebApiConfig& w : config.webApis)
        AddWebApi(w);
}

SimGameServer* SimFarm::FindGameServer(const std::string& label)
{
    for (auto& s : servers_) {
        if (s->Label() == label)
            return s.get();
    }
    return nullptr;
}

bool SimFarm::Start(std::string* error)
{
    if (IsRunning()) {
        if (error)
            *error = "the farm is already running";
        return false;
    }
    context_ = new QObject;
    if (!BindAll(error)) {
        Stop();
        return false;
    }
    return true;
}

bool SimFarm::StartInOwnThread(std::string* error)
{
    if (IsRunning()) {
        if (error)
            *error = "the farm is already running";
        return false;
    }
    thread_ = std::make_unique<ServingThread>("SimFarm");
    std::string bindError;
    // The sockets and their parent are made, and closed, in the farm's thread.
    const bool ok = thread_->Serve(
        [this, &bindError] {
            context_ = new QObject;
            return BindAll(&bindError);
        },
        [this] {
            CloseAll();
            delete context_;
        });
    if (!ok) {
        if (error)
            *error = bindError;
        Stop();
    }
    return ok;
}

bool SimFarm::BindAll(std::string* error)
{
    for (auto& s : servers_) {
        QUdpSocket* socket = BindSocket(context_, s->config_.port, "server " + s->Label(), error);
        if (!socket)
            return false;
        s->socket_ = socket;
        SimGameServer* server = s.get();
        QObject::connect(socket, &QUdpSocket::readyRead, socket, [server] { server->OnReadyRead(); });
        std::lock_guard lock(mutex_);
        s->port_ = socket->localPort();
    }
    for (auto& m : masters_) {
        QList<MasterAddress> list;
        if (m->config_.listAllGameServers) {
            for (auto& s : servers_)
                list.append(MasterAddress{0x7F000001u, s->Port()});
        }
        for (const MasterEntry& e : m->config_.entries) {
            if (!e.serverLabel.empty()) {
                SimGameServer* s = FindGameServer(e.serverLabel);
                if (!s) {
                    if (error)
                        *error = "master " + m->Label() + " lists @" + e.serverLabel + ", an unknown server";
                    return false;
                }
                list.append(MasterAddress{0x7F000001u, s->Port()});
                continue;
            }
            const QHostAddress host(QString::fromStdString(e.host));
            if (host.protocol() != QAbstractSocket::IPv4Protocol) {
                if (error)
                    *error = "master " + m->Label() + " lists " + e.host + ", not an IPv4 address";
                return false;
            }
            list.append(MasterAddress{host.toIPv4Address(), e.port});
        }
        QUdpSocket* socket = BindSocket(context_, m->config_.port, "master " + m->Label(), error);
        if (!socket)
            return false;
        m->socket_ = socket;
        SimMaster* master = m.get();
        QObject::connect(socket, &QUdpSocket::readyRead, socket, [master] { master->OnReadyRead(); });
        std::lock_guard lock(mutex_);
        m->port_ = socket->localPort();
        m->list_ = list;
    }
    for (auto& w : webApis_)
        if (!w->Bind(context_, error))
            return false;
    return true;
}

void SimFarm::CloseAll()
{
    for (auto& s : servers_) {
        delete s->socket_;
        s->socket_ = nullptr;
    }
    for (auto& m : masters_) {
        delete m->socket_;
        m->socket_ = nullptr;
    }
    for (auto& w : webApis_)
        w->Close();
}

void SimFarm::Stop()
{
    if (!context_)
        return;
    if (thread_) {
        thread_->Stop();
        thread_.reset();
    } else {
        CloseAll();
        delete context_;
    }
    context_ = nullptr;
    // Answers still waiting for their delay died with the sockets.
    std::lock_guard lock(mutex_);
    for (auto& s : servers_)
        s->record_.infostringInFlight = 0;
    inFlight_ = 0;
}

int SimFarm::InfostringInFlight() const
{
    std::lock_guard lock(mutex_);
    return inFlight_;
}

int SimFarm::MaxInfostringInFlight() const
{
    std::lock_guard lock(mutex_);
    return maxInFlight_;
}

void SimFarm::ResetRecords()
{
    std::lock_guard lock(mutex_);
    for (auto& s : servers_) {
        const int inFlight = s->record_.infostringInFlight;
        s->record_ = ServerRecord{};
        // Queries still waiting for their answer stay in flight across the reset.
        s->record_.infostringInFlight = inFlight;
        s->record_.maxInfostringInFlight = inFlight;
    }
    for (auto& s : servers_)
        s->lossySeen_.clear();
    for (auto& m : masters_) {
        m->record_ = ServerRecord{};
        m->lossySeen_.clear();
        m->recentByHost_.clear();
    }
    for (auto& w : webApis_)
        w->requests_.clear();
    maxInFlight_ = inFlight_;
}

} // namespace sim
