#include "tests/win/com/call_helpers.h"

#include <vector>

#include "corelib/com/commands.h"
#include "tests/support/fake_kernel.h"

namespace kv::test {
namespace {
ArgValue Make(TypeTag type) {
    ArgValue arg;
    arg.value.i64 = 0;
    arg.type = type;
    return arg;
}
}  // namespace

ArgValue TextArg(const char* text) {
    ArgValue arg = Make(tag::kText);
    arg.value.text = const_cast<char*>(text);
    return arg;
}

ArgValue IntArg(int32_t value) {
    ArgValue arg = Make(tag::kInt);
    arg.value.i32 = value;
    return arg;
}

ArgValue LongArg(int64_t value) {
    ArgValue arg = Make(tag::kLong);
    arg.value.i64 = value;
    return arg;
}

ArgValue BoolArg(bool value) {
    ArgValue arg = Make(tag::kBool);
    arg.value.i32 = value ? 1 : 0;
    return arg;
}

ArgValue DoubleArg(double value, TypeTag type) {
    ArgValue arg = Make(type);
    arg.value.f64 = value;
    return arg;
}

ArgValue FloatArg(float value) {
    ArgValue arg = Make(tag::kFloat);
    arg.value.f32 = value;
    return arg;
}

ArgValue ShortArg(int16_t value) {
    ArgValue arg = Make(tag::kShort);
    arg.value.i16 = value;
    return arg;
}

ArgValue ByteArg(uint8_t value) {
    ArgValue arg = Make(tag::kByte);
    arg.value.u8 = value;
    return arg;
}

ArgValue OmittedArg() {
    return Make(tag::kOmitted);
}

ArgValue ObjectArg(com::ObjectBlock* object) {
    ArgValue arg = Make(com::comtag::kObject);
    arg.value.ptr = object;
    return arg;
}

ArgValue VariantArg(void* variantBlock) {
    ArgValue arg = Make(com::comtag::kVariant);
    arg.value.ptr = variantBlock;
    return arg;
}

ArgValue AddressArg(TypeTag type, void* variable) {
    ArgValue arg = Make(type | tag::kArrayBit);
    arg.value.ptr = variable;
    return arg;
}

ArgValue Invoke(com::ObjectBlock* object, TypeTag expected, const char* member,
                std::initializer_list<ArgValue> args) {
    std::vector<ArgValue> all = {ObjectArg(object), TextArg(member)};
    all.insert(all.end(), args.begin(), args.end());
    ArgValue result = Make(expected);
    com::ComInvoke(&result, int32_t(all.size()), all.data());
    return result;
}

bool Create(com::ObjectBlock* object, const char* name, const char* typeLibrary) {
    std::vector<ArgValue> all = {ObjectArg(object), TextArg(name)};
    if (typeLibrary) all.push_back(TextArg(typeLibrary));
    ArgValue result = Make(tag::kOmitted);
    com::ComCreate(&result, int32_t(all.size()), all.data());
    return result.value.i32 != 0;
}

void Clear(com::ObjectBlock* object) {
    ArgValue arg = ObjectArg(object);
    ArgValue result = Make(tag::kOmitted);
    com::ComClear(&result, 1, &arg);
}

void ReleaseRuntimeBlock(void* block) {
    FakeSystemNotify(sysnotify::kRelease, reinterpret_cast<intptr_t>(block), 0);
}

}  // namespace kv::test
