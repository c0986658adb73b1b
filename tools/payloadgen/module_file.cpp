#include "module_file.h"

#include "common/byte_writer.h"

namespace payloadgen {
namespace {

constexpr std::uint16_t kFormatVersion = 1;
constexpr std::uint16_t kPlayerMajor = 2;
constexpr std::uint16_t kPlayerMinor = 6;
constexpr std::uint32_t kBlockHeaderSize = 8;

}  // namespace

std::uint32_t Crc32(std::string_view bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= static_cast<std::uint8_t>(c);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

gen::Result<std::string> MakeModuleFile(std::string_view gbkName, std::uint32_t size,
                                        const std::string& file) {
  const std::uint64_t fixed = kModuleHeaderSize + 4 * kBlockHeaderSize + gbkName.size() + 4;
  if (size < fixed) {
    return gen::Error{file, 0, "a module file of " + std::to_string(size) +
                                        " bytes cannot hold its fixed blocks"};
  }
  gen::ByteWriter blocks;
  blocks.Bytes("NAME");
  blocks.U32(static_cast<std::uint32_t>(gbkName.size()));
  blocks.Bytes(gbkName);
  blocks.Bytes("VERS");
  blocks.U32(4);
  blocks.U16(kPlayerMajor);
  blocks.U16(kPlayerMinor);
  const auto codeLength = static_cast<std::uint32_t>(size - fixed);
  blocks.Bytes("CODE");
  blocks.U32(codeLength);
  // The code is opaque to the installer; a generator seeded by the name keeps every build the
  // same and every module different.
  std::uint32_t state = 2166136261u;
  for (const char c : gbkName) state = (state ^ static_cast<std::uint8_t>(c)) * 16777619u;
  for (std::uint32_t i = 0; i < codeLength; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    blocks.U8(static_cast<std::uint8_t>(state >> 24));
  }
  blocks.Bytes("END ");
  blocks.U32(0);

  gen::ByteWriter out;
  out.Bytes("VLEC");
  out.U16(kFormatVersion);
  out.U16(4);
  out.U32(size);
  out.U32(Crc32(blocks.View()));
  out.Bytes(blocks.View());
  return out.Take();
}

}  // namespace payloadgen
