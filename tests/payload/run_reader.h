#pragma once
// Test-side readers of the payload run and of the formats it carries, written apart from the
// generator so that the tests do not take its word for anything.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace payloadtest {

struct RunEntry {
  std::string path;          // GBK bytes, without the NUL
  std::string_view content;  // empty for an entry that stores only its path
};

// Walks the run: each entry's path and NUL, then (unless `sharesContent` says the entry stores
// only its path) dword 1, dword length and the bytes. Returns "" or what was wrong and where;
// the run must end exactly after the last entry.
std::string ReadRun(std::string_view run, const std::vector<bool>& sharesContent,
                    std::vector<RunEntry>& entries);

struct PeFacts {
  bool valid = false;
  std::uint16_t machine = 0;
  std::uint16_t subsystem = 0;
  std::uint16_t characteristics = 0;
  std::uint32_t sizeOfImage = 0;
  std::uint64_t endOfSections = 0;     // relative to the image's first byte
  std::uint32_t endOfVirtualImage = 0; // last section's end, rounded up to the section alignment
  std::string exportName;              // the export directory's name, if any
  std::uint32_t exportedNames = 0;
};

// The headers of the PE32 image that starts at `at` inside `bytes`; valid false when there is none.
PeFacts ReadPe(std::string_view bytes, std::size_t at);

struct JpegFacts {
  bool wellFormed = false;  // SOI, segments with consistent lengths, a scan, EOI at the end
  std::string firstApp;     // "JFIF" or "Exif" from the first APPn segment
  bool baseline = false;    // the frame is SOF0
  int frames = 0;
  int width = 0;
  int height = 0;
  int components = 0;
};

JpegFacts ReadJpegMarkers(std::string_view jpeg);

// iconv conversion; empty when the input does not convert completely.
std::string Convert(std::string_view text, const char* from, const char* to);

// Runs a shell command; its standard output without the trailing line end.
std::string Command(const std::string& command);

// Writes `bytes` to a file of that name in a fresh temporary folder; returns the path.
std::string WriteTemporary(std::string_view bytes, const std::string& name);

std::vector<std::string> SplitLines(const std::string& text);

std::uint16_t U16(std::string_view bytes, std::size_t at);
std::uint32_t U32(std::string_view bytes, std::size_t at);
std::uint32_t Crc32(std::string_view bytes);

}  // namespace payloadtest
