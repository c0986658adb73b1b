#include "pe_padding.h"

#include <algorithm>

#include "base/byte_reader.h"
#include "common/byte_writer.h"

namespace payloadgen {
namespace {

constexpr std::uint16_t kMachineI386 = 0x014C;
constexpr std::uint16_t kSubsystemGui = 2;
constexpr std::uint16_t kPe32Magic = 0x010B;
constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kCoffHeaderSize = 20;
// Optional-header fields (offsets from its start).
constexpr std::uint32_t kSizeOfInitializedData = 8;
constexpr std::uint32_t kSectionAlignment = 32;
constexpr std::uint32_t kFileAlignment = 36;
constexpr std::uint32_t kSizeOfImage = 56;
constexpr std::uint32_t kSizeOfHeaders = 60;
constexpr std::uint32_t kChecksum = 64;
constexpr std::uint32_t kSubsystem = 68;
constexpr std::uint32_t kExportDirectory = 96;
// Directories that name file offsets rather than addresses in memory.
constexpr std::uint32_t kCertificateDirectory = 128;
constexpr std::uint32_t kDebugDirectory = 144;
// Section-header fields.
constexpr std::uint32_t kVirtualSize = 8;
constexpr std::uint32_t kVirtualAddress = 12;
constexpr std::uint32_t kRawSize = 16;
constexpr std::uint32_t kRawPointer = 20;
// Initialised data, readable, discardable: nothing maps or runs it, the loader keeps it out of
// the working set.
constexpr std::uint32_t kPaddingFlags = 0x00000040 | 0x40000000 | 0x02000000;

std::uint32_t AlignUp(std::uint32_t value, std::uint32_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// An image's fields read through the checked reader, by offset. A field that does not lie whole
// in the image reads as 0 and marks the reading failed: callers read what they need, then ask once.
class ImageFields {
 public:
  explicit ImageFields(std::string_view image) noexcept
      : m_bytes(reinterpret_cast<const std::uint8_t*>(image.data()), image.size()) {}

  std::uint16_t U16(std::size_t offset) noexcept { return Read(offset, &vl::ByteReader::ReadU16); }
  std::uint32_t U32(std::size_t offset) noexcept { return Read(offset, &vl::ByteReader::ReadU32); }
  bool Failed() const noexcept { return m_failed; }

 private:
  template <class Word>
  Word Read(std::size_t offset, vl::Expected<Word> (vl::ByteReader::*read)() noexcept) noexcept {
    vl::ByteReader reader(m_bytes);
    if (!reader.Skip(offset)) {
      m_failed = true;
      return 0;
    }
    const vl::Expected<Word> word = (reader.*read)();
    if (!word) m_failed = true;
    return word ? *word : Word{0};
  }

  std::span<const std::uint8_t> m_bytes;
  bool m_failed = false;
};

gen::Error Fail(const std::string& file, const std::string& message) {
  return gen::Error{file, 0, message};
}

// The image's facts, for an image that ends where its last section ends: bytes after it (symbols,
// appended data) would not follow a change of the sections.
gen::Result<ImageFacts> ReadStrippedImage(std::string_view image, const std::string& file) {
  gen::Result<ImageFacts> read = ReadImageFacts(image, file);
  if (read.HasValue() && read.Value().endOfSections != image.size()) {
    return Fail(file, "the file carries " + std::to_string(image.size() - read.Value().endOfSections) +
                          " bytes after its last section (link it stripped)");
  }
  return read;
}

}  // namespace

std::uint32_t ImageChecksum(std::string_view image, std::uint32_t checksumOffset) {
  std::uint64_t sum = 0;
  for (std::size_t at = 0; at < image.size(); at += 2) {
    std::uint32_t word = static_cast<std::uint8_t>(image[at]);
    if (at + 1 < image.size()) word |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(image[at + 1])) << 8;
    if (at == checksumOffset || at == checksumOffset + 2) word = 0;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>(sum) + static_cast<std::uint32_t>(image.size());
}

gen::Result<ImageFacts> ReadImageFacts(std::string_view image, const std::string& file) {
  if (image.size() < 64 || image.substr(0, 2) != "MZ") return Fail(file, "not an MZ file");
  ImageFields fields(image);
  const std::uint32_t peOffset = fields.U32(60);
  if (peOffset > image.size() || image.size() - peOffset < 4 + kCoffHeaderSize ||
      image.substr(peOffset, 4) != std::string_view("PE\0\0", 4)) {
    return Fail(file, "no PE header");
  }
  ImageFacts facts;
  const std::uint32_t coff = peOffset + 4;
  facts.machine = fields.U16(coff);
  facts.sectionCount = fields.U16(coff + 2);
  const std::uint16_t optionalSize = fields.U16(coff + 16);
  facts.characteristics = fields.U16(coff + 18);
  facts.optionalHeaderOffset = coff + kCoffHeaderSize;
  const std::uint32_t optional = facts.optionalHeaderOffset;
  if (optionalSize < kExportDirectory + 8 || image.size() - optional < optionalSize) {
    return Fail(file, "the optional header is cut short");
  }
  if (fields.U16(optional) != kPe32Magic) return Fail(file, "not a 32-bit (PE32) image");
  facts.sectionAlignment = fields.U32(optional + kSectionAlignment);
  facts.fileAlignment = fields.U32(optional + kFileAlignment);
  facts.sizeOfImage = fields.U32(optional + kSizeOfImage);
  facts.sizeOfHeaders = fields.U32(optional + kSizeOfHeaders);
  facts.checksum = fields.U32(optional + kChecksum);
  facts.subsystem = fields.U16(optional + kSubsystem);
  facts.exportDirectorySize = fields.U32(optional + kExportDirectory + 4);
  facts.sizeOfInitializedData = fields.U32(optional + kSizeOfInitializedData);
  if (optionalSize >= kCertificateDirectory + 8) {
    facts.signatureOffset = fields.U32(optional + kCertificateDirectory);
    facts.signatureSize = fields.U32(optional + kCertificateDirectory + 4);
  }
  if (facts.fileAlignment == 0 || facts.sectionAlignment == 0) {
    return Fail(file, "an alignment of zero");
  }
  facts.sectionTableOffset = optional + optionalSize;
  const std::uint64_t tableEnd =
      static_cast<std::uint64_t>(facts.sectionTableOffset) + facts.sectionCount * kSectionHeaderSize;
  if (tableEnd > image.size()) return Fail(file, "the section table is cut short");
  facts.headerEnd = static_cast<std::uint32_t>(tableEnd);
  for (std::uint32_t i = 0; i < facts.sectionCount; ++i) {
    const std::uint32_t header = facts.sectionTableOffset + i * kSectionHeaderSize;
    const std::uint32_t rawSize = fields.U32(header + kRawSize);
    const std::uint32_t rawPointer = fields.U32(header + kRawPointer);
    const std::uint32_t virtualSize = fields.U32(header + kVirtualSize);
    const std::uint32_t virtualAddress = fields.U32(header + kVirtualAddress);
    if (rawSize > 0) {
      if (static_cast<std::uint64_t>(rawPointer) + rawSize > image.size()) {
        return Fail(file, "a section's data lies beyond the end of the file");
      }
      facts.endOfSections = std::max(facts.endOfSections, rawPointer + rawSize);
      if (facts.firstRawData == 0 || rawPointer < facts.firstRawData) facts.firstRawData = rawPointer;
    }
    const std::uint64_t virtualEnd = static_cast<std::uint64_t>(virtualAddress) +
                                     AlignUp(std::max(virtualSize, rawSize), facts.sectionAlignment);
    if (virtualEnd > 0xFFFFFFFFu) return Fail(file, "a section lies beyond 4 GiB");
    facts.endOfVirtualImage = std::max(facts.endOfVirtualImage, static_cast<std::uint32_t>(virtualEnd));
  }
  // Every field read was found whole above; the reader says so once more.
  if (fields.Failed()) return Fail(file, "the headers are cut short");
  return facts;
}

gen::Result<std::string> PadImage(std::string_view image, std::uint32_t size,
                                  std::string_view sectionName, const std::string& file) {
  const gen::Result<ImageFacts> read = ReadStrippedImage(image, file);
  if (!read.HasValue()) return read.GetError();
  const ImageFacts& facts = read.Value();
  if (facts.machine != kMachineI386) return Fail(file, "not an i386 image");
  if (facts.subsystem != kSubsystemGui) return Fail(file, "not built for the GUI subsystem");
  if (size <= image.size()) {
    return Fail(file, "the image has " + std::to_string(image.size()) +
                          " bytes, no fewer than the " + std::to_string(size) + " wanted");
  }
  const std::uint32_t padding = size - static_cast<std::uint32_t>(image.size());
  if (image.size() % facts.fileAlignment != 0 || padding % facts.fileAlignment != 0) {
    return Fail(file, "the size " + std::to_string(size) + " is not a whole number of " +
                          std::to_string(facts.fileAlignment) + "-byte file units");
  }
  const std::uint32_t room = (facts.firstRawData == 0 ? facts.sizeOfHeaders : facts.firstRawData);
  if (facts.headerEnd + kSectionHeaderSize > std::min(room, facts.sizeOfHeaders)) {
    return Fail(file, "no room for one more section header");
  }
  if (sectionName.empty() || sectionName.size() > 8) return Fail(file, "a section name has 1 to 8 characters");

  gen::ByteWriter header;
  std::string name(sectionName);
  name.resize(8, '\0');
  header.Bytes(name);
  header.U32(padding);                        // virtual size
  header.U32(facts.endOfVirtualImage);        // virtual address
  header.U32(padding);                        // raw size
  header.U32(static_cast<std::uint32_t>(image.size()));  // raw pointer
  header.Zeros(12);                           // relocations, line numbers and their counts
  header.U32(kPaddingFlags);
  std::string bytes(image);
  bytes.replace(facts.headerEnd, kSectionHeaderSize, header.View());
  gen::ByteWriter out(std::move(bytes));
  out.Zeros(padding);

  const std::uint32_t coff = facts.optionalHeaderOffset - kCoffHeaderSize;
  out.PatchU16(coff + 2, static_cast<std::uint16_t>(facts.sectionCount + 1));
  const std::uint32_t optional = facts.optionalHeaderOffset;
  out.PatchU32(optional + kSizeOfInitializedData, facts.sizeOfInitializedData + padding);
  out.PatchU32(optional + kSizeOfImage, AlignUp(facts.endOfVirtualImage + padding, facts.sectionAlignment));
  out.PatchU32(optional + kChecksum, ImageChecksum(out.View(), optional + kChecksum));
  return out.Take();
}

gen::Status CheckSignedImage(std::string_view image, std::uint32_t unsignedSize, const std::string& file) {
  const gen::Result<ImageFacts> read = ReadImageFacts(image, file);
  if (!read.HasValue()) return read.GetError();
  const ImageFacts& facts = read.Value();
  if (facts.endOfSections != unsignedSize) {
    return Fail(file, "its sections end at " + std::to_string(facts.endOfSections) + ", not at " +
                          std::to_string(unsignedSize));
  }
  if (facts.signatureSize == 0 || facts.signatureOffset != unsignedSize ||
      image.size() - unsignedSize != facts.signatureSize) {
    return Fail(file, "the " + std::to_string(image.size() - unsignedSize) +
                          " bytes after its last section are not its signature");
  }
  return gen::Done{};
}

gen::Result<std::string> AlignSectionToPage(std::string_view image, std::string_view sectionName,
                                            const std::string& file) {
  const gen::Result<ImageFacts> read = ReadStrippedImage(image, file);
  if (!read.HasValue()) return read.GetError();
  const ImageFacts& facts = read.Value();
  ImageFields fields(image);
  const std::uint32_t optional = facts.optionalHeaderOffset;
  const std::uint32_t optionalSize = facts.sectionTableOffset - optional;
  for (const std::uint32_t directory : {kCertificateDirectory, kDebugDirectory}) {
    if (optionalSize >= directory + 8 && fields.U32(optional + directory + 4) != 0) {
      return Fail(file, "the image names file offsets in a debug directory or a signature");
    }
  }
  if (facts.sectionAlignment % facts.fileAlignment != 0) {
    return Fail(file, "the section alignment is not a whole number of file units");
  }
  std::uint32_t start = 0;
  for (std::uint32_t i = 0; i < facts.sectionCount && start == 0; ++i) {
    const std::uint32_t header = facts.sectionTableOffset + i * kSectionHeaderSize;
    const std::string_view name = image.substr(header, 8);
    if (name.substr(0, name.find('\0')) == sectionName && fields.U32(header + kRawSize) != 0) {
      start = fields.U32(header + kRawPointer);
    }
  }
  if (fields.Failed()) return Fail(file, "the headers are cut short");
  if (start == 0) return Fail(file, "no section " + std::string(sectionName) + " with data in the file");

  const std::uint32_t padding = AlignUp(start, facts.sectionAlignment) - start;
  if (padding == 0) return std::string(image);
  std::string bytes(image);
  bytes.insert(start, padding, '\0');
  gen::ByteWriter out(std::move(bytes));
  for (std::uint32_t i = 0; i < facts.sectionCount; ++i) {
    const std::uint32_t header = facts.sectionTableOffset + i * kSectionHeaderSize;
    const std::uint32_t rawPointer = fields.U32(header + kRawPointer);
    if (fields.U32(header + kRawSize) != 0 && rawPointer >= start) {
      out.PatchU32(header + kRawPointer, rawPointer + padding);
    }
  }
  out.PatchU32(optional + kChecksum, ImageChecksum(out.View(), optional + kChecksum));
  return out.Take();
}

}  // namespace payloadgen
