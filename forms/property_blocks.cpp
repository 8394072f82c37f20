#include "forms/property_blocks.h"

#include "framework/archive.h"
#include "framework/memory_file.h"

namespace kv::forms {

bool WindowProperties::Load(const uint8_t* data, size_t length) {
    if (length == 0) return true;
    fw::MemoryFile file(data, length);
    fw::LoadArchive in(file);
    uint32_t version;
    if (!in.ReadU32(&version) || version > kNewestVersion) return false;
    int32_t color;
    in.ReadI32(&border);
    in.ReadI32(&pictureMode);
    in.ReadI32(&color);
    backColor = uint32_t(color);
    in.ReadI32(&maxButton);
    in.ReadI32(&minButton);
    in.ReadI32(&controlBox);
    in.ReadI32(&position);
    in.ReadI32(&movable);
    in.ReadI32(&playCount);
    in.ReadI32(&enterMovesFocus);
    in.ReadI32(&escCloses);
    in.ReadI32(&f1Help);
    in.ReadI32(&helpContext);
    if (version >= 2) in.ReadI32(&showInTaskbar);
    if (version >= 3) {
        in.ReadI32(&moveByAnyPoint);
        in.ReadI32(&shape);
    }
    if (version >= 4) in.ReadI32(&alwaysOnTop);
    if (version >= 5) in.ReadI32(&property30);
    if (version >= 6) in.ReadCountedText(&className);
    in.ReadCountedBytes(&picture);
    in.ReadCountedBytes(&icon);
    in.ReadCountedBytes(&sound);
    in.ReadCountedText(&title);
    in.ReadCountedText(&helpFile);
    return !in.Failed();
}

std::vector<uint8_t> WindowProperties::Store() const {
    fw::MemoryFile file;
    fw::StoreArchive out(file);
    out.WriteU32(kNewestVersion);
    for (int32_t word :
         {border, pictureMode, int32_t(backColor), maxButton, minButton, controlBox, position,
          movable, playCount, enterMovesFocus, escCloses, f1Help, helpContext, showInTaskbar,
          moveByAnyPoint, shape, alwaysOnTop, property30}) {
        out.WriteI32(word);
    }
    out.WriteCountedText(className);
    out.WriteCountedBytes(picture);
    out.WriteCountedBytes(icon);
    out.WriteCountedBytes(sound);
    out.WriteCountedText(title);
    out.WriteCountedText(helpFile);
    return file.Contents();
}

bool ButtonProperties::Load(const uint8_t* data, size_t length) {
    if (length == 0) return true;
    fw::MemoryFile file(data, length);
    fw::LoadArchive in(file);
    uint32_t version;
    if (!in.ReadU32(&version) || version > kNewestVersion) return false;
    in.ReadI32(&type);
    in.ReadI32(&horizontalAlign);
    in.ReadI32(&verticalAlign);
    in.ReadCountedBytes(&picture);
    in.ReadCountedBytes(&font);
    in.ReadCountedText(&caption);
    return !in.Failed();
}

std::vector<uint8_t> ButtonProperties::Store() const {
    fw::MemoryFile file;
    fw::StoreArchive out(file);
    out.WriteU32(kNewestVersion);
    out.WriteI32(type);
    out.WriteI32(horizontalAlign);
    out.WriteI32(verticalAlign);
    out.WriteCountedBytes(picture);
    out.WriteCountedBytes(font);
    out.WriteCountedText(caption);
    return file.Contents();
}

bool TimerProperties::Load(const uint8_t* data, size_t length) {
    if (length == 0) return true;
    fw::MemoryFile file(data, length);
    fw::LoadArchive in(file);
    uint32_t version;
    if (!in.ReadU32(&version) || version > kNewestVersion) return false;
    in.ReadI32(&interval);
    return !in.Failed();
}

std::vector<uint8_t> TimerProperties::Store() const {
    fw::MemoryFile file;
    fw::StoreArchive out(file);
    out.WriteU32(kNewestVersion);
    out.WriteI32(interval);
    return file.Contents();
}

}  // namespace kv::forms
