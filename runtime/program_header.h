#pragma once
// The program header: a fixed record of 32-bit words among the program's constants that tells
// the runtime where the code, the constant segment, the page descriptions and the libraries are.
// Each program defines kProgramHeader; the runtime reads it once at start-up.
#include <cstdint>
#include <span>

#include "base/expected.h"
#include "library_record.h"

namespace vl {

struct ProgramHeaderWords {
  std::uint32_t version;         // non-zero: a page shown the first time honours its start position
  std::uint32_t reserved;
  std::uint32_t lastIdNumber;    // last identifier number in use; new ids take the next ones
  const void* codeStart;         // stored handler offsets are relative to it
  const void* constSegment;
  std::uint32_t constLength;
  const void* pageSegment;       // stored page descriptions
  std::uint32_t pageLength;
  std::uint32_t libraryCount;
  const LibraryRecord* const* libraryTable;
  std::uint32_t extraTableCount;
  const void* extraTable1;
  const void* extraTable2;
};
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(ProgramHeaderWords) == 52, "the header is thirteen 32-bit words");
#endif

// The header as the runtime uses it once read.
struct ProgramHeader {
  std::uint32_t version = 0;
  std::uint32_t reserved = 0;
  std::uint32_t lastIdNumber = 0;
  const std::uint8_t* codeStart = nullptr;
  std::span<const std::uint8_t> constSegment;
  std::span<const std::uint8_t> pageSegment;
  std::span<const LibraryRecord* const> libraries;
};

// Reads the 52 header bytes word by word. Fails on a segment or library table that is absent
// although its length or count is not zero, and on a library record of another format.
Expected<ProgramHeader> ReadProgramHeader(std::span<const std::uint8_t> words) noexcept;

}  // namespace vl

extern "C" const vl::ProgramHeaderWords kProgramHeader;
// Beside the header, outside its words: where the routine entries end (the label after the last
// one); null in a program without page descriptions. Every stored handler offset lies below
// kRoutineEntriesEnd - codeStart.
extern "C" const void* const kRoutineEntriesEnd;
