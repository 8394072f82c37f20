#include "corelib/com/declared_type.h"

namespace kv::com {
namespace {

// Alias chains in a type library are short; the limit only guards against a cycle.
constexpr int kMaxAliasDepth = 16;

void Reduce(ITypeInfo* owner, const TYPEDESC* declared, DeclaredType* out, int depth) {
    for (;;) {
        if (declared->vt == VT_PTR) {
            out->byReference = true;
            declared = declared->lptdesc;
        } else if (declared->vt == VT_SAFEARRAY) {
            out->isArray = true;
            declared = declared->lptdesc;
        } else if (declared->vt == VT_CARRAY) {
            out->isArray = true;
            declared = &declared->lpadesc->tdescElem;
        } else {
            break;
        }
    }
    switch (declared->vt) {
        case VT_INT:
            out->base = VT_I4;
            return;
        case VT_UINT:
            out->base = VT_UI4;
            return;
        case VT_USERDEFINED:
            break;
        default:
            out->base = declared->vt;
            return;
    }
    out->base = VT_UNKNOWN;
    ITypeInfo* referenced = nullptr;
    if (!owner || FAILED(owner->GetRefTypeInfo(declared->hreftype, &referenced))) return;
    TYPEATTR* attributes = nullptr;
    if (SUCCEEDED(referenced->GetTypeAttr(&attributes))) {
        if (attributes->typekind == TKIND_ENUM) {
            out->base = VT_I4;
        } else if (attributes->typekind == TKIND_DISPATCH) {
            out->base = VT_DISPATCH;
        } else if (attributes->typekind == TKIND_ALIAS && depth < kMaxAliasDepth) {
            Reduce(referenced, &attributes->tdescAlias, out, depth + 1);
        }
        referenced->ReleaseTypeAttr(attributes);
    }
    referenced->Release();
}

}  // namespace

DeclaredType ReduceDeclaredType(ITypeInfo* owner, const TYPEDESC& declared) {
    DeclaredType reduced;
    Reduce(owner, &declared, &reduced, 0);
    return reduced;
}

}  // namespace kv::com
