#include "tests/win/com/call_helpers.h"

#include <vector>

#include "corelib/com/commands.h"
#include "tests/support/fake_kernel.h"

namespace kv::test {
ArgValue ObjectArg(com::ObjectBlock* object) {
    ArgValue arg = TypedArg(com::comtag::kObject);
    arg.value.ptr = object;
    return arg;
}

ArgValue VariantArg(void* variantBlock) {
    ArgValue arg = TypedArg(com::comtag::kVariant);
    arg.value.ptr = variantBlock;
    return arg;
}

ArgValue Invoke(com::ObjectBlock* object, TypeTag expected, const char* member,
                std::initializer_list<ArgValue> args) {
    std::vector<ArgValue> all = {ObjectArg(object), TextArg(member)};
    all.insert(all.end(), args.begin(), args.end());
    ArgValue result = TypedArg(expected);
    com::ComInvoke(&result, int32_t(all.size()), all.data());
    return result;
}

bool Create(com::ObjectBlock* object, const char* name, const char* typeLibrary) {
    std::vector<ArgValue> all = {ObjectArg(object), TextArg(name)};
    if (typeLibrary) all.push_back(TextArg(typeLibrary));
    ArgValue result = TypedArg(tag::kOmitted);
    com::ComCreate(&result, int32_t(all.size()), all.data());
    return result.value.i32 != 0;
}

void Clear(com::ObjectBlock* object) {
    ArgValue arg = ObjectArg(object);
    ArgValue result = TypedArg(tag::kOmitted);
    com::ComClear(&result, 1, &arg);
}

void ReleaseRuntimeBlock(void* block) {
    FakeSystemNotify(sysnotify::kRelease, reinterpret_cast<intptr_t>(block), 0);
}

}  // namespace kv::test
