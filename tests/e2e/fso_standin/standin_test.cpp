// The stand-in scripting object registered in a prefix of its own, driven through the COM
// object commands the way the program deletes its staging folder on drive D:.
#include <windows.h>
// The OLE headers need the base Windows types declared first.
#include <gtest/gtest.h>
#include <ole2.h>

#include <string>

#include "corelib/com/commands.h"
#include "corelib/com/kernel_link.h"
#include "corelib/com/object_value.h"
#include "tests/support/fake_kernel.h"

namespace kv::test {
namespace {

using com::ObjectBlock;

const char kStagingFolder[] = "D:\\Tavi图片查看器\\temp";
const char kStagingPrefix[] = "D:\\Tavi图片查看器\\temp\\";

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteSmallFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, "BM", 2, &written, nullptr);
    CloseHandle(file);
}

class ScriptingStandInTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        com::SetSystemNotify(FakeSystemNotify);
        blocksBefore_ = LiveBlocks();
        RemoveStaging();
    }
    void TearDown() override {
        RemoveStaging();
        EXPECT_EQ(LiveBlocks(), blocksBefore_);
        OleUninitialize();
    }

    // The staging folder with a converted image and a nested tree inside.
    void MakeStagingTree() {
        CreateDirectoryA("D:\\Tavi图片查看器", nullptr);
        ASSERT_TRUE(CreateDirectoryA(kStagingFolder, nullptr)) << GetLastError();
        WriteSmallFile(std::string(kStagingPrefix) + "照片.pcx.bmp");
        ASSERT_TRUE(CreateDirectoryA((std::string(kStagingPrefix) + "nested").c_str(), nullptr));
        ASSERT_TRUE(
            CreateDirectoryA((std::string(kStagingPrefix) + "nested\\deeper").c_str(), nullptr));
        WriteSmallFile(std::string(kStagingPrefix) + "nested\\deeper\\b.bmp");
        WriteSmallFile("D:\\Tavi图片查看器\\keep.txt");
    }

    // Create the file-system object, ask it for the folder (the path passed by address as
    // text), delete that folder leaving its force flag out, clear both objects.
    void DeleteFolderByScripting(const char* folderPath) {
        ObjectBlock fileSystem{};
        ArgValue create[] = {Object(&fileSystem), Text("scripting.FileSystemObject")};
        ArgValue created{};
        com::ComCreate(&created, 2, create);
        ASSERT_EQ(created.value.i32, 1) << "the scripting object is registered";

        char* path = const_cast<char*>(folderPath);
        ArgValue byAddress{};
        byAddress.value.ptr = &path;
        byAddress.type = tag::kText | tag::kArrayBit;
        ArgValue getFolder[] = {Object(&fileSystem), Text("GetFolder"), byAddress};
        ArgValue folder{};
        com::ComCallObjectMethod(&folder, 3, getFolder);
        auto* folderBlock = static_cast<ObjectBlock*>(folder.value.ptr);
        ASSERT_NE(folderBlock, nullptr);
        folderHeld_ = folderBlock->held != nullptr;

        ArgValue omitted{};
        ArgValue remove[] = {Object(folderBlock), Text("Delete"), omitted};
        ArgValue none{};
        com::ComCallMethod(&none, 3, remove);

        ArgValue clearFolder[] = {Object(folderBlock)};
        com::ComClear(&none, 1, clearFolder);
        ArgValue clearFileSystem[] = {Object(&fileSystem)};
        com::ComClear(&none, 1, clearFileSystem);
        FakeSystemNotify(sysnotify::kRelease, reinterpret_cast<intptr_t>(folderBlock), 0);
    }

    bool folderHeld_ = false;

  private:
    static ArgValue Object(ObjectBlock* block) {
        ArgValue arg{};
        arg.value.ptr = block;
        arg.type = com::comtag::kObject;
        return arg;
    }
    static ArgValue Text(const char* text) {
        ArgValue arg{};
        arg.value.text = const_cast<char*>(text);
        arg.type = tag::kText;
        return arg;
    }
    static void RemoveStaging() {
        DeleteFileA((std::string(kStagingPrefix) + "nested\\deeper\\b.bmp").c_str());
        RemoveDirectoryA((std::string(kStagingPrefix) + "nested\\deeper").c_str());
        RemoveDirectoryA((std::string(kStagingPrefix) + "nested").c_str());
        DeleteFileA((std::string(kStagingPrefix) + "照片.pcx.bmp").c_str());
        RemoveDirectoryA(kStagingFolder);
        DeleteFileA("D:\\Tavi图片查看器\\keep.txt");
        RemoveDirectoryA("D:\\Tavi图片查看器");
    }

    int blocksBefore_ = 0;
};

TEST_F(ScriptingStandInTest, ProgIdNamesTheStandIn) {
    CLSID classId;
    ASSERT_TRUE(SUCCEEDED(CLSIDFromProgID(L"Scripting.FileSystemObject", &classId)));
    const CLSID standIn = {
        0x3c5e8d21, 0x7a4b, 0x4f0e, {0x9d, 0x61, 0x2b, 0x8f, 0x4a, 0x1c, 0x7e, 0x53}};
    EXPECT_TRUE(IsEqualCLSID(classId, standIn));
}

TEST_F(ScriptingStandInTest, DeletesTheStagingFolderWithEverythingInIt) {
    MakeStagingTree();
    DeleteFolderByScripting(kStagingPrefix);
    EXPECT_TRUE(folderHeld_);
    EXPECT_FALSE(Exists(kStagingFolder)) << "the folder and its nested tree are gone";
    EXPECT_TRUE(Exists("D:\\Tavi图片查看器\\keep.txt")) << "nothing outside it was touched";
}

TEST_F(ScriptingStandInTest, MissingFolderGivesAnEmptyObjectAndDeletesNothing) {
    MakeStagingTree();
    DeleteFolderByScripting("D:\\Tavi图片查看器\\missing\\");
    EXPECT_FALSE(folderHeld_);
    EXPECT_TRUE(Exists(std::string(kStagingPrefix) + "nested\\deeper\\b.bmp"));
}

TEST_F(ScriptingStandInTest, FolderWithAnOpenFileStays) {
    MakeStagingTree();
    const std::string locked = std::string(kStagingPrefix) + "nested\\deeper\\b.bmp";
    HANDLE open = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    DeleteFolderByScripting(kStagingPrefix);
    EXPECT_TRUE(folderHeld_);
    EXPECT_TRUE(Exists(locked));
    EXPECT_TRUE(Exists(kStagingFolder));
    CloseHandle(open);
}

}  // namespace
}  // namespace kv::test
