#pragma once
#include "query/model/protocol.h"
#include "query/model/server_rows.h"

#include <QObject>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CDetailSocket;
class ServerStore;

// The details of the server selected in the browser: "ping", "players", "rules" and
// "infostring" on one socket, with no time-out (a server that does not answer leaves the page
// waiting). The players and rules go to the page as they come; the info and the ping go into the
// server's record and into every row of it in both lists.
class CDetailQuery : public QObject {
    Q_OBJECT
public:
    // store must outlive the query.
    explicit CDetailQuery(ServerStore& store, QObject* parent = nullptr);
    ~CDetailQuery() override;

    // Stamps the send time into the server's record and sends the four requests, back to back.
    void QuerySelected(const std::string& address);
    void Close();

    CDetailSocket* socket() const { return socket_.get(); }

Q_SIGNALS:
    // Players and Rules wait for the answers ("Please Wait").
    void detailsRequested();
    void playersReceived(const std::vector<PlayerEntry>& players);
    void rulesReceived(const std::vector<std::pair<std::string, std::string>>& rules);
    // Every row of the server in list takes the columns change gives.
    void serverRowsChanged(ServerList list, const std::string& address, const ServerRowChange& change);

private:
    void OnReadyRead();
    void ChangeRows(const std::string& address, const ServerRowChange& change);

    ServerStore& store_;
    std::unique_ptr<CDetailSocket> socket_;
};
