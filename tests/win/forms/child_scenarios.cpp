// Paths that end the process, each run in a child copy of this test program: the runtime
// errors of event lookup and property access, and the end that follows closing the only
// window once the message loop runs.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "forms/event_dispatch.h"
#include "forms/form_registry.h"
#include "forms/property_access.h"
#include "runtime/forms_link.h"
#include "runtime/kernel.h"
#include "runtime/library.h"
#include "tests/win/forms/test_forms.h"

namespace kv::test {
namespace {

constexpr uint32_t kButtonId = 0x16010001;

const forms::FormTemplate& TestForm() {
    static forms::FormTemplate form = [] {
        forms::FormTemplate f;
        forms::WindowProperties p;
        p.title = "child";
        f.units = {WindowEntry(p, forms::state::kVisible, {Bind(2, 2)}),
                   ButtonEntry(kButtonId, "b", {0, 0, 40, 20})};
        return f;
    }();
    return form;
}

void InstallTestForm() {
    InstallForms({{kFormId, &TestForm()}});
}

int ReadUnknownForm() {
    InstallTestForm();
    forms::ReadUnitProperty(0x52010077, 0, 0, -1);
    return 1;
}
int WriteUnknownForm() {
    InstallTestForm();
    forms::WriteUnitProperty(0x52010077, 0, 5, -1, 1, 0);
    return 1;
}
int OwnPropertyOfUnloadedWindow() {
    InstallTestForm();
    forms::ReadUnitProperty(kFormId, 0, 8, -1);
    return 1;
}
int CheckedLookupOfUnloadedWindow() {
    InstallTestForm();
    SystemNotify(sysnotify::kFindUnitChecked, kFormId, 0);
    return 1;
}
int EventOfUnknownForm() {
    InstallTestForm();
    forms::RaiseEvent(0x52010077, 0, 0);
    return 1;
}
int EventOfUnknownUnit() {
    InstallTestForm();
    forms::RaiseEvent(kFormId, 0x16010077, 0);
    return 1;
}
int CloseOnlyWindow() {
    InstallTestForm();
    if (!forms::LoadStartWindow(kFormId)) return 1;
    auto* object = reinterpret_cast<void*>(SystemNotify(sysnotify::kFindUnit, kFormId, 0));
    PostMessageA(forms::UnitWindow(object), WM_CLOSE, 0, 0);
    int code = RunMessageLoop();
    std::printf("loop ended %d after %zu handler calls\n", code, Calls().size());
    EndProgram(code);
}

const NamedScenario kScenarios[] = {
    {"read-unknown-form", &ReadUnknownForm},
    {"write-unknown-form", &WriteUnknownForm},
    {"own-property-unloaded", &OwnPropertyOfUnloadedWindow},
    {"checked-lookup-unloaded", &CheckedLookupOfUnloadedWindow},
    {"event-unknown-form", &EventOfUnknownForm},
    {"event-unknown-unit", &EventOfUnknownUnit},
    {"close-only-window", &CloseOnlyWindow},
};

// Runs before main when this program was started as a child.
const bool kRanAsChild = [] {
    char name[64] = {};
    if (!GetEnvironmentVariableA("KV_FORMS_CHILD", name, sizeof name)) return false;
    for (const NamedScenario& s : kScenarios) {
        if (std::strcmp(s.name, name) == 0) {
            int code = s.run();
            std::fflush(stdout);
            ExitProcess(UINT(code));
        }
    }
    ExitProcess(99);
}();

void ExpectRuntimeError(const char* scenario, const char* text) {
    ChildResult r = RunChild(scenario);
    EXPECT_EQ(r.exitCode, DWORD(-1)) << scenario;
    EXPECT_EQ(r.output, std::string("runtime error: ") + text + "\n") << scenario;
}

TEST(ChildScenarios, PropertyAccessToAFormNotInTheMapIsFatal) {
    ExpectRuntimeError("read-unknown-form", "未载入欲访问窗口组件所在的窗口");
    ExpectRuntimeError("write-unknown-form", "未载入欲访问窗口组件所在的窗口");
}

TEST(ChildScenarios, OwnPropertyOfAWindowNotLoadedIsFatal) {
    ExpectRuntimeError("own-property-unloaded", "指定窗口尚未载入");
}

TEST(ChildScenarios, CheckedUnitLookupOfAWindowNotLoadedIsFatal) {
    ExpectRuntimeError("checked-lookup-unloaded", "指定窗口或窗口组件不存在或尚未载入");
}

TEST(ChildScenarios, EventsOfUnknownFormsAndUnitsAreFatal) {
    ExpectRuntimeError("event-unknown-form", "未找到引发事件的窗口");
    ExpectRuntimeError("event-unknown-unit", "未找到引发事件的窗口组件");
}

TEST(ChildScenarios, ClosingTheOnlyWindowEndsTheLoopAndTheProgramWithZero) {
    ChildResult r = RunChild("close-only-window");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.output, "loop ended 0 after 1 handler calls\n") << "the destroy event ran";
}

}  // namespace
}  // namespace kv::test
