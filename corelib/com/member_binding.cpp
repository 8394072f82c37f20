#include "corelib/com/member_binding.h"

#include <windows.h>
// The automation headers need the base Windows types declared first.
#include <oleauto.h>

namespace kv::com {
namespace {
constexpr WORD kAllKinds[] = {INVOKE_FUNC, INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT,
                              INVOKE_PROPERTYPUTREF};
}  // namespace

BoundMember::~BoundMember() {
    ReleaseDescription();
    if (typeComp_) typeComp_->Release();
    if (dispatch_) dispatch_->Release();
}

void BoundMember::ReleaseDescription() {
    if (owner_) {
        if (function_) owner_->ReleaseFuncDesc(function_);
        if (variable_) owner_->ReleaseVarDesc(variable_);
        owner_->Release();
    }
    owner_ = nullptr;
    function_ = nullptr;
    variable_ = nullptr;
    parameters_.clear();
}

bool BoundMember::Bind(IUnknown* object, const wchar_t* name) {
    if (!object ||
        FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch_)))) {
        dispatch_ = nullptr;
        return false;
    }
    ITypeInfo* info = nullptr;
    if (FAILED(dispatch_->GetTypeInfo(0, GetUserDefaultLCID(), &info)) || !info) return false;
    HRESULT compResult = info->GetTypeComp(&typeComp_);
    info->Release();
    if (FAILED(compResult) || !typeComp_) {
        typeComp_ = nullptr;
        return false;
    }
    const ULONG hash = LHashValOfNameSys(SYS_WIN32, GetUserDefaultLCID(), name);
    return BindWithFlags(name, hash, kAllKinds, sizeof kAllKinds / sizeof *kAllKinds);
}

bool BoundMember::BindWithFlags(const wchar_t* name, ULONG hash, const WORD* flags,
                                size_t flagCount) {
    ReleaseDescription();
    DESCKIND kind = DESCKIND_NONE;
    BINDPTR bound = {};
    ITypeInfo* owner = nullptr;
    bool found = false;
    for (size_t i = 0; i < flagCount && !found; ++i) {
        kind = DESCKIND_NONE;
        bound = {};
        owner = nullptr;
        HRESULT hr =
            typeComp_->Bind(const_cast<LPOLESTR>(name), hash, flags[i], &owner, &kind, &bound);
        // Some type libraries answer success with nothing bound instead of an error.
        found = SUCCEEDED(hr) && kind != DESCKIND_NONE;
        if (SUCCEEDED(hr) && !found && owner) owner->Release();
    }
    if (!found) return false;
    switch (kind) {
        case DESCKIND_FUNCDESC:
            owner_ = owner;
            function_ = bound.lpfuncdesc;
            id_ = function_->memid;
            flags_ = WORD(function_->invkind);
            declaredCount_ = UINT(function_->cParams);
            parameters_.assign(function_->lprgelemdescParam,
                               function_->lprgelemdescParam + declaredCount_);
            return true;
        case DESCKIND_VARDESC:
            owner_ = owner;
            variable_ = bound.lpvardesc;
            id_ = variable_->memid;
            flags_ = DISPATCH_PROPERTYGET;
            declaredCount_ = 0;
            return true;
        case DESCKIND_IMPLICITAPPOBJ:
            if (owner) {
                owner->ReleaseVarDesc(bound.lpvardesc);
                owner->Release();
            }
            return false;
        case DESCKIND_TYPECOMP:
            if (bound.lptcomp) bound.lptcomp->Release();
            if (owner) owner->Release();
            return false;
        default:
            if (owner) owner->Release();
            return false;
    }
}

bool BoundMember::AcceptArgumentCount(UINT actual) {
    if (actual <= declaredCount_) return true;
    if (function_ && function_->cParamsOpt == -1 && declaredCount_ > 0) {
        parameters_.resize(actual, parameters_.back());
        return true;
    }
    return false;
}

}  // namespace kv::com
