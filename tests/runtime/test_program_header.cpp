// The program header of the runtime's Windows test programs: their own constant segment, no
// page descriptions, the runtime's four libraries.
#include "constant_segment_layout.h"
#include "libraries/libraries.h"
#include "runtime/frame.h"
#include "runtime/program_header.h"

namespace {
void CodeStart() {}
}  // namespace

extern "C" const vl::ProgramHeaderWords kProgramHeader = {
    3, 0, 0x0001013F, reinterpret_cast<const void*>(&CodeStart), kConstSegmentStart, kConstSegmentLength,
    nullptr, 0, vl::kLibraryCount, vl::kLibraryTable, 0, nullptr, nullptr,
};

extern "C" const void* const kRoutineEntriesEnd = nullptr;
