// The kernel in-process under Wine, against this test program's own program information.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <type_traits>

#include "framework/window.h"
#include "runtime/helper_table.h"
#include "runtime/memory.h"
#include "runtime/runtime_app.h"
#include "tests/win/runtime/test_library.h"

namespace {

// Constant block: a text, then a 1-dimensional integer array of two elements.
struct Constants {
    char text[8] = "const!!";
    uint32_t array[4] = {1, 2, 11, 22};
};
const Constants kConstants;

const kv::LibraryInfo* const kLibraries[] = {&kv::test::kRecordingLibrary, nullptr,
                                             &kv::test::kSilentLibrary};

enum Declaration {
    kPostMessage,
    kSpecialFolder,
    kClientRectBare,
    kMoveWindowWithExtension,
    kProbeAdd,
    kSecondProbeAdd,
    kThirdProbeAdd,
    kProbeOrdinal,
    kDeclarationCount
};
const char* const kDllNames[] = {
    "", "", "user32", "user32.dll", "kvprobe.dll", "kvprobe2.dll", "kvprobe2.dll", "kvprobe3"};
const char* const kFunctionNames[] = {"PostMessageA",  "SHGetSpecialFolderPathA",
                                      "GetClientRect", "MoveWindow",
                                      "ProbeAdd",      "ProbeAdd",
                                      "ProbeAdd",      "#123"};
static_assert(sizeof kDllNames / sizeof kDllNames[0] == kDeclarationCount);

}  // namespace

extern "C" const kv::ProgramInfo kvProgramInfo = {3,
                                                  0,
                                                  85146,
                                                  0,
                                                  &kConstants,
                                                  sizeof kConstants,
                                                  nullptr,
                                                  0,
                                                  3,
                                                  kLibraries,
                                                  kDeclarationCount,
                                                  kDllNames,
                                                  kFunctionNames};

// This test program drives the kernel from its tests; the process entry is not linked.
extern "C" int kvProgramEntry() {
    return 0;
}

namespace kv {
namespace {

class KernelTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static bool loaded = false;
        if (!loaded) RuntimeService(kLoadProgramInfo);
        loaded = true;
    }
};

// ---- values and memory ----

TEST_F(KernelTest, ReleaseIgnoresNullAndConstants) {
    kvHelperTable.release(nullptr);
    kvHelperTable.release(const_cast<char*>(kConstants.text));
    EXPECT_STREQ(kConstants.text, "const!!");
    EXPECT_EQ(ConstantBlockEnd(kConstants.text),
              reinterpret_cast<const char*>(&kConstants) + sizeof kConstants);
}

TEST_F(KernelTest, ReallocateNullAndConstant) {
    auto* fresh = static_cast<char*>(kvHelperTable.reallocate(nullptr, 3));
    ASSERT_NE(fresh, nullptr);
    kvHelperTable.release(fresh);
    // From "t!!" there are 4 bytes of text and 16 of array to the block end.
    auto* copy =
        static_cast<char*>(kvHelperTable.reallocate(const_cast<char*>(kConstants.text + 4), 100));
    EXPECT_STREQ(copy, "t!!");
    uint32_t words[4];
    std::memcpy(words, copy + 4, sizeof words);
    EXPECT_EQ(words[3], 22u);
    copy[0] = 'X';
    EXPECT_STREQ(kConstants.text, "const!!");
    kvHelperTable.release(copy);
}

TEST_F(KernelTest, MakeArrayWritableCopiesConstantsOnly) {
    void* array = const_cast<uint32_t*>(kConstants.array);
    RuntimeService(kMakeArrayWritable, 4, &array);
    ASSERT_NE(array, static_cast<const void*>(kConstants.array));
    EXPECT_EQ(std::memcmp(array, kConstants.array, sizeof kConstants.array), 0);
    void* heapArray = array;
    RuntimeService(kMakeArrayWritable, 4, &array);
    EXPECT_EQ(array, heapArray);
    SystemNotify(sysnotify::kReleaseArray, intptr_t(tag::kInt | tag::kArrayBit),
                 reinterpret_cast<intptr_t>(array));
}

