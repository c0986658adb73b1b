#pragma once

// The player's module files (.ec): a small container of the player's own.
//
//   offset 0   "VLEC"                     magic
//          4   u16 format version (1)
//          6   u16 number of blocks
//          8   u32 total file length
//         12   u32 CRC-32 of every byte from offset 16 to the end
//         16   blocks, each: 4-byte tag, u32 length, the bytes
//
// Blocks: "NAME" (the module's name, GBK), "VERS" (u16 major, u16 minor), "CODE" (the module's
// compiled commands, carried opaque: deterministic bytes derived from the name), "END " (empty).

#include <cstdint>
#include <string>
#include <string_view>

#include "common/result.h"

namespace payloadgen {

inline constexpr std::uint32_t kModuleHeaderSize = 16;

// A module file of exactly `size` bytes for the module `gbkName`. Fails when `size` cannot
// hold the fixed blocks.
gen::Result<std::string> MakeModuleFile(std::string_view gbkName, std::uint32_t size,
                                        const std::string& file);

// The CRC-32 (IEEE 802.3, reflected) of `bytes`.
std::uint32_t Crc32(std::string_view bytes);

}  // namespace payloadgen
