// The in-memory form of the template block: the form map, one FormTemplate per window and
// one UnitEntry per unit. The stored byte layout is read by template_reader and written by
// template_writer; everything here is plain data and needs no Windows API.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kv::forms {

// A unit ID is valid when its low 24 bits and its bits 24-27 are not zero.
constexpr bool IsValidUnitId(uint32_t id) {
    return (id & 0x00FFFFFFu) != 0 && (id & 0x0F000000u) != 0;
}
// Menu items: top nibble 2 and bits 24-27 equal to 6.
constexpr bool IsMenuItemId(uint32_t id) {
    return (id >> 28) == 2 && ((id >> 24) & 0xFu) == 6;
}
constexpr uint32_t kMenuItemType = 0x00010003;

// State word bits of a unit entry.
namespace state {
constexpr uint32_t kVisible = 0x1;
constexpr uint32_t kDisabled = 0x2;
constexpr uint32_t kTabStop = 0x4;
}  // namespace state

// Stored handler word meaning "no handler".
constexpr uint32_t kNoHandlerWord = 0xFFFFFFFFu;

struct EventBinding {
    int32_t event = 0;
    // After reading: the handler's address (0 = none). For writing: the stored word, an
    // offset from the code base or kNoHandlerWord.
    uintptr_t handler = 0;
};

struct UnitEntry {
    uint32_t id = 0;
    uint32_t type = 0;
    uint32_t eventOwner = 0;  // unit whose bindings this one uses; 0 = its own
    uint8_t reserved3[16] = {};
    std::string name;
    std::string secondText;
    void* object = nullptr;  // the live unit object, filled in while loaded
    int32_t left = 0, top = 0, width = 0, height = 0;
    void* cursor = nullptr;  // the cursor built from cursorBlock, filled in while loaded
    uint32_t container = 0;  // containing unit, 0 = the window
    std::vector<uint32_t> pages;
    std::vector<uint8_t> cursorBlock;
    std::string tag;
    uint32_t reserved14 = 0;
    uint32_t state = 0;
    uint32_t reserved16 = 0;
    std::vector<EventBinding> bindings;
    uint8_t reserved19[20] = {};
    std::vector<uint8_t> typeData;  // the unit type's own property block

    // Menu items only: caption, state word and the single handler.
    std::string caption;
    uintptr_t menuHandler = 0;

    bool IsMenuItem() const { return IsMenuItemId(id); }
};

struct FormTemplate {
    uint32_t word0 = 0, word1 = 0;  // carried through unchanged
    std::string text0, text1;       // carried through unchanged
    std::vector<UnitEntry> units;   // entry 0 is the window unit
    // The list as it was when the current load began; swapped back when the window goes.
    std::vector<UnitEntry> pristine;
};

// FormId -> template, in block order.
class FormMap {
  public:
    void Add(uint32_t formId, std::unique_ptr<FormTemplate> form);
    // A FormId that is not a valid unit ID is never found.
    FormTemplate* Find(uint32_t formId) const;
    // The FormId of a template of this map, or 0.
    uint32_t IdOf(const FormTemplate* form) const;
    void Clear();
    size_t Size() const { return ids_.size(); }
    FormTemplate* At(size_t i) const { return templates_[i].get(); }

  private:
    std::vector<uint32_t> ids_;
    std::vector<std::unique_ptr<FormTemplate>> templates_;
};

// The unit of a form with `unitId`, the window unit for 0; null when absent.
UnitEntry* FindUnit(FormTemplate& form, uint32_t unitId);
// Its position in the unit list, or -1.
int UnitIndex(const FormTemplate& form, uint32_t unitId);

}  // namespace kv::forms
