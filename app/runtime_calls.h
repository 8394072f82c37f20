// How the program's code reaches the runtime: library commands, unit properties, the heap
// and the program end, all through the HelperTable. Texts are the program's text values:
// NUL-terminated GBK on the runtime heap (or in the constant block), null = empty.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "runtime/arg_values.h"
#include "runtime/helper_table.h"

namespace kv::app {

// A native window handle as the program keeps it; 0 = none.
using WindowHandle = intptr_t;

// The program's text variable: owns a runtime heap text and releases it when it goes.
// Releasing a text of the constant block is a no-op in the runtime, so a variable may also
// hold a constant text.
class Text {
  public:
    Text() = default;
    // Takes over a text the runtime handed to the program (null = empty).
    static Text Adopt(char* text);
    // A fresh heap copy of `text`.
    static Text Copy(const char* text);
    // A text of the program's constant block, held without a copy.
    static Text Constant(const char* text) { return Text(const_cast<char*>(text)); }
    // The concatenation of all parts, as a fresh heap text.
    static Text Join(std::initializer_list<const char*> parts);

    Text(Text&& other) noexcept : text_(other.Release()) {}
    Text& operator=(Text&& other) noexcept;
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    ~Text();

    // Never null: the empty text reads as "".
    const char* c_str() const { return text_ ? text_ : ""; }
    bool Empty() const { return !text_ || !*text_; }
    int32_t Length() const;
    bool EndsWith(char c) const;
    // Replaces the value by this text followed by `tail`.
    void Append(const char* tail);
    // The raw value as native functions take it: null for the empty text.
    char* Raw() const { return text_; }
    // The address of the variable, for commands that take a text by reference.
    char** Address() { return &text_; }
    char* Release();

  private:
    explicit Text(char* text) : text_(text) {}
    char* text_ = nullptr;
};

// A text as native functions take it: the empty text as a null pointer.
inline const char* NativeText(const char* text) {
    return text && *text ? text : nullptr;
}

// A window-unit reference (FormId, UnitId); the other argument kinds are in
// runtime/arg_values.h.
ArgValue UnitArg(uint32_t formId, uint32_t unitId);

// The three support libraries, in the order of the program's library table.
enum LibraryNumber : int32_t { kCoreLibrary = 0, kOsLibrary = 1, kImageLibrary = 2 };

// Calls command `entry` of the core library / of a support library.
ArgValue CoreCommand(int32_t entry, std::initializer_list<ArgValue> args);
ArgValue SupportCommand(LibraryNumber library, int32_t entry, std::initializer_list<ArgValue> args);

// Unit property write (sub-property -1: the whole value).
void WriteUnitProperty(uint32_t formId, uint32_t unitId, int32_t property, int64_t value);

// Ends the program through the runtime's end sequence; never returns.
[[noreturn]] void EndProgram(int32_t code);

}  // namespace kv::app
