// The file-system commands through the core library's command array, on drive D:.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "corelib/commands.h"
#include "tests/host/corelib/command_calls.h"

namespace kv::test {
namespace {

using core::kCoreCommands;

const std::string kRoot = "D:\\corelib_files";

bool Logical(core::CoreCommandEntry entry, std::vector<ArgValue> args) {
    ArgValue result = Call(kCoreCommands[entry], std::move(args));
    EXPECT_EQ(result.type, tag::kBool);
    return result.value.i32 != 0;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Files are written and read through the "A" functions, like the commands' paths.
void WriteTestFile(const std::string& path, const std::string& content) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    ::WriteFile(file, content.data(), DWORD(content.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, content.size());
}

std::string ReadTestFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string content(1 << 16, '\0');
    DWORD read = 0;
    ::ReadFile(file, content.data(), DWORD(content.size()), &read, nullptr);
    CloseHandle(file);
    content.resize(read);
    return content;
}

// Whether the file system refuses to open a read-only file for writing (Wine running as
// root does not).
bool ReadOnlyIsEnforced(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return true;
    CloseHandle(file);
    return false;
}

// Removes a tree whatever its attributes, without following links.
void Wipe(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(path.c_str());
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (name != "." && name != "..") Wipe(path + "\\" + name);
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
    }
    RemoveDirectoryA(path.c_str());
}

// A ByteSet block: dimension count 1, byte length, bytes.
class ByteSet {
  public:
    explicit ByteSet(const std::string& bytes) : block_(8 + bytes.size()) {
        const uint32_t header[2] = {1, uint32_t(bytes.size())};
        memcpy(block_.data(), header, sizeof(header));
        memcpy(block_.data() + 8, bytes.data(), bytes.size());
    }
    ArgValue Arg() {
        ArgValue arg{};
        arg.value.bytes = block_.data();
        arg.type = tag::kBytes;
        return arg;
    }

