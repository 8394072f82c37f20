#include <windows.h>
// The automation headers need the base Windows types declared first.
#include <oleauto.h>

#include <string>

#include "corelib/com/commands.h"
#include "corelib/com/invoke_arguments.h"
#include "corelib/com/member_binding.h"
#include "corelib/com/object_value.h"
#include "corelib/com/text_bridge.h"
#include "corelib/com/value_variant.h"

namespace kv::com {
namespace {

class ScopedVariant {
  public:
    ScopedVariant() { VariantInit(&value_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    ~ScopedVariant() { VariantClear(&value_); }
    VARIANT* get() { return &value_; }

  private:
    VARIANT value_;
};

// Trailing omitted arguments are not passed at all.
UINT PassedArgumentCount(int32_t count, const ArgValue* memberArgs) {
    int32_t passed = count - 2;
    while (passed > 0 && (memberArgs[passed - 1].type & ~tag::kArrayBit) == tag::kOmitted) {
        --passed;
    }
    return UINT(passed);
}

bool Invoke(ArgValue* result, int32_t count, ArgValue* args, TypeTag expected) {
    if (count < 2) return false;
    const auto* object = static_cast<const ObjectBlock*>(args[0].value.ptr);
    if (!object || !object->held) return false;
    const char* name = TextArgument(args[1]);
    if (!name) return false;
    const std::wstring wideName = Widen(name);

    BoundMember member;
    if (!member.Bind(static_cast<IUnknown*>(object->held), wideName.c_str())) return false;
    ArgValue* memberArgs = args + 2;
    const UINT passed = PassedArgumentCount(count, memberArgs);
    if (!member.AcceptArgumentCount(passed)) return false;

    CallArguments arguments(passed);
    if (!arguments.Build(member, memberArgs)) return false;
    ScopedVariant answer;
    UINT argumentError = 0;
    HRESULT hr = member.Dispatch()->Invoke(
        member.Id(), IID_NULL, GetUserDefaultLCID(), member.InvokeFlags(),
        arguments.Params(member.IsPropertyPut()), answer.get(), nullptr, &argumentError);
    if (FAILED(hr)) return false;
    arguments.WriteBack(member, memberArgs);
    if (expected == tag::kOmitted) return true;
    return VariantToValue(KindOf(expected), answer.get(), &result->value);
}

}  // namespace

void ComInvoke(ArgValue* result, int32_t count, ArgValue* args) {
    const TypeTag expected = result->type;
    if (!Invoke(result, count, args, expected) && expected != tag::kOmitted) {
        result->value = EmptyValue(KindOf(expected));
    }
}

void KV_CDECL ComCallMethod(ArgValue* result, int32_t count, ArgValue* args) {
    result->type = tag::kOmitted;
    ComInvoke(result, count, args);
}

void KV_CDECL ComCallObjectMethod(ArgValue* result, int32_t count, ArgValue* args) {
    result->type = comtag::kObject;
    ComInvoke(result, count, args);
}

}  // namespace kv::com
