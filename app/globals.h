#pragma once
// The program-wide state, grouped by owner. One instance is made by InitGlobals and freed by
// ReleaseGlobals; every function takes the part it touches by reference.
#include <string>

#include "platform/endpoints.h"
#include "platform/login_exchange.h"
#include "platform/lookups.h"
#include "table/link_state.h"

namespace brevink {

struct Globals {
    Endpoints endpoints;         // [Endpoints] of the settings file
    std::string settingsPath;    // the settings file ("配置.ini")
    std::string exportPath;      // "123.txt" beside the settings file
    std::string AccountSession;  // written only by the login, on the UI thread
    LoginState login;            // LoginToken, CaptchaCode, retry counters
    int CaptchaAnswered = 0;     // bit 0 set by Enter in the captcha box
    RankCache rankCache;         // kept across runs
    LinkTableState table;        // records, queues, TableLock, flags, SortAscending
};

Globals& InitGlobals(const std::string& settingsPath);
void ReleaseGlobals();
Globals& TheGlobals();

}  // namespace brevink
