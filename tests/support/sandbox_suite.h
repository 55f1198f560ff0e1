#pragma once
// One sandbox for all tests of a suite (started on the main thread, as the launcher wants),
// its records and counters cleared before every test.
#include <gtest/gtest.h>

#include <memory>

#include "support/sandbox_process.h"

namespace brevink {

class SandboxSuiteTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { sandbox_ = std::make_unique<test::SandboxProcess>(); }
    static void TearDownTestSuite() { sandbox_.reset(); }

    void SetUp() override {
        ASSERT_TRUE(sandbox_->Started()) << sandbox_->Error();
        ASSERT_TRUE(sandbox_->Reset());
    }

    static test::SandboxProcess& Sandbox() { return *sandbox_; }
    // The cookie text of an account that the sandbox counts as logged in.
    static std::string SessionCookie() { return sandbox_->SessionCookie(); }
    static const Endpoints& Services() { return sandbox_->Endpoints(); }

  private:
    static inline std::unique_ptr<test::SandboxProcess> sandbox_;
};

// A port on loopback where nothing listens: requests there fail at once.
inline constexpr const char* kDeadHost = "127.0.0.1:1";

}  // namespace brevink
