// The installer's program header: where its code, constants, page descriptions and libraries are.
#include "constant_segment_layout.h"
#include "runtime/frame.h"
#include "runtime/libraries.h"
#include "runtime/program_header.h"

extern "C" const vl::ProgramHeaderWords kProgramHeader = {
    3,           // header version
    0,           // reserved
    0x0001013F,  // last identifier number in use
    reinterpret_cast<const void*>(&ProgramEntry),
    kConstSegmentStart,
    kConstSegmentLength,
    nullptr,     // page descriptions: none yet
    0,
    vl::kLibraryCount,
    vl::kLibraryTable,
    0,
    nullptr,
    nullptr,
};
