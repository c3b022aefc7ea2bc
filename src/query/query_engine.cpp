#include "query/query_engine.h"

CQueryEngine::CQueryEngine(AppSettings& settings, ServerStore& store)
    : refresh_(settings, store), details_(settings, store)
{
}

void CQueryEngine::CloseAll()
{
    refresh_.CloseAll();
    details_.Close();
}
