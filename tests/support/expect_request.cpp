#include "support/expect_request.h"

#include <gtest/gtest.h>

namespace brevink::test {

std::string WithHostPort(std::string text, const std::string& hostPort) {
    for (size_t at; (at = text.find("{hp}")) != std::string::npos;) {
        text.replace(at, 4, hostPort);
    }
    return text;
}

void ExpectSingleRequest(const RecordingServer& server, const std::vector<std::string>& lines,
                         const std::string& body) {
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    std::vector<std::string> expected;
    for (const std::string& line : lines) {
        expected.push_back(WithHostPort(line, server.HostPort()));
    }
    EXPECT_EQ(requests[0].Lines(), expected);
    EXPECT_EQ(requests[0].body, body);
}

}  // namespace brevink::test
