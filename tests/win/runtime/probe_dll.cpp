// A DLL that no other part of the process loads, so the tests can count the kernel's loads
// through its reference count. ProbeOrdinal is exported by ordinal 123 only (probe_dll.def).
#include <windows.h>

extern "C" int WINAPI ProbeAdd(int a, int b) {
    return a + b;
}
extern "C" int WINAPI ProbeOrdinal() {
    return 123123;
}
