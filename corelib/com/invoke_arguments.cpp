#include "corelib/com/invoke_arguments.h"

#include <windows.h>
// The automation headers need the base Windows types declared first.
#include <oleauto.h>

#include "corelib/com/declared_type.h"
#include "corelib/com/value_variant.h"

namespace kv::com {
namespace {

void SetParamNotFound(VARIANT* slot) {
    V_VT(slot) = VT_ERROR;
    V_ERROR(slot) = DISP_E_PARAMNOTFOUND;
}

void Move(VARIANT* from, VARIANT* to) {
    *to = *from;
    V_VT(from) = VT_EMPTY;
}

// The types whose value a by-reference VARIANT may point at directly.
bool CanReference(VARTYPE type) {
    return (type >= VT_I2 && type <= VT_BOOL) || type == VT_UNKNOWN ||
           (type >= VT_I1 && type <= VT_UI4) || type == VT_INT || type == VT_UINT ||
           type == VT_HRESULT;
}

// A borrowed record stays the object's: only the reference to its IRecordInfo is ours.
void ClearBuilt(VARIANT* value, bool borrowed) {
    if (borrowed && V_VT(value) == VT_RECORD) {
        if (V_RECORDINFO(value)) V_RECORDINFO(value)->Release();
        V_VT(value) = VT_EMPTY;
        return;
    }
    VariantClear(value);
}

}  // namespace

CallArguments::CallArguments(UINT count) : slots_(count), holders_(count), borrowedRecord_(count) {
    for (VARIANT& v : slots_) VariantInit(&v);
    for (VARIANT& v : holders_) VariantInit(&v);
}

CallArguments::~CallArguments() {
    for (size_t i = 0; i < slots_.size(); ++i) {
        ClearBuilt(&slots_[i], borrowedRecord_[i]);
        ClearBuilt(&holders_[i], borrowedRecord_[i]);
    }
}

bool CallArguments::Build(const BoundMember& member, const ArgValue* args) {
    for (UINT i = 0; i < slots_.size(); ++i) {
        if (!BuildOne(member, i, args[i])) return false;
    }
    return true;
}

bool CallArguments::BuildOne(const BoundMember& member, UINT index, const ArgValue& arg) {
    VARIANT& slot = Slot(index);
    VARIANT& holder = Holder(index);
    const TypeTag type = arg.type & ~tag::kArrayBit;
    if (type == tag::kOmitted) {
        SetParamNotFound(&slot);
        return true;
    }
    const ValueKind kind = KindOf(type);
    if (kind == ValueKind::kUnsupported) return false;
    const bool byAddress = arg.type & tag::kArrayBit;
    if (byAddress && !arg.value.ptr) return false;
    const ValueField value = byAddress ? ReadVariable(kind, arg.value.ptr) : arg.value;

    const DeclaredType declared = ReduceDeclaredType(member.Owner(), member.Parameter(index).tdesc);
    VARIANT* target = declared.byReference ? &holder : &slot;
    bool borrowed = false;
    if (!ValueToVariant(kind, value, declared.base, target, &borrowed)) return false;
    borrowedRecord_[slots_.size() - 1 - index] = borrowed;
    if (V_VT(target) == VT_EMPTY) {
        SetParamNotFound(&slot);
        return true;
    }
    if (!declared.byReference) return true;

    if (V_VT(&holder) == VT_ERROR) {
        slot = holder;
    } else if (declared.isArray) {
        if ((V_VT(&holder) & VT_ARRAY) && !(V_VT(&holder) & VT_BYREF)) {
            V_VT(&slot) = VARTYPE(VT_BYREF | V_VT(&holder));
            V_ARRAYREF(&slot) = &V_ARRAY(&holder);
        } else {
            Move(&holder, &slot);
        }
    } else if (declared.base == VT_VARIANT) {
        V_VT(&slot) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&slot) = &holder;
    } else if (declared.base != VT_RECORD && CanReference(declared.base) &&
               SUCCEEDED(VariantChangeType(&holder, &holder, 0, declared.base))) {
        V_VT(&slot) = VARTYPE(VT_BYREF | declared.base);
        V_BYREF(&slot) = &V_UI1(&holder);  // the value's storage, whatever its type
    } else {
        Move(&holder, &slot);
    }
    return true;
}

DISPPARAMS* CallArguments::Params(bool propertyPut) {
    params_.rgvarg = slots_.empty() ? nullptr : slots_.data();
    params_.cArgs = UINT(slots_.size());
    params_.rgdispidNamedArgs = propertyPut ? &putName_ : nullptr;
    params_.cNamedArgs = propertyPut ? 1 : 0;
    return &params_;
}

void CallArguments::WriteBack(const BoundMember& member, const ArgValue* args) {
    for (UINT i = 0; i < slots_.size(); ++i) {
        const ArgValue& arg = args[i];
        const bool byAddress = (arg.type & tag::kArrayBit) && arg.value.ptr;
        const bool output = member.Parameter(i).paramdesc.wParamFlags & PARAMFLAG_FOUT;
        if (!byAddress || !output || !(V_VT(&Slot(i)) & VT_BYREF)) continue;
        // A failed conversion leaves the variable as it was.
        WriteVariable(KindOf(arg.type & ~tag::kArrayBit), &Holder(i), arg.value.ptr);
    }
}

}  // namespace kv::com
