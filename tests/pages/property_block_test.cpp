// Kind property blocks, font blocks and mouse-pointer blocks, built byte by byte.
#include "pages/property_block.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gbk_encoding.h"

namespace vl::pages {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

TEST(PropertyBlock, AVersionAboveTheKindsHighestIsUnreadableForEveryKind) {
  for (const KindInfo& kind : Kinds()) {
    Bytes block;
    Put32(block, kind.highestVersion + 1);
    for (int i = 0; i < 200; ++i) block.push_back(0);  // enough bytes for any field list
    EXPECT_FALSE(ReadPropertyBlock(kind.kind, block)) << kind.name;
    block.erase(block.begin(), block.begin() + 4);
    Bytes highest;
    Put32(highest, kind.highestVersion);
    highest.insert(highest.end(), block.begin(), block.end());
    EXPECT_TRUE(ReadPropertyBlock(kind.kind, highest)) << kind.name;
    Bytes wrapped;
    Put32(wrapped, 0xFFFFFFFF);
    EXPECT_FALSE(ReadPropertyBlock(kind.kind, wrapped)) << kind.name;
  }
  EXPECT_FALSE(ReadPropertyBlock(0x00010099, {}));
}

TEST(PropertyBlock, ABlockEndingInsideAFieldIsUnreadable) {
  Bytes timer;
  Put32(timer, 1);
  timer.push_back(0xFA);  // three bytes of the period missing
  EXPECT_FALSE(ReadPropertyBlock(kKindTimer, timer));
  Bytes button;
  Put32(button, 1);
  Put32(button, 1);
  Put32(button, 1);
  Put32(button, 1);
  Put32(button, 10);  // a picture of 10 bytes with 2 present
  button.push_back(1);
  button.push_back(2);
  EXPECT_FALSE(ReadPropertyBlock(kKindButton, button));
  Bytes versionOnly = {1, 0};
  EXPECT_FALSE(ReadPropertyBlock(kKindTimer, versionOnly));
}

TEST(PropertyBlock, NegativeCountsReadAsEmptyAndWordsAreTwoBytes) {
  Bytes edit;
  Put32(edit, 1);
  for (int i = 0; i < 9; ++i) Put32(edit, 0);  // border .. input mode
  edit.push_back('#');
  edit.push_back(0);
  for (int i = 0; i < 6; ++i) Put32(edit, 7);  // case conversion .. selection length
  Put32(edit, 0xFFFFFFFF);                     // font: n <= 0
  Put32(edit, 0x80000000);                     // content: n <= 0
  auto values = ReadPropertyBlock(kKindEditBox, edit);
  ASSERT_TRUE(values);
  EXPECT_EQ(values->Unsigned(EditBoxField::PasswordChar), static_cast<std::uint32_t>('#'));
  EXPECT_EQ(values->Int(EditBoxField::SelectionLength), 7);
  EXPECT_TRUE(values->Bytes(EditBoxField::Font).empty());
  EXPECT_TRUE(values->Bytes(EditBoxField::Content).empty());
  EXPECT_EQ(values->Int(EditBoxField::Border), 0);
}

TEST(PropertyBlock, DefaultTextsAreTheGbkFormsOfTheKindsNames) {
  auto encoder = constgen::GbkEncoder::Open();
  ASSERT_TRUE(encoder.HasValue());
  auto gbk = [&](const char* utf8) { return encoder.Value().Encode(utf8).Value(); };
  auto text = [](const PropertyValues& v, auto field) {
    auto b = v.Bytes(field);
    return std::string(b.begin(), b.end());
  };
  EXPECT_EQ(text(*ReadPropertyBlock(kKindLabel, {}), LabelField::Text), gbk("标签"));
  EXPECT_EQ(text(*ReadPropertyBlock(kKindButton, {}), ButtonField::Text), gbk("按钮"));
  EXPECT_EQ(text(*ReadPropertyBlock(kKindTransLabel, {}), TransLabelField::Text), gbk("透明标签"));
  EXPECT_EQ(FindField(*FindKind(kKindWindow), "caption"), static_cast<int>(WindowField::Caption));
  EXPECT_EQ(FindField(*FindKind(kKindLabel), "word-wrap"), static_cast<int>(LabelField::WordWrap));
  EXPECT_EQ(FindField(*FindKind(kKindEditBox), "binding-2"), static_cast<int>(EditBoxField::Binding2));
}

Bytes FontBlock(std::uint8_t charSet, const std::string& face, std::uint8_t fill) {
  Bytes block;
  Put32(block, static_cast<std::uint32_t>(-16));
  Put32(block, 0);
  Put32(block, 0);
  Put32(block, 0);
  Put32(block, 400);
  const std::uint8_t flags[8] = {1, 0, 1, charSet, 3, 2, 1, 49};
  block.insert(block.end(), flags, flags + 8);
  block.insert(block.end(), face.begin(), face.end());
  block.push_back(0);
  while (block.size() < 60) block.push_back(fill);
  return block;
}

TEST(FontBlock, BytesAfterTheFaceNamesTerminatorDoNotMatter) {
  const std::string heiti = "\xBA\xDA\xCC\xE5";  // 黑体
  const FontDescription padded = DecodeFont(FontBlock(134, heiti, 0));
  const FontDescription noisy = DecodeFont(FontBlock(134, heiti, 0xA5));
  EXPECT_FALSE(padded.isDefault);
  EXPECT_EQ(padded, noisy);
  EXPECT_EQ(padded.height, -16);
  EXPECT_EQ(padded.weight, 400);
  EXPECT_EQ(padded.charSet, 134);
  EXPECT_EQ(std::string(padded.faceName.data()), heiti);
  const FontDescription created = noisy.ForCreation();
  EXPECT_EQ(created.charSet, 1);
  EXPECT_EQ(created.outPrecision, 0);
  EXPECT_EQ(created.clipPrecision, 0);
  EXPECT_EQ(created.quality, 2);
  EXPECT_EQ(created.pitchAndFamily, 0);
  EXPECT_EQ(created.italic, 1);
  EXPECT_EQ(created.strikeOut, 1);
}

TEST(FontBlock, OtherLengthsAreTheDefaultFontAndAFaceWithoutTerminatorIsCut) {
  Bytes block = FontBlock(134, "Arial", 0);
  for (std::size_t length : {0u, 1u, 59u, 61u}) {
    Bytes other = block;
    other.resize(length, 0);
    EXPECT_TRUE(DecodeFont(other).isDefault) << length;
  }
  Bytes longFace = FontBlock(0, "", 'x');
  longFace[28] = 'x';
  const FontDescription font = DecodeFont(longFace);
  EXPECT_EQ(std::string(font.faceName.data()), std::string(31, 'x'));
  EXPECT_EQ(font.faceName[31], '\0');
}

TEST(MousePointer, NumbersSelectPointersAsTheTableSays) {
  auto block = [](std::initializer_list<std::uint8_t> b) { return Bytes(b); };
  struct Case {
    Bytes bytes;
    PointerSource source;
    std::uint32_t id;
  };
  const Case cases[] = {
      {{}, PointerSource::Default, 0},
      {block({0, 0, 0, 0}), PointerSource::Default, 0},
      {block({1, 0, 0, 0}), PointerSource::System, 32512},
      {block({3, 0, 0, 0}), PointerSource::System, 32513},
      {block({13, 0, 0, 0}), PointerSource::System, 32516},
      {block({14, 0, 0, 0}), PointerSource::ProgramHand, 32649},
      {block({15, 0, 0, 0}), PointerSource::Default, 0},
      {block({5}), PointerSource::System, 32651},                 // fewer than 4 bytes: the first byte
      {block({0x02, 0x7F, 0, 0}), PointerSource::System, 32514},  // IDC_WAIT given as its own id
      {block({0xFE, 0xFF, 0xFF, 0xFF}), PointerSource::Default, 0},
  };
  for (const Case& c : cases) {
    const MousePointer pointer = DecodeMousePointer(c.bytes);
    EXPECT_EQ(pointer.source, c.source) << c.bytes.size();
    EXPECT_EQ(pointer.systemId, c.id);
    EXPECT_TRUE(pointer.wholeBlock.empty());
  }
}

TEST(MousePointer, MinusOneCarriesACursorFileAndLongBlocksAreTriedWhole) {
  const Bytes withFile = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 2, 0, 1, 0, 9, 9, 9};
  const MousePointer file = DecodeMousePointer(withFile);
  EXPECT_EQ(file.source, PointerSource::CursorFile);
  EXPECT_EQ(file.file.size(), withFile.size() - 4);
  EXPECT_EQ(file.file.data(), withFile.data() + 4);
  EXPECT_TRUE(file.wholeBlock.empty());

  const Bytes eleven = {2, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7};
  const MousePointer whole = DecodeMousePointer(eleven);
  EXPECT_EQ(whole.wholeBlock.size(), 11u);
  EXPECT_EQ(whole.source, PointerSource::System);
  EXPECT_EQ(whole.systemId, 32515u);
  const Bytes ten(eleven.begin(), eleven.end() - 1);
  EXPECT_TRUE(DecodeMousePointer(ten).wholeBlock.empty());
}

}  // namespace
}  // namespace vl::pages
