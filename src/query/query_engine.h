#pragma once
#include "query/detail_query.h"
#include "query/refresh_engine.h"

struct AppSettings;
class ServerStore;

// What talks to the servers for the browser, made once by the application over its settings and
// store: the refresh of the two lists (master list, ping phase, five queries in flight) and the
// details of the selected server. The player search keeps its own queries beside its page.
class CQueryEngine {
public:
    // settings and store must outlive the engine.
    CQueryEngine(AppSettings& settings, ServerStore& store);

    CRefreshEngine& refresh() { return refresh_; }
    const CRefreshEngine& refresh() const { return refresh_; }
    CDetailQuery& details() { return details_; }

    // Closes every socket and stops every timer (shut-down).
    void CloseAll();

private:
    CRefreshEngine refresh_;
    CDetailQuery details_;
};
