// Writes form templates in the stored block layout (the inverse of template_reader): used
// to produce a program's own template block from a readable description.
#pragma once

#include <cstdint>
#include <vector>

#include "forms/template_model.h"

namespace kv::forms {

struct FormToWrite {
    uint32_t formId = 0;
    const FormTemplate* form = nullptr;
};

// The whole block for `forms`. Binding handlers are written as stored words (offsets from
// the code base, or kNoHandlerWord); object and cursor slots are written as 0.
std::vector<uint8_t> WriteTemplateBlock(const std::vector<FormToWrite>& forms);

}  // namespace kv::forms
