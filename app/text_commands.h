// The core library's commands the program uses, with the program's own value types: texts
// own their result, text arrays release their elements.
#pragma once

#include <cstdint>

#include "app/runtime_calls.h"

namespace kv::app {

// A one-dimensional text array as the core library returns it (null = no elements).
class TextArray {
  public:
    TextArray() = default;
    TextArray(const TextArray&) = delete;
    TextArray& operator=(const TextArray&) = delete;
    ~TextArray();

    int32_t Count() const;
    // Element i (0-based), never null.
    const char* At(int32_t i) const;
    // The variable's address, for commands that fill it.
    void** Address() { return &array_; }

  private:
    char* const* Elements() const;
    void* array_ = nullptr;
};

Text TrimBlanks(const char* text);
int32_t TextLength(const char* text);
Text LeftText(const char* text, int32_t count);
Text SpaceText(int32_t count);
void SplitText(const char* text, const char* separator, TextArray* parts);

}  // namespace kv::app
