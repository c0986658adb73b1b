#include "pe_padding.h"

#include <gtest/gtest.h>

#include "base/byte_reader.h"
#include "common/byte_writer.h"
#include "run_reader.h"

namespace payloadgen {
namespace {

// A word of an image the test made, at an offset it knows to be inside.
std::uint32_t Word(const std::string& image, std::size_t offset) { return vl::LoadU32(image.data() + offset); }

struct ImageShape {
  std::uint16_t machine = 0x014C;
  std::uint16_t subsystem = 2;
  std::uint32_t peOffset = 0x80;
};

// A minimal linked image: headers in 0x400 bytes, one .text section of 0x200 bytes at RVA 0x1000.
std::string MakeImage(const ImageShape& shape = {}) {
  gen::ByteWriter out;
  out.Bytes("MZ");
  out.Zeros(58);
  out.U32(shape.peOffset);
  out.Zeros(shape.peOffset - 64);
  out.Bytes(std::string_view("PE\0\0", 4));
  out.U16(shape.machine);
  out.U16(1);       // sections
  out.Zeros(12);    // time stamp, symbols
  out.U16(224);     // optional header size
  out.U16(0x0102);  // executable, 32-bit
  const std::size_t optional = out.Size();
  out.U16(0x010B);
  out.Zeros(2);      // linker version
  out.U32(0x200);    // code
  out.U32(0);        // initialised data
  out.U32(0);        // uninitialised data
  out.U32(0x1000);   // entry
  out.U32(0x1000);   // base of code
  out.U32(0);        // base of data
  out.U32(0x400000);
  out.U32(0x1000);  // section alignment
  out.U32(0x200);   // file alignment
  out.Zeros(16);
  out.U32(0x2000);  // size of image
  out.U32(0x400);   // size of headers
  out.U32(0);       // checksum
  out.U16(shape.subsystem);
  out.Zeros(optional + 92 - out.Size());
  out.U32(16);  // data directories
  out.Zeros(optional + 224 - out.Size());
  out.Bytes(std::string_view(".text\0\0\0", 8));
  out.U32(0x10);
  out.U32(0x1000);
  out.U32(0x200);
  out.U32(0x400);
  out.Zeros(12);
  out.U32(0x60000020);
  out.Zeros(0x400 - out.Size());
  out.Bytes(std::string(0x200, '\xC3'));
  return out.Take();
}

TEST(PePaddingTest, PaddedImageEndsAtItsNewLastSectionAndKeepsEverythingElse) {
  const std::string image = MakeImage();
  const gen::Result<std::string> padded = PadImage(image, 0x600 + 0x2800, ".pad", "t");
  ASSERT_TRUE(padded.HasValue()) << padded.GetError().Describe();
  const std::string& out = padded.Value();
  ASSERT_EQ(out.size(), 0x2E00u);
  const payloadtest::PeFacts facts = payloadtest::ReadPe(out, 0);
  ASSERT_TRUE(facts.valid);
  EXPECT_EQ(facts.endOfSections, out.size());
  EXPECT_EQ(facts.sizeOfImage, facts.endOfVirtualImage);
  EXPECT_EQ(facts.sizeOfImage, 0x5000u);
  // The new section follows the old one in memory and in the file.
  const std::size_t header = 0x80 + 24 + 224 + 40;
  EXPECT_EQ(out.substr(header, 8), std::string_view(".pad\0\0\0\0", 8));
  EXPECT_EQ(Word(out, header + 12), 0x2000u);
  EXPECT_EQ(Word(out, header + 20), 0x600u);
  EXPECT_EQ(Word(out, 0x80 + 6) & 0xFFFF, 2u);
  EXPECT_EQ(Word(out, 0x80 + 24 + 8), 0x2800u);  // initialised data
  // The original code is untouched and the checksum is the image helper's.
  EXPECT_EQ(out.substr(0x400, 0x200), image.substr(0x400, 0x200));
  EXPECT_EQ(Word(out, 0x80 + 24 + 64), ImageChecksum(out, 0x80 + 24 + 64));
  EXPECT_NE(Word(out, 0x80 + 24 + 64), 0u);
}

TEST(PePaddingTest, RefusesImagesAndSizesItCannotPadFaithfully) {
  const std::string image = MakeImage();
  ImageShape console;
  console.subsystem = 3;
  ImageShape amd64;
  amd64.machine = 0x8664;
  // The section table then ends exactly where the headers end: no room for one more entry.
  ImageShape crowded;
  crowded.peOffset = 0x400 - 24 - 224 - 40;
  const struct {
    std::string image;
    std::uint32_t size;
    const char* message;
  } cases[] = {
      {image + "x", 0x1000, "after its last section"},
      {image, 0x600, "no fewer than"},
      {image, 0x500, "no fewer than"},
      {image, 0x601, "file units"},
      {MakeImage(console), 0x1000, "GUI subsystem"},
      {MakeImage(amd64), 0x1000, "i386"},
      {MakeImage(crowded), 0x1000, "no room"},
      {image.substr(0, 0x100), 0x1000, "cut short"},
      {"MZ" + std::string(100, '\0'), 0x1000, "no PE header"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const gen::Result<std::string> padded = PadImage(c.image, c.size, ".pad", "t");
    ASSERT_FALSE(padded.HasValue());
    EXPECT_NE(padded.GetError().message.find(c.message), std::string::npos) << padded.GetError().message;
  }
}

TEST(PePaddingTest, AlignedSectionLiesOnAPageOfTheFileAndLaterSectionsMoveWithIt) {
  // Two sections: .text at 0x400 (0x200 bytes), then .pad at 0x600.
  const gen::Result<std::string> two = PadImage(MakeImage(), 0x600 + 0x2800, ".pad", "t");
  ASSERT_TRUE(two.HasValue()) << two.GetError().Describe();
  const std::string& image = two.Value();
  const gen::Result<std::string> aligned = AlignSectionToPage(image, ".text", "t");
  ASSERT_TRUE(aligned.HasValue()) << aligned.GetError().Describe();
  const std::string& out = aligned.Value();
  ASSERT_EQ(out.size(), image.size() + 0xC00);
  const std::size_t table = 0x80 + 24 + 224;
  EXPECT_EQ(Word(out, table + 20), 0x1000u);
  EXPECT_EQ(Word(out, table + 40 + 20), 0x1200u);
  EXPECT_EQ(out.substr(0x400, 0xC00), std::string(0xC00, '\0'));
  EXPECT_EQ(out.substr(0x1000), image.substr(0x400));
  EXPECT_EQ(payloadtest::ReadPe(out, 0).endOfSections, out.size());
  EXPECT_EQ(Word(out, 0x80 + 24 + 64), ImageChecksum(out, 0x80 + 24 + 64));
  // Aligned already: nothing changes.
  const gen::Result<std::string> again = AlignSectionToPage(out, ".text", "t");
  ASSERT_TRUE(again.HasValue());
  EXPECT_EQ(again.Value(), out);
  // What it cannot move faithfully, or cannot find.
  EXPECT_FALSE(AlignSectionToPage(image + "x", ".text", "t").HasValue());
  EXPECT_FALSE(AlignSectionToPage(image, ".rdata", "t").HasValue());
}

TEST(PePaddingTest, ASignedImageIsItsUnsignedBytesAndOneSignatureThatNamesTheRest) {
  const std::string image = MakeImage();
  const std::size_t certificateDirectory = 0x80 + 24 + 128;
  const auto signedWith = [&](std::uint32_t offset, std::uint32_t size, std::size_t appended) {
    gen::ByteWriter out{std::string(image)};
    out.PatchU32(certificateDirectory, offset);
    out.PatchU32(certificateDirectory + 4, size);
    out.Zeros(appended);
    return out.Take();
  };
  EXPECT_TRUE(CheckSignedImage(signedWith(0x600, 0x5A8, 0x5A8), 0x600, "t").HasValue());
  // Bytes no signature names, a signature elsewhere or shorter than the rest, sections that end
  // before the catalogue's size.
  EXPECT_FALSE(CheckSignedImage(image + std::string(0x200, 'x'), 0x600, "t").HasValue());
  EXPECT_FALSE(CheckSignedImage(signedWith(0x608, 0x5A0, 0x5A8), 0x600, "t").HasValue());
  EXPECT_FALSE(CheckSignedImage(signedWith(0x600, 0x500, 0x5A8), 0x600, "t").HasValue());
  EXPECT_FALSE(CheckSignedImage(signedWith(0x600, 0x5A8, 0x5A8), 0x400, "t").HasValue());
}

}  // namespace
}  // namespace payloadgen
