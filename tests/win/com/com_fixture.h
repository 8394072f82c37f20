// Common set-up of the COM object tests: OLE on this thread, the test kernel's memory, the
// test object's class registered; every test must end with no test object and no runtime
// block left over.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "corelib/com/kernel_link.h"
#include "tests/support/fake_kernel.h"
#include "tests/win/com/call_helpers.h"
#include "tests/win/com/test_thing.h"

namespace kv::test {

class ComTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        com::SetSystemNotify(FakeSystemNotify);
        blocksBefore_ = LiveBlocks();
        registration_ = std::make_unique<TestThingClassRegistration>();
    }
    void TearDown() override {
        Clear(&thing_);
        registration_.reset();
        EXPECT_EQ(LiveTestThings(), 0) << "a test object reference leaked";
        EXPECT_EQ(LiveBlocks(), blocksBefore_) << "a runtime block leaked";
        OleUninitialize();
    }

    // Creates the test object into thing_ the way a program names a class: "{CLSID}".
    TestThing* MakeThing() {
        EXPECT_TRUE(Create(&thing_, kTestThingClassText));
        return LastTestThing();
    }

    // A text result as a string; the runtime block is released.
    static std::string TakeText(const ArgValue& result) {
        std::string text = result.value.text ? result.value.text : "";
        ReleaseRuntimeBlock(result.value.text);
        return text;
    }

    // An object result: cleared and its block released.
    static void Dispose(const ArgValue& result) {
        auto* block = static_cast<com::ObjectBlock*>(result.value.ptr);
        Clear(block);
        ReleaseRuntimeBlock(block);
    }

    com::ObjectBlock thing_{};

  private:
    int blocksBefore_ = 0;
    std::unique_ptr<TestThingClassRegistration> registration_;
};

}  // namespace kv::test
