// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_web_api.h"

#include "sim_farm.h"

#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>
#include <functional>
#include <memory>

namespace sim {
namespace {

constexpr const char* kListPath = "/IGameServersService/GetServerList/v1/";
// The service's own default when a request names no limit.
constexpr int kDefaultLimit = 100;

// A server that speaks TLS on every connection it takes, with the certificate given.
class TlsServer : public QTcpServer {
public:
    TlsServer(QSslCertificate certificate, QSslKey key, QObject* parent)
        : QTcpServer(parent), certificate_(std::move(certificate)), key_(std::move(key))
    {
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QSslSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        socket->setLocalCertificate(certificate_);
        socket->setPrivateKey(key_);
        socket->setPeerVerifyMode(QSslSocket::VerifyNone); // no certificate asked of the client
        addPendingConnection(socket);
        socket->startServerEncryption();
    }

private:
    QSslCertificate certificate_;
    QSslKey key_;
};

const char* Reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

QByteArray Response(int status, const QByteArray& type, const QByteArray& body, const QByteArray& extra = {})
{
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + Reason(status) + "\r\nContent-Type: " + type +
           "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + extra + "\r\n" + body;
}

QByteArray Page(int status)
{
    const QByteArray title = QByteArray::number(status) + ' ' + Reason(status);
    return Response(status, "text/html; charset=UTF-8",
                    "<html><head><title>" + title + "</title></head><body><h1>" + title + "</h1></body></html>");
}

// \appid\70\gamedir\znk: the game directory, or "" when the filter does not ask for app 70.
std::string GameDirOf(const QString& filter)
{
    const QStringList fields = filter.split('\\');
    QString appid;
    QString gamedir;
    for (qsizetype i = 1; i + 1 < fields.size(); i += 2) {
        if (fields[i] == "appid")
            appid = fields[i + 1];
        else if (fields[i] == "gamedir")
            gamedir = fields[i + 1];
    }
    return appid == "70" ? gamedir.toStdString() : std::string();
}

} // namespace

SimWebApi::SimWebApi(SimFarm& farm, WebApiConfig config)
    : farm_(farm), config_(std::move(config)), faults_(config_.faults)
{
}

SimWebApi::~SimWebApi() = default;

uint16_t SimWebApi::Port() const
{
    std::lock_guard lock(farm_.mutex_);
    return port_;
}

std::string SimWebApi::Url() const
{
    return std::string(config_.certificateFile.empty() ? "http" : "https") + "://127.0.0.1:" + std::to_string(Port());
}

std::vector<std::string> SimWebApi::Requests() const
{
    std::lock_guard lock(farm_.mutex_);
    return requests_;
}

WebApiFaults SimWebApi::Faults() const
{
    std::lock_guard lock(farm_.mutex_);
    return faults_;
}

void SimWebApi::SetFaults(const WebApiFaults& faults)
{
    std::lock_guard lock(farm_.mutex_);
    faults_ = faults;
}

bool SimWebApi::Bind(QObject* parent, std::string* error)
{
    const std::string what = "webapi " + config_.label;
    for (const std::string& label : config_.serverLabels) {
        if (!farm_.FindGameServer(label)) {
            if (error)
                *error = what + " lists " + label + ", an unknown server";
            return false;
        }
    }
    if (config_.certificateFile.empty()) {
        server_ = new QTcpServer(parent);
    } else {
        const QList<QSslCertificate> chain =
            QSslCertificate::fromPath(QString::fromStdString(config_.certificateFile), QSsl::Pem);
        QFile keyFile(QString::fromStdString(config_.keyFile));
        QByteArray pem;
        if (keyFile.open(QIODevice::ReadOnly))
            pem = keyFile.readAll();
        QSslKey key(pem, QSsl::Rsa, QSsl::Pem);
        if (key.isNull())
            key = QSslKey(pem, QSsl::Ec, QSsl::Pem);
        if (chain.isEmpty() || key.isNull()) {
            if (error)
                *error = what + ": cannot read " + config_.certificateFile + " and " + config_.keyFile;
            return false;
        }
        server_ = new TlsServer(chain.front(), key, parent);
    }
    if (!server_->listen(QHostAddress(QHostAddress::LocalHost), config_.port)) {
        if (error)
            *error = what + ": cannot listen on 127.0.0.1:" + std::to_string(config_.port) + ": " +
                     server_->errorString().toStdString();
        delete server_;
        server_ = nullptr;
        return false;
    }
    QObject::connect(server_, &QTcpServer::newConnection, server_, [this] {
        while (QTcpSocket* socket = server_->nextPendingConnection())
            OnConnection(socket);
    });
    std::lock_guard lock(farm_.mutex_);
    port_ = server_->serverPort();
    return true;
}

void SimWebApi::Close()
{
    delete server_;
    server_ = nullptr;
}

void SimWebApi::OnConnection(QTcpSocket* socket)
{
    // Requests on one connection are answered one after the other, as a client that keeps the
    // connection open (and follows redirects on it) sends them.
    struct Connection {
        QByteArray received;
        bool busy = false; // a request is being answered
    };
    auto connection = std::make_shared<Connection>();
    auto next = std::make_shared<std::function<void()>>();
    *next = [this, socket, connection, weakNext = std::weak_ptr(next)] {
        if (connection->busy)
            return;
        const qsizetype end = connection->received.indexOf("\r\n\r\n");
        if (end < 0) {
            if (connection->received.size() > 16384)
                socket->abort();
            return;
        }
        const QByteArray head = connection->received.left(end);
        connection->received.remove(0, end + 4);
        const QList<QByteArray> words = head.left(head.indexOf("\r\n")).split(' ');
        if (words.size() != 3 || words[0] != "GET") {
            socket->write(Page(400));
            socket->disconnectFromHost();
            return;
        }
        connection->busy = true;
        Answer(socket, words[1].toStdString(), [connection, weakNext] {
            connection->busy = false;
            if (auto again = weakNext.lock())
                (*again)();
        });
    };
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QTcpSocket::errorOccurred, socket, &QObject::deleteLater);
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, connection, next] {
        connection->received += socket->readAll();
        (*next)();
    });
}