  private:
    std::vector<uint8_t> block_;
};

class FileCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Wipe(kRoot);
        ASSERT_TRUE(CreateDirectoryA(kRoot.c_str(), nullptr));
    }
    void TearDown() override { Wipe(kRoot); }
    std::string Path(const std::string& name) { return kRoot + "\\" + name; }
    void MakeTree(const std::string& top) {
        ASSERT_TRUE(CreateDirectoryA(top.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((top + "\\a").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((top + "\\a\\b").c_str(), nullptr));
        WriteTestFile(top + "\\1.txt", "one");
        WriteTestFile(top + "\\a\\2.txt", "two");
        WriteTestFile(top + "\\a\\b\\3.txt", "three");
    }
};

TEST_F(FileCommandsTest, MakeDirCreatesOnlyTheLastComponent) {
    EXPECT_TRUE(Logical(core::kMakeDir, {TextArg(Path("new").c_str())}));
    EXPECT_TRUE(GetFileAttributesA(Path("new").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(Logical(core::kMakeDir, {TextArg(Path("new").c_str())}));
    EXPECT_FALSE(Logical(core::kMakeDir, {TextArg(Path("missing\\child").c_str())}));
    EXPECT_FALSE(Exists(Path("missing")));
}

// A share root for the refusal test: Wine serves \\server\share from the prefix's
// dosdevices\unc folder, reached here through drive Z:. Empty when that is not available.
std::string MakeStandInShare() {
    char prefix[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
    if (length == 0 || length >= sizeof prefix) return std::string();
    std::string unc = std::string("Z:") + prefix + "/dosdevices/unc";
    for (char& c : unc) c = c == '/' ? '\\' : c;
    CreateDirectoryA(unc.c_str(), nullptr);
    CreateDirectoryA((unc + "\\kvserver").c_str(), nullptr);
    return unc;
}

TEST_F(FileCommandsTest, RemoveDirTreeRefusesEmptyPathsRootsAndSpellingsOfOtherFolders) {
    // D: stands in for a volume: none of these spellings may empty it. A device path with
    // trailing dots or blanks names another folder than the one normalising it gives; that
    // folder stays too.
    MakeTree(Path("x"));
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(kRoot.c_str()));
    for (const char* path : {"",
                             "   ",
                             "C:",
                             "C:\\",
                             "D:",
                             "D:\\",
                             "  D:\\",
                             "D:/",
                             "D:\\.",
                             "D:\\corelib_files\\..",
                             "\\.",
                             "D:\\\\",
                             "D:\\\\\\\\",
                             ".\\..",
                             "\\\\?\\D:\\",
                             "\\\\.\\D:\\",
                             "\\\\?\\d:\\corelib_files\\..",
                             "D:\\::$INDEX_ALLOCATION",
                             "D:\\corelib_files\\..\\::$INDEX_ALLOCATION",
                             "\\\\?\\GLOBALROOT\\Device\\HarddiskVolume2\\",
                             "\\\\.\\GLOBALROOT\\Device\\HarddiskVolume2\\",
                             "\\\\?\\Volume{00000000-0000-0000-0000-000000000000}\\",
                             "\\\\.\\Volume{00000000-0000-0000-0000-000000000000}\\",
                             "\\\\?\\D:\\corelib_files\\x.",
                             "\\\\?\\D:\\corelib_files\\x ",
                             "\\\\?\\D:\\corelib_files\\x. .",
                             "\\\\?\\D:\\corelib_files\\x\\a.\\b",
                             "\\\\?\\D:\\corelib_files\\x\\a \\b",
                             "\\\\?\\D:\\corelib_files\\x\\.\\a",
                             "\\\\?\\D:\\corelib_files\\x\\a\\..\\a"}) {
        WriteTestFile("D:\\corelib_root_sentinel.txt", "stay");
        EXPECT_FALSE(Logical(core::kRemoveDirTree, {TextArg(path)})) << '"' << path << '"';
        EXPECT_EQ(ReadTestFile("D:\\corelib_root_sentinel.txt"), "stay") << '"' << path << '"';
        ASSERT_TRUE(Exists(kRoot)) << '"' << path << '"';
        EXPECT_EQ(ReadTestFile(Path("x\\a\\b\\3.txt")), "three") << '"' << path << '"';
        EXPECT_EQ(ReadTestFile(Path("x\\1.txt")), "one") << '"' << path << '"';
    }
    SetCurrentDirectoryA(previous);
    EXPECT_TRUE(Exists("C:\\windows\\system32"));
    DeleteFileA("D:\\corelib_root_sentinel.txt");

    const std::string share = MakeStandInShare();
    if (share.empty()) GTEST_SKIP() << "no Wine prefix to serve a share from";
    // The second share's name holds a byte pair whose second byte is the separator's.
    for (const std::string name : {"share", "乗x"}) {
        const std::string root = "\\\\kvserver\\" + name;
        CreateDirectoryA((share + "\\kvserver\\" + name).c_str(), nullptr);
        if (!Exists(root)) GTEST_SKIP() << "no share can be served from the prefix here";
        for (const std::string& path :
             {root + "\\", root, root + "\\.", "\\\\?\\UNC" + root.substr(1),
              "\\\\?\\unc" + root.substr(1), "\\\\.\\UNC" + root.substr(1),
              "\\\\?\\UNC" + root.substr(1) + "\\dir\\..", root + "\\::$INDEX_ALLOCATION"}) {
            WriteTestFile(root + "\\sentinel.txt", "stay");
            EXPECT_FALSE(Logical(core::kRemoveDirTree, {TextArg(path.c_str())})) << path;
            EXPECT_EQ(ReadTestFile(root + "\\sentinel.txt"), "stay") << path;
        }
    }
    Wipe(share + "\\kvserver");
}

TEST_F(FileCommandsTest, RemoveDirTreeRemovesNestedTreesAndSkipsLeadingSpaces) {
    MakeTree(Path("tree"));
    EXPECT_TRUE(Logical(core::kRemoveDirTree, {TextArg(Path("tree").c_str())}));
    EXPECT_FALSE(Exists(Path("tree")));

    MakeTree(Path("spaced"));
    const std::string spaced = "  " + Path("spaced");
    EXPECT_TRUE(Logical(core::kRemoveDirTree, {TextArg(spaced.c_str())}));
    EXPECT_FALSE(Exists(Path("spaced")));
}

// Links inside the tree go as links: what they lead to outside the tree stays whole.
TEST_F(FileCommandsTest, RemoveDirTreeRemovesLinksButNotWhatTheyLeadTo) {
    MakeTree(Path("outside"));
    MakeTree(Path("linked"));
    ASSERT_TRUE(CreateHardLinkA(Path("linked\\a\\photo.jpg").c_str(),
                                Path("outside\\1.txt").c_str(), nullptr));
    // Where the system makes folder links (Wine answers TRUE and makes none), one leads out.
    CreateSymbolicLinkA(Path("linked\\a\\b\\out").c_str(), Path("outside").c_str(),
                        SYMBOLIC_LINK_FLAG_DIRECTORY);
    EXPECT_TRUE(Logical(core::kRemoveDirTree, {TextArg(Path("linked").c_str())}));
    EXPECT_FALSE(Exists(Path("linked")));
    EXPECT_EQ(ReadTestFile(Path("outside\\1.txt")), "one");
    EXPECT_EQ(ReadTestFile(Path("outside\\a\\b\\3.txt")), "three");
}

TEST_F(FileCommandsTest, RemoveDirTreeOnAMissingPathIsFalse) {
    EXPECT_FALSE(Logical(core::kRemoveDirTree, {TextArg(Path("nothing").c_str())}));
}

TEST_F(FileCommandsTest, RemoveDirTreeLeavesDotNamesAndReportsFalse) {
    MakeTree(Path("dotted"));
    WriteTestFile(Path("dotted\\.keep"), "k");
    EXPECT_FALSE(Logical(core::kRemoveDirTree, {TextArg(Path("dotted").c_str())}));
    EXPECT_EQ(ReadTestFile(Path("dotted\\.keep")), "k");
    EXPECT_FALSE(Exists(Path("dotted\\1.txt")));
    EXPECT_FALSE(Exists(Path("dotted\\a")));
}

TEST_F(FileCommandsTest, RemoveDirTreeLeavesReadOnlyFiles) {
    MakeTree(Path("guarded"));
    ASSERT_TRUE(SetFileAttributesA(Path("guarded\\a\\2.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(Logical(core::kRemoveDirTree, {TextArg(Path("guarded").c_str())}));
    EXPECT_EQ(ReadTestFile(Path("guarded\\a\\2.txt")), "two");
    EXPECT_FALSE(Exists(Path("guarded\\a\\b")));
    EXPECT_FALSE(Exists(Path("guarded\\1.txt")));
}

TEST_F(FileCommandsTest, CopyFileToReplacesButNotAReadOnlyTarget) {
    WriteTestFile(Path("source.txt"), "new content");
    WriteTestFile(Path("target.txt"), "old");
    EXPECT_TRUE(Logical(core::kCopyFileTo, {TextArg(Path("source.txt").c_str()),
                                            TextArg(Path("target.txt").c_str())}));
    EXPECT_EQ(ReadTestFile(Path("target.txt")), "new content");

    EXPECT_FALSE(Logical(core::kCopyFileTo,
                         {TextArg(Path("none.txt").c_str()), TextArg(Path("copy.txt").c_str())}));
    EXPECT_FALSE(Exists(Path("copy.txt")));

    WriteTestFile(Path("locked.txt"), "locked");
    ASSERT_TRUE(SetFileAttributesA(Path("locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    if (!ReadOnlyIsEnforced(Path("locked.txt")))
        // Wine keeps the attribute as the Unix write permission, which root's processes
        // (the test runs) are not held to.
        GTEST_SKIP() << "read-only files are writable here";
    EXPECT_FALSE(Logical(core::kCopyFileTo, {TextArg(Path("source.txt").c_str()),
                                             TextArg(Path("locked.txt").c_str())}));
    EXPECT_EQ(ReadTestFile(Path("locked.txt")), "locked");
}

TEST_F(FileCommandsTest, FileExistsFindsFilesDirectoriesAndPatterns) {
    ASSERT_TRUE(CreateDirectoryA(Path("temp").c_str(), nullptr));
    EXPECT_TRUE(Logical(core::kFileExists, {TextArg(Path("temp").c_str())}));
    EXPECT_FALSE(Logical(core::kFileExists, {TextArg(Path("temp\\").c_str())}));
    EXPECT_FALSE(Logical(core::kFileExists, {TextArg(Path("temp\\*.bmp").c_str())}));
    WriteTestFile(Path("temp\\图片.bmp"), "BM");
    EXPECT_TRUE(Logical(core::kFileExists, {TextArg(Path("temp\\*.bmp").c_str())}));
    EXPECT_TRUE(Logical(core::kFileExists, {TextArg(Path("temp\\图片.bmp").c_str())}));
    EXPECT_FALSE(Logical(core::kFileExists, {TextArg(Path("temp\\图片.jpg").c_str())}));
    EXPECT_FALSE(Logical(core::kFileExists, {TextArg("D:\\")}));
}

TEST_F(FileCommandsTest, WriteBytesToFileWritesTheSetsInOrderAndTruncates) {
    const std::string file = Path("out.bin");
    WriteTestFile(file, "a much longer previous content");
    ByteSet first(std::string("AB\0C", 4)), second("xyz");
    EXPECT_TRUE(
        Logical(core::kWriteBytesToFile, {TextArg(file.c_str()), first.Arg(), second.Arg()}));
    EXPECT_EQ(ReadTestFile(file), std::string("AB\0Cxyz", 7));
}

TEST_F(FileCommandsTest, WriteBytesToFileWithNothingToWriteLeavesAnEmptyFile) {
    const std::string file = Path("empty.bin");
    WriteTestFile(file, "old");
    ByteSet none("");
    EXPECT_TRUE(Logical(core::kWriteBytesToFile, {TextArg(file.c_str()), none.Arg()}));
    EXPECT_TRUE(Exists(file));
    EXPECT_EQ(ReadTestFile(file), "");
    WriteTestFile(file, "old");
    EXPECT_TRUE(Logical(core::kWriteBytesToFile, {TextArg(file.c_str())}));
    EXPECT_EQ(ReadTestFile(file), "");
}

TEST_F(FileCommandsTest, WriteBytesToFileFailsWithoutCreatingAnything) {
    ByteSet bytes("data");
    EXPECT_FALSE(
        Logical(core::kWriteBytesToFile, {TextArg(Path("missing\\out.bin").c_str()), bytes.Arg()}));
    EXPECT_FALSE(Exists(Path("missing")));
    EXPECT_FALSE(Logical(core::kWriteBytesToFile, {TextArg(""), bytes.Arg()}));
}

TEST_F(FileCommandsTest, WriteBytesToFileHoldsTheFileExclusively) {
    const std::string file = Path("busy.bin");
    HANDLE reader = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    ByteSet bytes("data");
    // Another open handle forbids the exclusive open.
    EXPECT_FALSE(Logical(core::kWriteBytesToFile, {TextArg(file.c_str()), bytes.Arg()}));
    CloseHandle(reader);
    EXPECT_TRUE(Logical(core::kWriteBytesToFile, {TextArg(file.c_str()), bytes.Arg()}));
    EXPECT_EQ(ReadTestFile(file), "data");
}

}  // namespace
}  // namespace kv::test
