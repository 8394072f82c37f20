#include "forms/template_model.h"

namespace kv::forms {

void FormMap::Add(uint32_t formId, std::unique_ptr<FormTemplate> form) {
    ids_.push_back(formId);
    templates_.push_back(std::move(form));
}

FormTemplate* FormMap::Find(uint32_t formId) const {
    if (!IsValidUnitId(formId) || ids_.empty()) return nullptr;
    if (ids_[0] == formId) return templates_[0].get();
    for (size_t i = 1; i < ids_.size(); ++i) {
        if (ids_[i] == formId) return templates_[i].get();
    }
    return nullptr;
}

uint32_t FormMap::IdOf(const FormTemplate* form) const {
    for (size_t i = 0; i < templates_.size(); ++i) {
        if (templates_[i].get() == form) return ids_[i];
    }
    return 0;
}

void FormMap::Clear() {
    ids_.clear();
    templates_.clear();
}

int UnitIndex(const FormTemplate& form, uint32_t unitId) {
    if (form.units.empty()) return -1;
    if (unitId == 0) return 0;
    for (size_t i = 0; i < form.units.size(); ++i) {
        if (form.units[i].id == unitId) return int(i);
    }
    return -1;
}

UnitEntry* FindUnit(FormTemplate& form, uint32_t unitId) {
    int i = UnitIndex(form, unitId);
    return i < 0 ? nullptr : &form.units[size_t(i)];
}

}  // namespace kv::forms
