#include "program_header.h"

#include "base/byte_reader.h"

namespace vl {
namespace {

template <class T>
const T* AsPointer(std::uint32_t word) noexcept {
  return reinterpret_cast<const T*>(static_cast<std::uintptr_t>(word));
}

}  // namespace

Expected<ProgramHeader> ReadProgramHeader(std::span<const std::uint8_t> bytes) noexcept {
  ByteReader reader(bytes);
  std::uint32_t w[13];
  for (auto& word : w) {
    auto value = reader.ReadU32();
    if (!value) return value.GetError();
    word = *value;
  }
  ProgramHeader header;
  header.version = w[0];
  header.reserved = w[1];
  header.lastIdNumber = w[2];
  header.codeStart = AsPointer<std::uint8_t>(w[3]);
  if (w[5] != 0 && w[4] == 0) return Error{"constant segment missing", 16};
  if (w[7] != 0 && w[6] == 0) return Error{"page-description segment missing", 24};
  if (w[8] != 0 && w[9] == 0) return Error{"library table missing", 36};
  header.constSegment = {AsPointer<std::uint8_t>(w[4]), w[5]};
  header.pageSegment = {AsPointer<std::uint8_t>(w[6]), w[7]};
  header.libraries = {AsPointer<const LibraryRecord*>(w[9]), w[8]};
  for (const LibraryRecord* library : header.libraries) {
    if (library == nullptr || library->format != kLibraryFormat) return Error{"library record of another format", 36};
  }
  return header;
}

}  // namespace vl
