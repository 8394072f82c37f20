#include "corelib/com/value_variant.h"

#include <windows.h>
// The automation headers need the base Windows types declared first.
#include <oleauto.h>

#include <cstring>

#include "corelib/com/kernel_link.h"
#include "corelib/com/object_value.h"
#include "corelib/com/text_bridge.h"

namespace kv::com {
namespace {

// Type-record flags: every object type carries the object flag; window units (those that
// raise events) carry 0x40 as well and hold no automation object.
constexpr uint32_t kObjectTypeFlag = 0x80000000u;
constexpr uint32_t kWindowUnitFlag = 0x40u;
constexpr size_t kTypeFlagsWord = 5;

bool IsObjectLibraryType(TypeTag type) {
    const auto* words = static_cast<const void* const*>(DataTypeRecord(type));
    if (!words) return false;
    uint32_t flags;
    std::memcpy(&flags, &words[kTypeFlagsWord], sizeof flags);
    return (flags & kObjectTypeFlag) && !(flags & kWindowUnitFlag);
}

size_t WidthOf(ValueKind kind) {
    switch (kind) {
        case ValueKind::kByte:
            return 1;
        case ValueKind::kShort:
            return 2;
        case ValueKind::kBool:
        case ValueKind::kInt:
        case ValueKind::kFloat:
            return 4;
        case ValueKind::kLong:
        case ValueKind::kDouble:
        case ValueKind::kDateTime:
            return 8;
        default:
            return sizeof(void*);
    }
}

// VariantChangeType into a fresh VARIANT; the caller owns what it holds.
bool ChangeTo(const VARIANT* source, VARTYPE type, VARIANT* out) {
    VariantInit(out);
    return SUCCEEDED(VariantChangeType(out, const_cast<VARIANT*>(source), 0, type));
}

void ObjectToVariant(const ObjectBlock* block, VARTYPE declaredBase, VARIANT* out,
                     bool* borrowedRecord) {
    V_VT(out) = VT_UNKNOWN;
    V_UNKNOWN(out) = nullptr;
    if (!block || !block->held) return;
    auto* held = static_cast<IUnknown*>(block->held);
    if (block->record) {
        V_VT(out) = VT_RECORD;
        V_RECORD(out) = block->record;
        V_RECORDINFO(out) = static_cast<IRecordInfo*>(block->held);
        V_RECORDINFO(out)->AddRef();
        *borrowedRecord = true;
        return;
    }
    if (declaredBase == VT_DISPATCH || declaredBase == VT_VARIANT) {
        IDispatch* dispatch = nullptr;
        if (SUCCEEDED(held->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
            V_VT(out) = VT_DISPATCH;
            V_DISPATCH(out) = dispatch;
            return;
        }
        // A VARIANT parameter takes any object; only an IDispatch parameter needs the query.
        if (declaredBase == VT_DISPATCH) return;
    }
    if (declaredBase == VT_UNKNOWN || declaredBase == VT_VARIANT) {
        held->AddRef();
        V_UNKNOWN(out) = held;
    }
}

}  // namespace

ValueKind KindOf(TypeTag type) {
    switch (type) {
        case tag::kBool:
            return ValueKind::kBool;
        case tag::kDateTime:
            return ValueKind::kDateTime;
        case tag::kText:
            return ValueKind::kText;
        case tag::kByte:
            return ValueKind::kByte;
        case tag::kShort:
            return ValueKind::kShort;
        case tag::kInt:
            return ValueKind::kInt;
        case tag::kLong:
            return ValueKind::kLong;
        case tag::kFloat:
            return ValueKind::kFloat;
        case tag::kDouble:
            return ValueKind::kDouble;
        case comtag::kObject:
            return ValueKind::kObject;
        case comtag::kVariant:
            return ValueKind::kVariant;
        default:
            break;
    }
    if (tag::IsLibraryType(type) && IsObjectLibraryType(type)) return ValueKind::kObject;
    return ValueKind::kUnsupported;
}

ValueField ReadVariable(ValueKind kind, const void* variable) {
    ValueField value;
    value.i64 = 0;
    std::memcpy(&value, variable, WidthOf(kind));
    return value;
}

bool ValueToVariant(ValueKind kind, const ValueField& value, VARTYPE declaredBase, VARIANT* out,
                    bool* borrowedRecord) {
    switch (kind) {
        case ValueKind::kObject:
            ObjectToVariant(static_cast<const ObjectBlock*>(value.ptr), declaredBase, out,
                            borrowedRecord);
            return true;
        case ValueKind::kVariant:
            if (!value.ptr) return true;  // no VARIANT held: passed as an omitted argument
            return SUCCEEDED(VariantCopyInd(out, static_cast<VARIANT*>(value.ptr)));
        case ValueKind::kBool:
            V_VT(out) = VT_BOOL;
            V_BOOL(out) = value.i32 ? VARIANT_TRUE : VARIANT_FALSE;
            return true;
        case ValueKind::kDateTime:
            V_VT(out) = VT_DATE;
            V_DATE(out) = value.f64;
            return true;
        case ValueKind::kText:
            V_BSTR(out) = NewBstrFromText(value.text);
            if (!V_BSTR(out)) return false;
            V_VT(out) = VT_BSTR;
            return true;
        case ValueKind::kByte:
            V_VT(out) = VT_UI1;
            V_UI1(out) = value.u8;
            return true;
        case ValueKind::kShort:
            V_VT(out) = VT_I2;
            V_I2(out) = value.i16;
            return true;
        case ValueKind::kInt:
            V_VT(out) = VT_I4;
            V_I4(out) = value.i32;
            return true;
        case ValueKind::kLong:
            // Automation calls carry 32-bit integers: the low half goes.
            V_VT(out) = VT_I4;
            V_I4(out) = int32_t(uint32_t(uint64_t(value.i64)));
            return true;
        case ValueKind::kFloat:
            V_VT(out) = VT_R4;
            V_R4(out) = value.f32;
            return true;
        case ValueKind::kDouble:
            V_VT(out) = VT_R8;
            V_R8(out) = value.f64;
            return true;
        case ValueKind::kUnsupported:
            break;
    }
    return false;
}

bool VariantToValue(ValueKind kind, const VARIANT* source, ValueField* out) {
    if ((V_VT(source) & VT_TYPEMASK) == VT_RECORD) return false;
    ValueField value;
    value.i64 = 0;
    VARIANT changed;
    switch (kind) {
        case ValueKind::kObject: {
            if (!ChangeTo(source, VT_UNKNOWN, &changed)) return false;
            ObjectBlock* block = NewEmptyObject();
            block->held = V_UNKNOWN(&changed);  // the reference moves into the block
            value.ptr = block;
            break;
        }
        case ValueKind::kVariant: {
            auto* copy = static_cast<VARIANT*>(AllocateBlock(sizeof(VARIANT)));
            VariantInit(copy);
            if (FAILED(VariantCopyInd(copy, const_cast<VARIANT*>(source)))) {
                ReleaseBlock(copy);
                return false;
            }
            value.ptr = copy;
            break;
        }
        case ValueKind::kBool:
            if (!ChangeTo(source, VT_BOOL, &changed)) return false;
            value.i32 = V_BOOL(&changed) ? 1 : 0;
            break;
        case ValueKind::kDateTime:
            if (!ChangeTo(source, VT_DATE, &changed)) return false;
            value.f64 = V_DATE(&changed);
            break;
        case ValueKind::kText:
            if (!ChangeTo(source, VT_BSTR, &changed)) return false;
            value.text = NewTextFromBstr(V_BSTR(&changed));
            VariantClear(&changed);
            break;
        case ValueKind::kByte:
            if (!ChangeTo(source, VT_UI1, &changed)) return false;
            value.u8 = V_UI1(&changed);
            break;
        case ValueKind::kShort:
            if (!ChangeTo(source, VT_I2, &changed)) return false;
            value.i16 = V_I2(&changed);
            break;
        case ValueKind::kInt:
            if (!ChangeTo(source, VT_I4, &changed)) return false;
            value.i32 = V_I4(&changed);
            break;
        case ValueKind::kLong:
            if (!ChangeTo(source, VT_I4, &changed)) return false;
            value.i64 = V_I4(&changed);
            break;
        case ValueKind::kFloat:
            if (!ChangeTo(source, VT_R4, &changed)) return false;
            value.f32 = V_R4(&changed);
            break;
        case ValueKind::kDouble:
            if (!ChangeTo(source, VT_R8, &changed)) return false;
            value.f64 = V_R8(&changed);
            break;
        case ValueKind::kUnsupported:
            return false;
    }
    *out = value;
    return true;
}

bool WriteVariable(ValueKind kind, const VARIANT* source, void* variable) {
    ValueField fresh;
    if (!VariantToValue(kind, source, &fresh)) return false;
    void* old;
    std::memcpy(&old, variable, sizeof old);
    switch (kind) {
        case ValueKind::kText:
            ReleaseBlock(old);
            break;
        case ValueKind::kObject:
            // The variable keeps its own block; only the words inside change.
            if (old) {
                auto* block = static_cast<ObjectBlock*>(old);
                ClearObject(block);
                *block = *static_cast<ObjectBlock*>(fresh.ptr);
                ReleaseBlock(fresh.ptr);
                return true;
            }
            break;
        case ValueKind::kVariant:
            if (old) {
                VariantClear(static_cast<VARIANT*>(old));
                std::memcpy(old, fresh.ptr, sizeof(VARIANT));
                ReleaseBlock(fresh.ptr);
                return true;
            }
            break;
        default:
            break;
    }
    std::memcpy(variable, &fresh, WidthOf(kind));
    return true;
}

ValueField EmptyValue(ValueKind kind) {
    ValueField value;
    value.i64 = 0;
    if (kind == ValueKind::kObject) {
        value.ptr = NewEmptyObject();
    } else if (kind == ValueKind::kVariant) {
        auto* empty = static_cast<VARIANT*>(AllocateBlock(sizeof(VARIANT)));
        std::memset(empty, 0, sizeof(VARIANT));
        value.ptr = empty;
    }
    return value;
}

}  // namespace kv::com
