#pragma once

// Emits the constant segment: the GNU assembler source that defines it and the C++ header
// that tells its length.

#include <cstdint>
#include <string>

#include "common/assembly.h"
#include "segment_model.h"

namespace constgen {

// The assembler source: kConstSegmentStart, each item under its global label, then
// kConstSegmentEnd. The same segment always gives the same text.
std::string RenderAssembly(const Segment& segment, gen::AsmFormat format);

// The layout header: the two segment labels and kConstSegmentLength = `length`.
std::string RenderLayout(std::uint32_t length);

}  // namespace constgen
