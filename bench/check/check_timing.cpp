// The installer's check of its carried contents, timed in a fresh process as the installer runs
// it (the image's pages are touched for the first time): `check_timing <instruction|table>`
// prints "<way>\t<milliseconds>\t<bytes checked>", or "<way>\tunavailable" when the processor has
// no CRC-32C instruction.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "base/crc32c.h"
#include "payload/catalogue.h"
#include "payload/content_check.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const bool instruction = std::strcmp(argv[1], "instruction") == 0;
  if (!instruction && std::strcmp(argv[1], "table") != 0) return 2;
  if (instruction && !vl::HasCrc32cInstruction()) {
    std::printf("%s\tunavailable\n", argv[1]);
    return 0;
  }
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const int damaged = vl::payload::FirstDamagedEntry(instruction ? &vl::Crc32cByInstruction : &vl::Crc32cByTable);
  QueryPerformanceCounter(&end);
  unsigned long long bytes = 0;
  for (const vl::payload::StoredContent& content : vl::payload::StoredContents()) bytes += content.size;
  std::printf("%s\t%.3f\t%llu\n", argv[1],
              static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart),
              bytes);
  return damaged == -1 ? 0 : 1;
}
