#include "runtime/memory.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/host/runtime/recording_heap.h"

namespace kv {
namespace {

// A constant block holding a text and a 1-dimensional integer array of three elements.
struct Constants {
    char text[8] = "abcdefg";
    uint32_t array[5] = {1, 3, 10, 20, 30};
};

class MemoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetConstantBlock(&constants, sizeof constants);
        test::FreedBlocks().clear();
    }
    void TearDown() override { ForgetConstantBlock(); }
    Constants constants;
};

TEST_F(MemoryTest, ReleaseIgnoresNullAndConstants) {
    Release(nullptr);
    Release(constants.text + 2);
    Release(constants.array);
    EXPECT_TRUE(test::FreedBlocks().empty());
    EXPECT_STREQ(constants.text, "abcdefg");
}

TEST_F(MemoryTest, ConstantBlockRangeIsHalfOpen) {
    const char* start = reinterpret_cast<const char*>(&constants);
    EXPECT_EQ(ConstantBlockEnd(start), start + sizeof constants);
    EXPECT_EQ(ConstantBlockEnd(start + sizeof constants - 1), start + sizeof constants);
    EXPECT_EQ(ConstantBlockEnd(start + sizeof constants), nullptr);
    ForgetConstantBlock();
    EXPECT_EQ(ConstantBlockEnd(start), nullptr);
}

TEST_F(MemoryTest, ReallocateNullAllocates) {
    auto* block = static_cast<char*>(Reallocate(nullptr, 16));
    ASSERT_NE(block, nullptr);
    std::memset(block, 'x', 16);
    Release(block);
    ASSERT_EQ(test::FreedBlocks().size(), 1u);
    EXPECT_EQ(test::FreedBlocks()[0], block);
}

TEST_F(MemoryTest, ReallocateOfConstantCopiesUpToTheBlockEnd) {
    // From "efg\0" to the end of the block there are 4 + 20 bytes; 6 requested: 6 copied.
    auto* copy = static_cast<char*>(Reallocate(constants.text + 4, 6));
    EXPECT_NE(copy, constants.text + 4);
    EXPECT_EQ(std::memcmp(copy, "efg\0", 4), 0);
    EXPECT_EQ(std::memcmp(copy + 4, &constants.array[0], 2), 0);
    Release(copy);

    // Near the end fewer bytes remain than requested: only those are copied.
    const char* lastWord = reinterpret_cast<const char*>(&constants.array[4]);
    auto* tail = static_cast<uint32_t*>(Reallocate(const_cast<char*>(lastWord), 64));
    EXPECT_EQ(tail[0], 30u);
    Release(tail);
    EXPECT_STREQ(constants.text, "abcdefg");
    EXPECT_EQ(constants.array[4], 30u);
}

TEST_F(MemoryTest, ReallocateOfHeapBlockKeepsContents) {
    auto* block = static_cast<char*>(Allocate(4));
    std::memcpy(block, "xyz", 4);
    block = static_cast<char*>(Reallocate(block, 4096));
    EXPECT_STREQ(block, "xyz");
    Release(block);
}

TEST_F(MemoryTest, TextArrayReleasesElementsThenBlock) {
    // 2 x 3 texts: dimension count, two sizes, six addresses.
    size_t size = ArrayHeaderSize(2) + 6 * sizeof(char*);
    auto* array = static_cast<uint32_t*>(Allocate(intptr_t(size)));
    array[0] = 2;
    array[1] = 2;
    array[2] = 3;
    char* items = reinterpret_cast<char*>(array) + ArrayHeaderSize(2);
    std::vector<void*> expected;
    for (int i = 0; i < 6; ++i) {
        void* text = Allocate(4);
        std::memcpy(items + i * sizeof text, &text, sizeof text);
        expected.push_back(text);
    }
    expected.push_back(array);
    ReleaseArray(tag::kText | tag::kArrayBit, array);
    EXPECT_EQ(test::FreedBlocks(), expected);
}

TEST_F(MemoryTest, ByteSetArrayReleasesElementsAndSkipsEmptyOnes) {
    size_t size = ArrayHeaderSize(1) + 2 * sizeof(void*);
    auto* array = static_cast<uint32_t*>(Allocate(intptr_t(size)));
    array[0] = 1;
    array[1] = 2;
    void* items[2] = {nullptr, Allocate(12)};
    std::memcpy(reinterpret_cast<char*>(array) + ArrayHeaderSize(1), items, sizeof items);
    void* element = items[1];
    ReleaseArray(tag::kBytes | tag::kArrayBit, array);
    EXPECT_EQ(test::FreedBlocks(), (std::vector<void*>{element, array}));
}

TEST_F(MemoryTest, IntegerArrayReleasesOnlyTheBlock) {
    auto* array = static_cast<uint32_t*>(Allocate(intptr_t(ArrayHeaderSize(1) + 8)));
    array[0] = 1;
    array[1] = 2;
    array[2] = 0x1234;  // would be a bogus address if read as an element
    array[3] = 0x5678;
    ReleaseArray(tag::kInt | tag::kArrayBit, array);
    EXPECT_EQ(test::FreedBlocks(), std::vector<void*>{array});
    ReleaseArray(tag::kText | tag::kArrayBit, nullptr);
    EXPECT_EQ(test::FreedBlocks().size(), 1u);
}

TEST_F(MemoryTest, MakeArrayWritableCopiesAConstantArrayOnce) {
    void* pointer = constants.array;
    MakeArrayWritable(4, &pointer);
    ASSERT_NE(pointer, static_cast<void*>(constants.array));
    EXPECT_EQ(std::memcmp(pointer, constants.array, sizeof constants.array), 0);
    void* copy = pointer;
    MakeArrayWritable(4, &pointer);
    EXPECT_EQ(pointer, copy);
    Release(copy);
}

TEST_F(MemoryTest, AllocationFailureIsFatalWithTheByteCount) {
    EXPECT_EXIT(
        {
            test::FailNextAllocation();
            Allocate(1234);
        },
        ::testing::ExitedWithCode(255), "1234");
    test::FailNextAllocation();
    EXPECT_EQ(AllocateUnchecked(1234), nullptr);
    EXPECT_EQ(AllocateUnchecked(-1), nullptr);
}

}  // namespace
}  // namespace kv