QByteArray SimWebApi::ListJson(const std::string& gameDir, int limit) const
{
    QJsonArray servers;
    const QString dir = QString::fromStdString(gameDir);
    auto add = [&](QJsonObject server) {
        if (servers.size() < limit)
            servers.append(server);
    };
    auto fromFarm = [&](const SimGameServer& s) {
        const GameServerConfig& c = s.Config();
        if (QString::fromStdString(c.gamedir).compare(dir, Qt::CaseInsensitive) != 0)
            return;
        add(QJsonObject{{"addr", QString::fromStdString(s.Address())},
                        {"gameport", s.Port()},
                        {"steamid", QString("9007199254740%1").arg(1000 + s.Port())},
                        {"name", QString::fromStdString(c.hostname)},
                        {"appid", 70},
                        {"gamedir", QString::fromStdString(c.gamedir)},
                        {"version", "1.1.2.7/Stdio"},
                        {"product", "valve"},
                        {"region", 255},
                        {"players", static_cast<int>(c.players.size())},
                        {"max_players", c.maxPlayers},
                        {"bots", c.bots},
                        {"map", QString::fromStdString(c.map)},
                        {"secure", false},
                        {"dedicated", c.type == 'd'},
                        {"os", QString(QChar(c.os))},
                        {"gametype", QString::fromStdString(c.description)}});
    };
    if (config_.listAll)
        for (size_t i = 0; i < farm_.GameServerCount(); ++i)
            fromFarm(farm_.GameServer(i));
    for (const std::string& label : config_.serverLabels)
        if (const SimGameServer* s = farm_.FindGameServer(label))
            fromFarm(*s);
    for (const WebApiRelayed& r : config_.relayed) {
        const QString address = QString::fromStdString(r.address);
        if (QString::fromStdString(r.gamedir).compare(dir, Qt::CaseInsensitive) == 0) {
            add(QJsonObject{{"addr", address},
                            {"gameport", address.section(':', 1).toInt()},
                            {"steamid", "90071992547409920"},
                            {"name", QString::fromStdString(r.name)},
                            {"appid", 70},
                            {"gamedir", QString::fromStdString(r.gamedir)},
                            {"version", "1.1.2.7/Stdio"},
                            {"product", "valve"},
                            {"region", 255},
                            {"players", r.players},
                            {"max_players", r.maxPlayers},
                            {"bots", 0},
                            {"map", QString::fromStdString(r.map)},
                            {"secure", true},
                            {"dedicated", false},
                            {"os", "w"},
                            {"gametype", ""}});
        }
    }
    // As the service: no "servers" at all when nothing matched.
    QJsonObject response;
    if (!servers.isEmpty())
        response["servers"] = servers;
    return QJsonDocument(QJsonObject{{"response", response}}).toJson(QJsonDocument::Compact);
}

void SimWebApi::Answer(QTcpSocket* socket, const std::string& target, std::function<void()> done)
{
    WebApiFaults faults;
    {
        std::lock_guard lock(farm_.mutex_);
        requests_.push_back(target);
        faults = faults_;
    }
    QByteArray answer;
    const QUrl url("http://127.0.0.1" + QString::fromStdString(target));
    const QUrlQuery query(url);
    if (!faults.redirect.empty()) {
        answer = Response(302, "text/html", "<html><body>Moved</body></html>",
                          "Location: " + QByteArray::fromStdString(faults.redirect + target) + "\r\n");
    } else if (faults.status > 0) {
        answer = Page(faults.status);
    } else if (url.path() != kListPath && url.path() + "/" != kListPath) {
        answer = Page(404);
    } else if (query.queryItemValue("key", QUrl::FullyDecoded).toStdString() != config_.key ||
               !query.hasQueryItem("key")) {
        answer = Page(403);
    } else {
        bool numeric = false;
        int limit = query.queryItemValue("limit").toInt(&numeric);
        if (!numeric || limit < 1)
            limit = kDefaultLimit;
        QByteArray body = ListJson(GameDirOf(query.queryItemValue("filter", QUrl::FullyDecoded)), limit);
        if (faults.malformed)
            body.insert(body.size() - (body.endsWith("]}}") ? 3 : 2), ',');
        if (faults.cut > 0)
            body.truncate(faults.cut);
        answer = Response(200, "application/json; charset=UTF-8", body);
    }
    auto send = [socket, answer, done = std::move(done)] {
        socket->write(answer);
        done();
    };
    if (faults.delayMs > 0)
        QTimer::singleShot(faults.delayMs, Qt::PreciseTimer, socket, send);
    else
        send();
}

} // namespace sim
