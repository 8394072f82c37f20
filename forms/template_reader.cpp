#include "forms/template_reader.h"

#include <vector>

#include "framework/archive.h"
#include "framework/memory_file.h"

namespace kv::forms {
namespace {

// Archive buffer size used for the block.
constexpr size_t kArchiveBuffer = 4096;

bool ReadMenuItemTail(fw::LoadArchive& in, uintptr_t codeBase, UnitEntry* entry) {
    uint32_t handler = 0;
    if (!in.ReadCountedText(&entry->caption) || !in.ReadU32(&entry->state) ||
        !in.ReadU32(&handler)) {
        return false;
    }
    entry->menuHandler = RelocateHandler(handler, codeBase);
    return true;
}

bool ReadUnitTail(fw::LoadArchive& in, uintptr_t codeBase, UnitEntry* entry) {
    uint32_t objectSlot, cursorSlot, pageCount, eventCount;
    if (!in.ReadU32(&objectSlot) || !in.ReadI32(&entry->left) || !in.ReadI32(&entry->top) ||
        !in.ReadI32(&entry->width) || !in.ReadI32(&entry->height) || !in.ReadU32(&cursorSlot) ||
        !in.ReadU32(&entry->container) || !in.ReadU32(&pageCount)) {
        return false;
    }
    if (pageCount > in.Remaining() / 4) return false;
    entry->pages.resize(pageCount);
    for (auto& page : entry->pages) {
        if (!in.ReadU32(&page)) return false;
    }
    if (!in.ReadCountedBytes(&entry->cursorBlock) || !in.ReadNulText(&entry->tag) ||
        !in.ReadU32(&entry->reserved14) || !in.ReadU32(&entry->state) ||
        !in.ReadU32(&entry->reserved16) || !in.ReadU32(&eventCount)) {
        return false;
    }
    if (eventCount > in.Remaining() / 8) return false;
    entry->bindings.resize(eventCount);
    for (auto& binding : entry->bindings) {
        uint32_t handler;
        if (!in.ReadI32(&binding.event) || !in.ReadU32(&handler)) return false;
        binding.handler = RelocateHandler(handler, codeBase);
    }
    if (!in.ReadBytes(entry->reserved19, sizeof entry->reserved19)) return false;
    entry->typeData.resize(in.Remaining());
    return in.ReadBytes(entry->typeData.data(), entry->typeData.size());
}

bool ReadEntry(const uint8_t* bytes, size_t length, uint32_t id, uintptr_t codeBase,
               UnitEntry* entry) {
    fw::MemoryFile file(bytes, length);
    fw::LoadArchive in(file, kArchiveBuffer);
    entry->id = id;
    if (!in.ReadU32(&entry->type) || !in.ReadU32(&entry->eventOwner) ||
        !in.ReadBytes(entry->reserved3, sizeof entry->reserved3) || !in.ReadNulText(&entry->name) ||
        !in.ReadNulText(&entry->secondText)) {
        return false;
    }
    bool ok = entry->IsMenuItem() ? ReadMenuItemTail(in, codeBase, entry)
                                  : ReadUnitTail(in, codeBase, entry);
    return ok;
}

bool ReadWord(const std::vector<uint8_t>& bytes, size_t at, uint32_t* value) {
    if (at > bytes.size() || bytes.size() - at < 4) return false;
    *value = uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
             uint32_t(bytes[at + 3]) << 24;
    return true;
}

// The unit list: IDs, entry offsets (relative to the end of both arrays), then the entries.
bool ReadUnitList(fw::LoadArchive& in, uintptr_t codeBase, std::vector<UnitEntry>* units) {
    uint32_t count, listLength;
    if (!in.ReadU32(&count) || !in.ReadU32(&listLength)) return false;
    if (listLength > in.Remaining()) return false;
    std::vector<uint8_t> list(listLength);
    if (!in.ReadBytes(list.data(), list.size())) return false;
    if (count > list.size() / 8) return false;
    size_t entriesStart = size_t(count) * 8;
    units->resize(count);
    for (size_t i = 0; i < count; ++i) {
        uint32_t id, offset, entryLength;
        if (!ReadWord(list, i * 4, &id) || !ReadWord(list, (count + i) * 4, &offset)) return false;
        size_t at = entriesStart + offset;
        if (offset > list.size() || !ReadWord(list, at, &entryLength)) return false;
        if (entryLength > list.size() - at - 4) return false;
        if (!ReadEntry(list.data() + at + 4, entryLength, id, codeBase, &(*units)[i])) return false;
    }
    return true;
}

bool ReadTemplate(fw::LoadArchive& in, uintptr_t codeBase, FormTemplate* form) {
    return in.ReadU32(&form->word0) && in.ReadU32(&form->word1) &&
           in.ReadCountedText(&form->text0) && in.ReadCountedText(&form->text1) &&
           ReadUnitList(in, codeBase, &form->units);
}

}  // namespace

uintptr_t RelocateHandler(uint32_t word, uintptr_t codeBase) {
    if (word == kNoHandlerWord) return 0;
    return codeBase + uintptr_t(intptr_t(int32_t(word)));
}

bool ReadTemplateBlock(const void* block, uint32_t length, uintptr_t codeBase, FormMap* map) {
    if (length == 0) return true;
    if (!block) return false;
    fw::MemoryFile file(block, length);
    fw::LoadArchive in(file, kArchiveBuffer);
    uint32_t mapLength;
    if (!in.ReadU32(&mapLength) || mapLength % 8 != 0 || mapLength > in.Remaining()) return false;
    size_t count = mapLength / 8;
    std::vector<uint32_t> ids(count);
    for (auto& id : ids) {
        if (!in.ReadU32(&id)) return false;
    }
    for (size_t i = 0; i < count; ++i) {
        uint32_t pointerWord;  // replaced by the template read below
        if (!in.ReadU32(&pointerWord)) return false;
    }
    std::vector<std::unique_ptr<FormTemplate>> forms;
    for (size_t i = 0; i < count; ++i) {
        auto form = std::make_unique<FormTemplate>();
        if (!ReadTemplate(in, codeBase, form.get())) return false;
        forms.push_back(std::move(form));
    }
    for (size_t i = 0; i < count; ++i) map->Add(ids[i], std::move(forms[i]));
    return true;
}

}  // namespace kv::forms