TEST_F(KernelTest, UncheckedAllocationAnswersNullOnExhaustion) {
    intptr_t huge = intptr_t(~uintptr_t(0) >> 1);
    EXPECT_EQ(SystemNotify(sysnotify::kAllocate, huge, 1), 0);
    intptr_t block = SystemNotify(sysnotify::kAllocate, 16, 1);
    EXPECT_NE(block, 0);
    SystemNotify(sysnotify::kRelease, block, 0);
}

// ---- SystemNotify ----

TEST_F(KernelTest, ProgramDirectoryAndFileName) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string full = path;
    std::string directory = full.substr(0, full.rfind('\\'));
    EXPECT_EQ(reinterpret_cast<const char*>(SystemNotify(sysnotify::kProgramDirectory, 0, 0)),
              directory);
    EXPECT_EQ(reinterpret_cast<const char*>(SystemNotify(sysnotify::kProgramFileName, 0, 0)),
              full.substr(full.rfind('\\') + 1));
    EXPECT_EQ(SystemNotify(sysnotify::kBuildKind, 0, 0), 3);
    EXPECT_EQ(SystemNotify(sysnotify::kCommandLine, 0, 0), 0);
    EXPECT_EQ(App().word2, 85147u);
}

// Called as a library calls it, with the entry it received, reading both result words.
int64_t AsInteger(TypeTag type, int64_t bits) {
    using WideNotify = int64_t(KV_STDCALL*)(int32_t, intptr_t, intptr_t);
    // Only a 64-bit answer fills both words; a narrower one leaves the high word to chance.
    static_assert(std::is_same_v<decltype(&SystemNotifyEntry), WideNotify>);
    ArgValue value{};
    value.value.i64 = bits;
    value.type = type;
    const auto notify =
        reinterpret_cast<WideNotify>(reinterpret_cast<void (*)()>(test::ReceivedSystemNotify()));
    return notify(sysnotify::kNumberAsInteger, reinterpret_cast<intptr_t>(&value), 0);
}

int64_t DoubleBits(double real) {
    int64_t bits;
    std::memcpy(&bits, &real, sizeof bits);
    return bits;
}

TEST_F(KernelTest, NumericValuesAsIntegers) {
    EXPECT_EQ(AsInteger(tag::kByte, 0xF0), 0xF0);
    EXPECT_EQ(AsInteger(tag::kShort, 0xFFFF), -1);
    EXPECT_EQ(AsInteger(tag::kInt, -70000), -70000);
    EXPECT_EQ(AsInteger(tag::kLong, 0x100000005), 5);
    EXPECT_EQ(AsInteger(tag::kDouble, DoubleBits(-7.9)), -7);
    // Beyond 32 bits the whole integer arrives, on the 32-bit build too.
    EXPECT_EQ(AsInteger(tag::kDouble, DoubleBits(5000000000.9)), 5000000000);
}

TEST_F(KernelTest, DefaultIconsLoadedOnceFromTheProgram) {
    HICON first[2] = {};
    EXPECT_EQ(SystemNotify(sysnotify::kDefaultIcons, reinterpret_cast<intptr_t>(first), 0), 0);
    ASSERT_NE(first[0], nullptr);
    ASSERT_NE(first[1], nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(first[1], &info));
    BITMAP mask{};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, GetSystemMetrics(SM_CXSMICON));
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    HICON second[2] = {};
    SystemNotify(sysnotify::kDefaultIcons, reinterpret_cast<intptr_t>(second), 0);
    EXPECT_EQ(second[0], first[0]);
    EXPECT_EQ(second[1], first[1]);
}

