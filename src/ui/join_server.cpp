#include "ui/join_server.h"

#include "launch/game_launcher.h"
#include "settings/server_store.h"
#include "ui/display_text.h"
#include "ui/input_box.h"

CHLThread* JoinWithPassword(const AppSettings& settings, ServerStore& store, const std::string& address, QWidget* owner)
{
    const ServerRecord* record = store.FindOrCreateRecord(address);
    std::optional<std::string> password;
    if (IsPasswordProtected(*record)) {
        CInputBox box(owner);
        if (box.DoModal("Password", DisplayText(PasswordPrompt(record->name)), QString()) != CInputBox::IDOK)
            return nullptr;
        password = box.text.toStdString();
    }
    return JoinServer(settings, address, password);
}
