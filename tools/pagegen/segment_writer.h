#pragma once
// Writing the page-description segment in its stored format, and the assembly and header that
// carry it into a program together with the routine entries.
#include <cstdint>
#include <string>
#include <vector>

#include "page_source.h"

namespace pagegen {

// The bytes of one stored unit record's data (without its length dword).
std::string BuildUnitRecord(const UnitSource& unit);
// The whole segment: page index, page records, unit blocks.
std::string BuildSegment(const std::vector<PageSource>& pages);

enum class AsmFormat { Coff, Elf };

// Every routine entry is this many bytes: a jump to the routine, padded.
inline constexpr std::uint32_t kEntrySize = 8;

// The segment in the writable data section under kPageSegmentStart, and the routine entries
// in the code section from kCodeStart, one per routine in list order.
std::string RenderAssembly(const std::string& segment, const std::vector<std::string>& routines, AsmFormat format);
// kPageSegmentLength, the two labels, the routines (C linkage) and each one's entry offset.
std::string RenderLayout(std::uint32_t length, const std::vector<std::string>& routines);

}  // namespace pagegen