int pumped = 0;
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER) ++pumped;
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(KernelTest, PendingMessagesArePumpedUpToTheQuitMessage) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = CountingProc;
    windowClass.lpszClassName = "KvCounting";
    RegisterClassA(&windowClass);
    HWND window =
        CreateWindowExA(0, "KvCounting", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    PostMessageA(window, WM_USER, 0, 0);
    PostMessageA(window, WM_USER, 0, 0);
    EXPECT_EQ(SystemNotify(sysnotify::kProcessMessages, 0, 0), 0);
    EXPECT_EQ(pumped, 2);
    // The quit message comes after every posted message and is left in the queue.
    PostQuitMessage(3);
    PostMessageA(window, WM_USER, 0, 0);
    SystemNotify(sysnotify::kProcessMessages, 0, 0);
    EXPECT_EQ(pumped, 3);
    MSG next{};
    ASSERT_TRUE(PeekMessageA(&next, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(next.message, UINT(WM_QUIT));
    EXPECT_EQ(next.wParam, 3u);
    DestroyWindow(window);
}

// ---- pre-translation ----

// Consumes WM_USER + 5 and counts what it was offered.
class Consumer : public fw::Window {
  public:
    bool PreTranslateMessage(MSG* message) override {
        ++offered;
        return message->message == WM_USER + 5;
    }
    int offered = 0;
};

int delivered = 0;
Consumer* answeredObject = nullptr;
LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER + 5 || message == WM_USER + 6) ++delivered;
    // A window without an object of its own names the object that handles it.
    if (message == 0x8002) return reinterpret_cast<LRESULT>(answeredObject);
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreatePlain(HWND parent) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = PlainProc;
    windowClass.lpszClassName = "KvPlain";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, "KvPlain", "", parent ? WS_CHILD : 0, 0, 0, 1, 1, parent, nullptr,
                           nullptr, nullptr);
}

void PumpOne(HWND window, UINT message) {
    PostMessageA(window, message, 0, 0);
    ASSERT_TRUE(App().PumpMessage());
}

TEST_F(KernelTest, ParentObjectConsumesItsChildsMessage) {
    Consumer parent;
    ASSERT_TRUE(parent.Attach(CreatePlain(nullptr)));
    HWND child = CreatePlain(parent.handle());
    delivered = 0;
    PumpOne(child, WM_USER + 5);
    EXPECT_EQ(parent.offered, 1);
    EXPECT_EQ(delivered, 0);
    PumpOne(child, WM_USER + 6);
    EXPECT_EQ(parent.offered, 2);
    EXPECT_EQ(delivered, 1);
    DestroyWindow(parent.handle());
}

TEST_F(KernelTest, WindowWithoutObjectIsAskedForOne) {
    Consumer handler;
    HWND window = CreatePlain(nullptr);
    answeredObject = &handler;
    delivered = 0;
    PumpOne(window, WM_USER + 5);
    EXPECT_EQ(handler.offered, 1);
    EXPECT_EQ(delivered, 0);
    answeredObject = nullptr;
    DestroyWindow(window);
}

// ---- libraries ----

TEST_F(KernelTest, LibrariesRegisteredInOrderAndNotifiedAtTheEnd) {
    EXPECT_EQ(test::LibraryEvents(), std::vector<std::string>{"notify 1 SystemNotify"});
    EXPECT_EQ(reinterpret_cast<intptr_t>(test::ReceivedSystemNotify()),
              reinterpret_cast<intptr_t>(&SystemNotifyEntry));
    ASSERT_EQ(App().libraries.size(), 3u);
    EXPECT_EQ(App().libraryData, (std::vector<intptr_t>{0, 0, 0}));
    App().libraryData[0] = 77;
    EndLibraries();
    EXPECT_EQ(test::LibraryEvents(),
              (std::vector<std::string>{"notify 1 SystemNotify", "notify 6 77"}));
    EXPECT_TRUE(App().libraries.empty());
}

TEST_F(KernelTest, CommandResultIsZeroedBeforeTheCall) {
    ArgValue args[2] = {};
    args[1].value.i32 = 5;
    ArgValue nothing = kvHelperTable.callSupportCommand(test::WritesNothing, 0, args);
    EXPECT_EQ(nothing.value.i64, 0);
    EXPECT_EQ(nothing.type, 0u);
    ArgValue count = kvHelperTable.callCoreCommand(test::AnswersCount, 2, args);
    EXPECT_EQ(count.value.i32, 205);
    EXPECT_EQ(count.type, tag::kInt);
}

// ---- runtime services ----

