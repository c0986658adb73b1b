#pragma once

// Emits the header that declares the texts of one texts.txt.

#include <string>
#include <string_view>
#include <vector>

#include "texts_parser.h"

namespace constgen {

// `sourceName` is the source's file name only (no folder), so the header is the same on
// every machine.
std::string RenderDeclarations(const std::vector<TextDefinition>& texts,
                               std::string_view sourceName);

}  // namespace constgen
