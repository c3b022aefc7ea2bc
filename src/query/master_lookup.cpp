// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/master_lookup.h"

#include "core/address.h"
#include "settings/app_settings.h"

#include <QHostInfo>

std::string MasterServerText(const AppSettings& settings)
{
    if (!settings.masterServer.empty())
        return settings.masterServer;
    return settings.wonMaster ? AppSettings::kDefaultWonMaster : AppSettings::kDefaultMasterServer;
}

void CMasterLookup::Start(const std::string& text, Found found, NotFound notFound)
{
    Cancel();
    const size_t colon = text.find(':');
    int port = colon == std::string::npos ? 0 : GetPort(text);
    if (port == 0)
        port = kDefaultMasterPort;
    if (IsValidAddress(text)) {
        found(GetHost(NormalizeAddress(text)), port);
        return;
    }
    // The name before a colon is looked up; "host:27011" names a host and a port, not a host
    // called that.
    const int request = request_;
    lookupId_ = QHostInfo::lookupHost(
        QString::fromStdString(GetHost(text)), this,
        [this, request, port, found = std::move(found), notFound = std::move(notFound)](const QHostInfo& info) {
            if (request != request_)
                return;
            lookupId_ = -1;
            for (const QHostAddress& a : info.addresses())
                if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                    found(a.toString().toStdString(), port);
                    return;
                }
            notFound();
        });
}

void CMasterLookup::Cancel()
{
    // The lookup is left to finish and its answer dropped: aborting it would leave Qt's
    // receiver of the answer behind, never freed.
    ++request_;
    lookupId_ = -1;
}