class FindFileTest : public KernelTest {
  protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "kvfind" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder.c_str(), nullptr);
        CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
        for (const char* name : {"\\a.txt", "\\b.dat"}) {
            HANDLE file = CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr);
            CloseHandle(file);
        }
    }
    void TearDown() override {
        DeleteFileA((folder + "\\a.txt").c_str());
        DeleteFileA((folder + "\\b.dat").c_str());
        RemoveDirectoryA((folder + "\\sub").c_str());
        RemoveDirectoryA(folder.c_str());
    }
    // Every name the search yields, continuing with an empty pattern.
    std::set<std::string> FindAll(int32_t mask, bool allFiles) {
        std::set<std::string> names;
        intptr_t handle = 0;
        std::string pattern = folder + "\\*";
        const char* next = pattern.c_str();
        for (int guard = 0; guard < 20; ++guard) {
            auto* name = reinterpret_cast<char*>(
                intptr_t(RuntimeService(kFindNextFile, next, mask, allFiles ? 1 : 0, &handle)));
            if (!name) break;
            names.insert(name);
            kvHelperTable.release(name);
            next = "";
        }
        EXPECT_EQ(handle, 0) << "the exhausted search is closed";
        return names;
    }
    std::string folder;
};

TEST_F(FindFileTest, EmptyPatternWithoutSearchFindsNothing) {
    intptr_t handle = 0;
    EXPECT_EQ(RuntimeService(kFindNextFile, "", 0x37, 0, &handle), 0);
    EXPECT_EQ(RuntimeService(kFindNextFile, static_cast<const char*>(nullptr), 0, 1, &handle), 0);
    EXPECT_EQ(handle, 0);
}

TEST_F(FindFileTest, AllFilesNeverAnswersADirectory) {
    EXPECT_EQ(FindAll(0x10, true), (std::set<std::string>{"a.txt", "b.dat"}));
}

TEST_F(FindFileTest, DirectoryMaskAnswersOnlyDirectories) {
    EXPECT_EQ(FindAll(0x10, false), (std::set<std::string>{".", "..", "sub"}));
}

TEST_F(FindFileTest, CloseFindEndsAnOpenSearch) {
    intptr_t handle = 0;
    const std::string sub = folder + "\\sub";
    auto* name = reinterpret_cast<char*>(
        intptr_t(RuntimeService(kFindNextFile, (sub + "\\*").c_str(), 0x10, 0, &handle)));
    ASSERT_NE(name, nullptr);
    kvHelperTable.release(name);
    ASSERT_NE(handle, 0);
    RuntimeService(kCloseFind, handle);
    RuntimeService(kCloseFind, 0);
    // An open search holds its folder; once it is closed the folder can go.
    EXPECT_TRUE(RemoveDirectoryA(sub.c_str()));
}

void FirstRoutine() {}
void SecondRoutine() {}

TEST_F(KernelTest, ExitRoutineRegisteredOnce) {
    App().exitRoutines.clear();
    RuntimeService(kRegisterExitRoutine, &FirstRoutine);
    RuntimeService(kRegisterExitRoutine, &SecondRoutine);
    RuntimeService(kRegisterExitRoutine, &FirstRoutine);
    EXPECT_EQ(App().exitRoutines, (std::vector<ExitRoutine>{FirstRoutine, SecondRoutine}));
    App().exitRoutines.clear();
}

// ---- program subroutines ----

int64_t MixedHandler(int32_t a, double b, int64_t c, uint8_t d, int16_t e, const char* f) {
    return a * 1000000 + int64_t(b * 1000) + c * 10 + d + e + (f[0] == 'z' ? 7 : 0);
}

int32_t WordHandler(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e, int32_t f) {
    return a + 10 * b + 100 * c + 1000 * d + 10000 * e + 100000 * f;
}

TEST_F(KernelTest, SubroutineReceivesEventArguments) {
    static char text[] = "zz";
    EventArg args[6] = {};
    args[0].value.i32 = 3;
    args[0].type = tag::kInt;
    args[1].value.f64 = 2.5;
    args[1].type = tag::kDouble;
    args[2].value.i64 = 4;
    args[2].type = tag::kLong;
    args[3].value.words[0] = 0x101;  // only the byte counts
    args[3].type = tag::kByte;
    args[4].value.words[0] = 0xFFFE;
    args[4].type = tag::kShort;
    args[5].value.ptr = text;
    args[5].type = tag::kText;
    args[5].flags = 1;
    int64_t result = 0;
    ASSERT_TRUE(CallSubroutine(reinterpret_cast<const void*>(&MixedHandler), args, 6, &result));
    EXPECT_EQ(result, 3000000 + 2500 + 40 + 1 - 2 + 7);
    EXPECT_FALSE(CallSubroutine(nullptr, args, 6, &result));
}

