// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/join_server.h"

#include "core/address.h"
#include "launch/game_launcher.h"
#include "settings/server_store.h"
#include "ui/display_text.h"
#include "ui/input_box.h"

#include <ctime>

CHLThread* JoinWithPassword(const AppSettings& settings, ServerStore& store, const std::string& address, QWidget* owner,
                            const std::function<void(const std::string&)>& openUrl)
{
    const ServerRecord* record = store.FindOrCreateRecord(address);
    std::optional<std::string> password;
    if (IsPasswordProtected(*record)) {
        CInputBox box(owner);
        if (box.DoModal("Password", DisplayLine(PasswordPrompt(record->name)), QString()) != CInputBox::IDOK)
            return nullptr;
        password = box.text.toStdString();
    }
    // A relayed server has no address the game could reach: Steam joins it through its relay.
    if (IsRelayedAddress(address)) {
        openUrl(SteamConnectUrl(address, password ? &*password : nullptr));
        store.RememberJoin(address, static_cast<int64_t>(std::time(nullptr)));
        return nullptr;
    }
    CHLThread* launcher = JoinServer(settings, address, password);
    // Remembered whatever became of the start: the user meant to play there.
    store.RememberJoin(address, static_cast<int64_t>(std::time(nullptr)));
    return launcher;
}
