#pragma once
// What the sandbox's services share, and the request record they all make.
#include <httplib.h>

#include <string>

#include "sandbox/account_store.h"
#include "sandbox/data_set.h"
#include "sandbox/options.h"
#include "sandbox/recorder.h"

namespace sandbox {

struct ServiceContext {
    const Options& options;
    const DataSet& data;
    AccountStore& accounts;
    Recorder& recorder;
};

// A record of the request with its method, target, local address, headers and body.
Record RecordOf(const httplib::Request& req, std::string kind, std::string key);

// Service routes, one set per service (each in its own file).
void AddAccountRoutes(httplib::Server& server, ServiceContext& context);
void AddPlatformRoutes(httplib::Server& server, ServiceContext& context);
void AddControlRoutes(httplib::Server& server, ServiceContext& context);
void AddRankRoutes(httplib::Server& server, ServiceContext& context);
void AddPageRoutes(httplib::Server& server, ServiceContext& context);

}  // namespace sandbox
