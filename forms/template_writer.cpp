#include "forms/template_writer.h"

#include "framework/archive.h"
#include "framework/memory_file.h"

namespace kv::forms {
namespace {

std::vector<uint8_t> WriteEntry(const UnitEntry& entry) {
    fw::MemoryFile file;
    fw::StoreArchive out(file);
    out.WriteU32(entry.type);
    out.WriteU32(entry.eventOwner);
    out.WriteBytes(entry.reserved3, sizeof entry.reserved3);
    out.WriteNulText(entry.name);
    out.WriteNulText(entry.secondText);
    if (entry.IsMenuItem()) {
        out.WriteCountedText(entry.caption);
        out.WriteU32(entry.state);
        out.WriteU32(uint32_t(entry.menuHandler));
        return file.Contents();
    }
    out.WriteU32(0);  // object slot
    out.WriteI32(entry.left);
    out.WriteI32(entry.top);
    out.WriteI32(entry.width);
    out.WriteI32(entry.height);
    out.WriteU32(0);  // cursor slot
    out.WriteU32(entry.container);
    out.WriteU32(uint32_t(entry.pages.size()));
    for (uint32_t page : entry.pages) out.WriteU32(page);
    out.WriteCountedBytes(entry.cursorBlock);
    out.WriteNulText(entry.tag);
    out.WriteU32(entry.reserved14);
    out.WriteU32(entry.state);
    out.WriteU32(entry.reserved16);
    out.WriteU32(uint32_t(entry.bindings.size()));
    for (const auto& binding : entry.bindings) {
        out.WriteI32(binding.event);
        out.WriteU32(uint32_t(binding.handler));
    }
    out.WriteBytes(entry.reserved19, sizeof entry.reserved19);
    out.WriteBytes(entry.typeData.data(), entry.typeData.size());
    return file.Contents();
}

std::vector<uint8_t> WriteUnitList(const std::vector<UnitEntry>& units) {
    std::vector<std::vector<uint8_t>> entries;
    for (const auto& unit : units) entries.push_back(WriteEntry(unit));
    fw::MemoryFile file;
    fw::StoreArchive out(file);
    for (const auto& unit : units) out.WriteU32(unit.id);
    uint32_t offset = 0;
    for (const auto& entry : entries) {
        out.WriteU32(offset);
        offset += 4 + uint32_t(entry.size());
    }
    for (const auto& entry : entries) {
        out.WriteU32(uint32_t(entry.size()));
        out.WriteBytes(entry.data(), entry.size());
    }
    return file.Contents();
}

}  // namespace

std::vector<uint8_t> WriteTemplateBlock(const std::vector<FormToWrite>& forms) {
    fw::MemoryFile file;
    fw::StoreArchive out(file);
    out.WriteU32(uint32_t(forms.size() * 8));
    for (const auto& f : forms) out.WriteU32(f.formId);
    for (size_t i = 0; i < forms.size(); ++i) out.WriteU32(0);  // template pointer words
    for (const auto& f : forms) {
        out.WriteU32(f.form->word0);
        out.WriteU32(f.form->word1);
        out.WriteCountedText(f.form->text0);
        out.WriteCountedText(f.form->text1);
        std::vector<uint8_t> list = WriteUnitList(f.form->units);
        out.WriteU32(uint32_t(f.form->units.size()));
        out.WriteCountedBytes(list);
    }
    return file.Contents();
}

}  // namespace kv::forms
