// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/model/protocol.h"
#include "query/model/web_api.h"

// What a server of the Web API's list says of itself, as an info reply would say it: its row
// shows this until the server answers (and for good when it never does, or is relayed). A member
// the list left out is empty here, and players counts missing from it show as "???".
InfoReply WebApiInfo(const WebApiServer& server);
