// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/player_search.h"

#include "query/model/protocol.h"
#include "query/query_sockets.h"
#include "settings/app_settings.h"

namespace {

constexpr int kDatagramsPerWake = CQueryUdpSocket::kDatagramsPerWake;

} // namespace

CPlayerSearch::CPlayerSearch(const AppSettings& settings, QObject* parent)
    : QObject(parent), settings_(settings), master_(std::make_unique<CQueryUdpSocket>()),
      asker_(settings, CPlayersAsker::Rules{kMaxOpenSockets})
{
    setObjectName("CPlayerSearch");
    connect(master_.get(), &QUdpSocket::readyRead, this, &CPlayerSearch::OnMasterReadyRead);
    connect(&asker_, &CPlayersAsker::serverAnswered, this, &CPlayerSearch::serverAnswered);
}

CPlayerSearch::~CPlayerSearch()
{
    Stop();
}

void CPlayerSearch::Stop()
{
    lookup_.Cancel();
    webApiWaiting_ = false;
    master_->Close();
    pager_.Stop();
    asker_.Stop();
    pages_ = 0;
    servers_ = 0;
    taken_.clear();
}

void CPlayerSearch::Start()
{
    Stop();
    if (IsSteamWebApiMaster(settings_.masterServer)) {
        webApiWaiting_ = true;
        Q_EMIT masterRequested();
        Q_EMIT webApiListWanted();
        return;
    }
    lookup_.Start(
        MasterServerText(settings_), [this](const std::string& host, int port) { SendMasterTo(host, port); }, [] {});
}

void CPlayerSearch::SendMasterTo(const std::string& host, int port)
{
    Q_EMIT masterRequested();
    if (master_->Reconnect(host + ":" + std::to_string(port)))
        pager_.Start(master_.get(), settings_.wonMaster ? MasterFlavour::Won : MasterFlavour::Steam,
                     settings_.modFolder, settings_.TimeoutMs(), settings_.options.dialect != QueryDialect::Classic);
}

void CPlayerSearch::OnMasterReadyRead()
{
    for (int n = 0; n < kDatagramsPerWake && master_->hasPendingDatagrams(); ++n) {
        const std::vector<unsigned char> reply = master_->ReceiveOne();
        if (!IsMasterReply(reply.data(), reply.size()) || pages_ >= kMaxMasterPages)
            continue;
        ++pages_;
        const std::vector<std::string> page = DecodeMasterList(
            settings_.wonMaster ? MasterFlavour::Won : MasterFlavour::Steam, reply.data(), reply.size());
        if (pages_ < kMaxMasterPages)
            pager_.Page(reply, page);
        AskListed(page);
    }
}

void CPlayerSearch::AskListed(const std::vector<std::string>& listed)
{
    // A server a master lists twice (pages overlap when a list changes meanwhile) is asked once.
    std::vector<std::string> addresses;
    for (const std::string& address : listed) {
        if (taken_.insert(address).second)
            addresses.push_back(address);
    }
    const size_t room = static_cast<size_t>(kMaxServers - servers_);
    if (addresses.size() > room)
        addresses.resize(room);
    servers_ += static_cast<int>(addresses.size());
    Q_EMIT serversListed(addresses);
    asker_.Ask(addresses);
}

void CPlayerSearch::TakeWebApiAnswer(WebApiOutcome outcome, const WebApiList& list)
{
    if (!webApiWaiting_)
        return;
    webApiWaiting_ = false;
    // A list that could not be had ends the search as an unknown master host does: silently.
    if (outcome != WebApiOutcome::Ok)
        return;
    std::vector<std::string> addresses;
    for (const WebApiServer& server : list.servers)
        addresses.push_back(server.addr);
    AskListed(addresses);
}
