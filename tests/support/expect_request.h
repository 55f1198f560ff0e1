#pragma once
// The check that engine tests share: the one request a recording server received, line by
// line, against the expected request line and header lines ("{hp}" is the server's
// "address:port").
#include <string>
#include <vector>

#include "support/recording_server.h"

namespace brevink::test {

// `text` with every "{hp}" replaced by `hostPort`.
std::string WithHostPort(std::string text, const std::string& hostPort);

void ExpectSingleRequest(const RecordingServer& server, const std::vector<std::string>& lines,
                         const std::string& body);

}  // namespace brevink::test
