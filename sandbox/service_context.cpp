#include "sandbox/service_context.h"

namespace sandbox {

Record RecordOf(const httplib::Request& req, std::string kind, std::string key) {
    Record record;
    record.kind = std::move(kind);
    record.key = std::move(key);
    record.method = req.method;
    record.target = req.target;
    record.local = req.local_addr + ":" + std::to_string(req.local_port);
    for (const auto& [name, value] : req.headers) {
        // The library adds these of its own; they never came over the wire.
        if (name == "LOCAL_ADDR" || name == "LOCAL_PORT" || name == "REMOTE_ADDR" ||
            name == "REMOTE_PORT") {
            continue;
        }
        record.headers.emplace_back(name, value);
    }
    record.body = req.body;
    return record;
}

}  // namespace sandbox
