#pragma once
// Writing the page-description segment in its stored format, and the assembly and header that
// carry it into a program together with the routine entries.
#include <cstdint>
#include <string>
#include <vector>

#include "common/assembly.h"
#include "page_source.h"
#include "pages/page_format.h"

namespace pagegen {

// The bytes of one stored unit record's data (without its length dword).
std::string BuildUnitRecord(const UnitSource& unit);
// The whole segment: page index, page records, unit blocks.
std::string BuildSegment(const std::vector<PageSource>& pages);

// Reads the segment back with the runtime's own validating reader; fails for a fault the program
// would refuse, at the source line of the page or unit it lies in.
gen::Status CheckReadable(const std::string& path, const std::vector<PageSource>& pages, const std::string& segment,
                          std::size_t routineCount);

// The segment in the writable data section under kPageSegmentStart, and the routine entries
// in the code section from kCodeStart, one per routine in list order.
std::string RenderAssembly(const std::string& segment, const std::vector<std::string>& routines, gen::AsmFormat format);
// kPageSegmentLength, the three labels (kCodeEnd after the last entry), the routines (C linkage)
// and each one's entry offset, and the ids of the pages and units the source names.
std::string RenderLayout(std::uint32_t length, const std::vector<std::string>& routines,
                         const std::vector<PageSource>& pages);

}  // namespace pagegen
