#pragma once
// The payload catalogue: the files the installer carries, read-only, in the orders in which the
// installation uses them. Every text and byte set lies in the program's constant segment and
// lives as long as the process; nothing is copied.
#include <cstdint>
#include <span>

namespace vl::payload {

struct PayloadEntry {
  // The target path relative to the install root, GBK, starting with "\Vorlane".
  const char* path;
  // The file's content as a byte set in place (dword 1, dword length, the bytes): handed to the
  // write command unchanged.
  const void* content;
  // Whether the file becomes hidden and system once every file is written.
  bool hiddenSystem;
};

// A stored content as the build recorded it, for the check before anything is written: the
// byte set (dword 1, dword length, the bytes) of entry `entryIndex` (the first entry that names
// it), its size in bytes with its two dwords, and the CRC-32C of those bytes.
struct StoredContent {
  std::uint32_t entryIndex;
  std::uint32_t size;
  std::uint32_t crc32c;
};

// The 34 entries in write order. Cannot fail.
std::span<const PayloadEntry> Entries() noexcept;

// The player (Vorlane.exe) and the uninstaller (卸载.exe), which the links and the registration
// name. Cannot fail.
const PayloadEntry& PlayerEntry() noexcept;
const PayloadEntry& UninstallerEntry() noexcept;

// The 13 folder texts (GBK, relative to the install root, no leading backslash) in creation
// order. Cannot fail.
std::span<const char* const> Folders() noexcept;

// The folders that hold the user's own data, in creation order: each points at its text in
// Folders(). They hold no carried file. Cannot fail.
std::span<const char* const> UserWritableFolders() noexcept;

// The marked entries in the order their attributes are set: 19 to 34, then 5, 6 and 7. Each
// points into Entries(). Cannot fail.
std::span<const PayloadEntry* const> MarkedEntries() noexcept;

// The 32 stored contents in segment order. Cannot fail.
std::span<const StoredContent> StoredContents() noexcept;

}  // namespace vl::payload
