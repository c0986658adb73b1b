#pragma once
// Test pages built in place: units of a page source, and one page holding a window unit and a
// PicBox with a given picture, for the reader's picture checks (the reader's tests and the
// fuzzer's refusal inputs).
#include <cstdint>
#include <string>
#include <vector>

#include "pages/page_format.h"
#include "segment_writer.h"

namespace vl::pages::test {

// A JPEG file as far as its frame header, announcing width x height pixels.
inline std::string JpegHeader(std::uint16_t width, std::uint16_t height) {
  std::string bytes("\xFF\xD8\xFF\xE0\x00\x04\x00\x00\xFF\xC0\x00\x0B\x08", 13);  // SOI, APP0, SOF0
  bytes += static_cast<char>(height >> 8);
  bytes += static_cast<char>(height & 0xFF);
  bytes += static_cast<char>(width >> 8);
  bytes += static_cast<char>(width & 0xFF);
  bytes += std::string("\x01\x01\x11\x00", 4);
  return bytes;
}

// A unit of a page source with its id and kind; everything else as the source leaves it.
inline pagegen::UnitSource SourceUnit(std::uint32_t id, std::uint32_t kind) {
  pagegen::UnitSource unit;
  unit.id = id;
  unit.kind = kind;
  return unit;
}

inline std::vector<std::uint8_t> PicturePage(const std::string& picture) {
  pagegen::UnitSource box = SourceUnit(0x16010001, kKindPicBox);
  box.hasProperties = true;
  box.version = 2;
  box.fields[static_cast<int>(PicBoxField::Picture)] = {0, picture};
  pagegen::PageSource page;
  page.id = 0x52010001;
  page.units = {SourceUnit(0x06010000, kKindWindow), box};
  const std::string segment = pagegen::BuildSegment({page});
  return {segment.begin(), segment.end()};
}

}  // namespace vl::pages::test
