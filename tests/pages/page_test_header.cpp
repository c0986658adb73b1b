// The program header of the page test programs: the test pages and their routine entries, the
// runtime's four libraries. With VL_TRUNCATED_PAGES the page-description length is one byte short.
#include "constant_segment_layout.h"
#include "libraries/libraries.h"
#include "page_segment_layout.h"
#include "runtime/frame.h"
#include "runtime/program_header.h"

#ifdef VL_TRUNCATED_PAGES
inline constexpr std::uint32_t kStoredPageLength = kPageSegmentLength - 1;
#else
inline constexpr std::uint32_t kStoredPageLength = kPageSegmentLength;
#endif

extern "C" const vl::ProgramHeaderWords kProgramHeader = {
    3, 0, 0x0001013F, kCodeStart, kConstSegmentStart, kConstSegmentLength,
    kPageSegmentStart, kStoredPageLength, vl::kLibraryCount, vl::kLibraryTable, 0, nullptr, nullptr,
};

extern "C" const void* const kRoutineEntriesEnd = kCodeEnd;