TEST_F(KernelTest, SubroutineReceivesPlainWords) {
    const uint32_t words[6] = {1, 2, 3, 4, 5, 6};
    int32_t result = 0;
    ASSERT_TRUE(
        CallSubroutineWords(reinterpret_cast<const void*>(&WordHandler), words, 6, &result));
    EXPECT_EQ(result, 654321);
    EXPECT_FALSE(CallSubroutineWords(nullptr, words, 6, &result));
}

// ---- native calls ----

class NativeBindingTest : public KernelTest {
  protected:
    NativeDeclarations& natives = App().natives;
};

TEST_F(NativeBindingTest, EmptyDllNameSearchesTheSystemList) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    EXPECT_EQ(kvHelperTable.bindNativeCommand(kPostMessage),
              reinterpret_cast<const void*>(GetProcAddress(user32, "PostMessageA")));
    EXPECT_EQ(natives.modules[kPostMessage], user32);
    EXPECT_TRUE(
        (CallNative<BOOL>(kPostMessage, HWND(nullptr), UINT(WM_NULL), WPARAM(0), LPARAM(0))));

    char folder[MAX_PATH] = {};
    EXPECT_TRUE(
        (CallNative<BOOL>(kSpecialFolder, HWND(nullptr), folder, int(CSIDL_WINDOWS), FALSE)));
    EXPECT_STRNE(folder, "");
    EXPECT_EQ(natives.modules[kSpecialFolder], GetModuleHandleA("shell32.dll"));
}

TEST_F(NativeBindingTest, NameWithoutExtensionLoadsTheSameModule) {
    kvHelperTable.bindNativeCommand(kClientRectBare);
    kvHelperTable.bindNativeCommand(kMoveWindowWithExtension);
    EXPECT_NE(natives.modules[kClientRectBare], nullptr);
    EXPECT_EQ(natives.modules[kClientRectBare], natives.modules[kMoveWindowWithExtension]);
}

TEST_F(NativeBindingTest, OrdinalExport) {
    EXPECT_EQ(CallNative<int>(kProbeOrdinal), 123123);
}

TEST_F(NativeBindingTest, SecondCallUsesTheCacheAndLoadsOnce) {
    EXPECT_EQ(CallNative<int>(kProbeAdd, 2, 3), 5);
    EXPECT_EQ(CallNative<int>(kProbeAdd, 4, 5), 9);
    HMODULE module = natives.modules[kProbeAdd];
    ASSERT_EQ(GetModuleHandleA("kvprobe.dll"), module);
    // One reference: released once, the module is gone.
    FreeLibrary(module);
    EXPECT_EQ(GetModuleHandleA("kvprobe.dll"), nullptr);
    natives.modules[kProbeAdd] = nullptr;
    natives.addresses[kProbeAdd] = nullptr;
}

// Declarations of its own, unbound: releasing them leaves the other cases' bindings alone,
// whatever order the cases run in.
class NativeReleaseTest : public NativeBindingTest {
  protected:
    void SetUp() override {
        NativeDeclarations own = natives;
        own.modules.assign(own.modules.size(), nullptr);
        own.addresses.assign(own.addresses.size(), nullptr);
        std::swap(own, natives);
        shared_ = std::move(own);
    }
    void TearDown() override { std::swap(shared_, natives); }
    NativeDeclarations shared_;
};

TEST_F(NativeReleaseTest, SameFunctionTwiceLoadsAndReleasesTwice) {
    EXPECT_EQ(CallNative<int>(kSecondProbeAdd, 1, 1), 2);
    EXPECT_EQ(CallNative<int>(kThirdProbeAdd, 1, 2), 3);
    HMODULE module = natives.modules[kSecondProbeAdd];
    EXPECT_EQ(natives.modules[kThirdProbeAdd], module);
    ReleaseNativeModules();
    EXPECT_EQ(GetModuleHandleA("kvprobe2.dll"), nullptr);
    EXPECT_TRUE(natives.modules.empty());
}

}  // namespace
}  // namespace kv
