// The program's helpers run on the real runtime and libraries inside a test process: each
// test program defines a ProgramInfo with the program's libraries and a table of native
// declarations, and loads it before its tests run.
#pragma once

#include <gtest/gtest.h>

#include "runtime/helper_table.h"

namespace kv::test {

// Loads the test program's information into the runtime once, before the tests.
class ProgramInformationEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { RuntimeService(kLoadProgramInfo); }
};

// A window of this thread that counts the WM_USER messages it receives.
class MessageCounter {
  public:
    MessageCounter();
    ~MessageCounter();
    MessageCounter(const MessageCounter&) = delete;
    MessageCounter& operator=(const MessageCounter&) = delete;

    void Post() const;
    int Received() const;

  private:
    void* window_;
};

}  // namespace kv::test
