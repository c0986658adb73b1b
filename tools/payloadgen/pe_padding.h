#pragma once

// Padding inside a linked Windows image, with its headers fixed to match: to an exact file size
// (a section of zeros added after the last one, so that the file still ends exactly where its
// last section ends), or to put one section's data on a page of the file.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/result.h"

namespace payloadgen {

// Facts about a 32-bit Windows image, as the loader reads them.
struct ImageFacts {
  std::uint16_t machine = 0;
  std::uint16_t subsystem = 0;
  std::uint16_t characteristics = 0;
  std::uint16_t sectionCount = 0;
  std::uint32_t sectionAlignment = 0;
  std::uint32_t fileAlignment = 0;
  std::uint32_t sizeOfImage = 0;
  std::uint32_t sizeOfHeaders = 0;
  std::uint32_t endOfSections = 0;        // the largest raw-data end of any section
  std::uint32_t endOfVirtualImage = 0;    // the section-aligned end of the last section
  std::uint32_t exportDirectorySize = 0;
  std::uint32_t sizeOfInitializedData = 0;
  std::uint32_t signatureOffset = 0;      // the certificate table: a file offset, not an address
  std::uint32_t signatureSize = 0;
  std::uint32_t checksum = 0;
  std::uint32_t headerEnd = 0;            // the first byte after the section table
  std::uint32_t firstRawData = 0;         // the first section's raw data (0 when none)
  std::uint32_t optionalHeaderOffset = 0;
  std::uint32_t sectionTableOffset = 0;
};

// Reads the headers of a PE32 image. Fails on anything but a PE32 file with its headers and
// section table inside the file.
gen::Result<ImageFacts> ReadImageFacts(std::string_view image, const std::string& file);

// The image padded to `size` bytes by a new last section named `sectionName` (up to 8
// characters). Fails when the image is not an i386 GUI image, carries bytes after its last
// section (symbols, appended data), has no room for one more section header, or when `size`
// is not reachable: smaller than the image or not a whole number of file-alignment units.
gen::Result<std::string> PadImage(std::string_view image, std::uint32_t size,
                                  std::string_view sectionName, const std::string& file);

// The image with the raw data of the section named `sectionName` moved forward to the next
// multiple of the section alignment in the file, zeros before it, and the raw data of every
// section after it moved with it. A loader can then map that section from the file as it stands
// instead of reading it into memory; for the section that holds the payload this saves reading
// megabytes at every start. An image whose section lies there already comes back unchanged.
// Fails when the image carries bytes after its last section, names file offsets elsewhere (a
// debug directory, a signature), or has no such section with raw data.
gen::Result<std::string> AlignSectionToPage(std::string_view image, std::string_view sectionName,
                                            const std::string& file);

// Checks that `image` is an image of `unsignedSize` bytes followed by its Authenticode signature
// and by nothing else: its sections end at `unsignedSize` and its certificate table starts there
// and holds every byte after. A program signed after it was padded is so.
gen::Status CheckSignedImage(std::string_view image, std::uint32_t unsignedSize, const std::string& file);

// The checksum Windows' image helper computes (the checksum field counted as zero).
std::uint32_t ImageChecksum(std::string_view image, std::uint32_t checksumOffset);

}  // namespace payloadgen
