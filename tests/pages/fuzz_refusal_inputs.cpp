// Writes one input per refusal of the page reader into the fuzzer's corpus: the generated test
// segment with one value the runtime must not trust, and a page whose picture announces too many
// pixels. Each is read back first: an input the reader does not refuse as intended fails the build.
//
//   fuzz_refusal_inputs <every_kind segment> <output folder>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "pages/page_segment.h"
#include "picture_page.h"

namespace {

using namespace vl::pages;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kEntriesLength = 64 * kRoutineEntryLength;  // as the fuzz target reads

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Where a unit's field lies in the segment it was read from.
std::size_t At(const Bytes& segment, Unit& unit, std::size_t offsetInRecord) {
  return static_cast<std::size_t>(unit.Record().data() - segment.data()) + offsetInRecord;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: fuzz_refusal_inputs <every_kind segment> <output folder>\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  Bytes segment{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  Bytes reading = segment;
  auto pages = ReadPageSegment(reading, kEntriesLength);
  if (!pages) {
    std::cerr << "fuzz_refusal_inputs: the test segment does not read\n";
    return 1;
  }
  PageDescription& page = pages.Value().Pages().front();
  Unit& window = page.WindowUnit();
  Unit& first = page.Units()[1];
  Unit& second = page.Units()[2];
  auto fixed = [&](Unit& unit, std::size_t field) {
    return At(reading, unit, unit.View().Layout().fixedOffset + field);
  };
  const std::size_t handler = At(reading, window, window.View().Layout().eventsOffset + event_entry::kHandler);

  struct Input {
    const char* name;
    PageFault fault;
    std::function<void(Bytes&)> damage;
  };
  const std::vector<Input> inputs = {
      {"window_slot", PageFault::WindowSlot,
       [&](Bytes& b) { Put32(b, fixed(window, unit_fixed::kWindowSlot), 0x00402000); }},
      {"pointer_slot", PageFault::PointerSlot, [&](Bytes& b) { Put32(b, fixed(first, unit_fixed::kPointerSlot), 1); }},
      {"handler_between_entries", PageFault::Handler, [&](Bytes& b) { Put32(b, handler, 12); }},
      {"handler_far_outside", PageFault::Handler, [&](Bytes& b) { Put32(b, handler, 0x7FFF0000); }},
      {"container_unknown", PageFault::Container,
       [&](Bytes& b) { Put32(b, fixed(first, unit_fixed::kContainer), 0x16FFFFFF); }},
      {"container_cycle", PageFault::ContainerCycle, [&](Bytes& b) {
         Put32(b, fixed(first, unit_fixed::kContainer), second.Id());
         Put32(b, fixed(second, unit_fixed::kContainer), first.Id());
       }},
  };
  const std::filesystem::path folder = argv[2];
  std::filesystem::create_directories(folder);
  auto write = [&](const std::string& name, PageFault fault, const Bytes& bytes) {
    Bytes check = bytes;
    auto read = ReadPageSegment(check, kEntriesLength);
    if (read || read.GetError().fault != fault) {
      std::cerr << "fuzz_refusal_inputs: " << name << " is not refused as intended\n";
      return false;
    }
    std::ofstream out(folder / (name + ".bin"), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
  };
  for (const Input& input : inputs) {
    Bytes damaged = segment;
    input.damage(damaged);
    if (!write(input.name, input.fault, damaged)) return 1;
  }
  const Bytes oversized = test::PicturePage(test::JpegHeader(8192, 8192));
  return write("picture_over_cap", PageFault::Picture, oversized) ? 0 : 1;
}
