// The installer's program header: where its routine entries, constants, page descriptions and
// libraries are.
#include "constant_segment_layout.h"
#include "libraries/libraries.h"
#include "page_segment_layout.h"
#include "runtime/program_header.h"

extern "C" const vl::ProgramHeaderWords kProgramHeader = {
    3,           // header version: a page shown the first time honours its start position
    0,           // reserved
    0x0001013F,  // last identifier number in use
    kCodeStart,
    kConstSegmentStart,
    kConstSegmentLength,
    kPageSegmentStart,
    kPageSegmentLength,
    vl::kLibraryCount,
    vl::kLibraryTable,
    0,
    nullptr,
    nullptr,
};

extern "C" const void* const kRoutineEntriesEnd = kCodeEnd;
