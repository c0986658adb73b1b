#include "property_block.h"

#include <algorithm>

#include "runtime/byte_reader.h"

namespace vl::pages {
namespace {

std::span<const std::uint8_t> AsBytes(std::string_view text) noexcept {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

Expected<FieldValue> ReadField(ByteReader& reader, FieldType type) noexcept {
  FieldValue value;
  if (IsBlockType(type)) {
    auto bytes = reader.ReadCounted();
    if (!bytes) return bytes.GetError();
    value.bytes = *bytes;
  } else if (type == FieldType::Word) {
    auto word = reader.ReadU16();
    if (!word) return word.GetError();
    value.number = *word;
  } else {
    auto dword = reader.ReadU32();
    if (!dword) return dword.GetError();
    value.number = *dword;
  }
  return value;
}

std::int32_t SignedAt(std::span<const std::uint8_t> bytes, std::size_t at) noexcept {
  const std::uint32_t word = static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
                             (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
                             (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
  return static_cast<std::int32_t>(word);
}

}  // namespace

PropertyValues::PropertyValues(const KindInfo& kind) noexcept : m_kind(&kind) {
  for (std::size_t i = 0; i < kind.fields.size(); ++i) {
    m_values[i].number = kind.fields[i].defaultValue;
    m_values[i].bytes = AsBytes(kind.fields[i].defaultText);
  }
}

Expected<PropertyValues> ReadPropertyBlock(std::uint32_t kind, std::span<const std::uint8_t> block) noexcept {
  const KindInfo* info = FindKind(kind);
  if (info == nullptr) return Error{"unknown kind", 0};
  PropertyValues values(*info);
  if (block.empty()) return values;
  ByteReader reader(block);
  auto version = reader.ReadU32();
  if (!version) return version.GetError();
  if (*version > info->highestVersion) return Error{"property block version above the kind's highest", 0};
  values.m_version = *version;
  for (std::size_t i = 0; i < info->fields.size(); ++i) {
    const FieldDef& field = info->fields[i];
    if (field.minVersion > *version) continue;
    auto value = ReadField(reader, field.type);
    if (!value) return value.GetError();
    values.m_values[i] = *value;
  }
  return values;
}

namespace {

ColourList PresentColours(const PropertyValues& label, LabelField first) noexcept {
  ColourList list;
  if (label.Kind().kind != kKindLabel) return list;
  for (int i = 0; i < 3; ++i) {
    const std::uint32_t colour = label.At(static_cast<int>(first) + i).number;
    if (colour != kDefaultColour) list.colours[static_cast<std::size_t>(list.count++)] = colour;
  }
  return list;
}

}  // namespace

ColourList LabelGradientColours(const PropertyValues& label) noexcept {
  return PresentColours(label, LabelField::GradientColour1);
}

ColourList LabelBorderColours(const PropertyValues& label) noexcept {
  return PresentColours(label, LabelField::BorderColour1);
}

FontDescription FontDescription::ForCreation() const noexcept {
  FontDescription font = *this;
  font.charSet = 1;
  font.outPrecision = 0;
  font.clipPrecision = 0;
  font.quality = 2;
  font.pitchAndFamily = 0;
  return font;
}

FontDescription DecodeFont(std::span<const std::uint8_t> block) noexcept {
  FontDescription font;
  if (block.size() != kFontBlockLength) return font;
  font.isDefault = false;
  font.height = SignedAt(block, 0);
  font.width = SignedAt(block, 4);
  font.escapement = SignedAt(block, 8);
  font.orientation = SignedAt(block, 12);
  font.weight = SignedAt(block, 16);
  font.italic = block[20];
  font.underline = block[21];
  font.strikeOut = block[22];
  font.charSet = block[23];
  font.outPrecision = block[24];
  font.clipPrecision = block[25];
  font.quality = block[26];
  font.pitchAndFamily = block[27];
  const auto face = block.subspan(28, kFaceNameLength);
  const auto end = std::find(face.begin(), face.begin() + (kFaceNameLength - 1), std::uint8_t{0});
  std::transform(face.begin(), end, font.faceName.begin(), [](std::uint8_t b) { return static_cast<char>(b); });
  return font;
}

MousePointer DecodeMousePointer(std::span<const std::uint8_t> block) noexcept {
  MousePointer pointer;
  if (block.empty()) return pointer;
  const std::int32_t number = block.size() >= 4 ? SignedAt(block, 0) : block[0];
  if (block.size() > 10 && number != -1) pointer.wholeBlock = block;
  if (number == -1) {
    pointer.source = PointerSource::CursorFile;
    pointer.file = block.subspan(4);
    return pointer;
  }
  const auto ids = SystemPointerIds();
  if (number == static_cast<std::int32_t>(kPointerHandNumber)) {
    pointer.source = PointerSource::ProgramHand;
    pointer.systemId = ids[kPointerHandNumber - 1];
  } else if (number >= 1 && number <= static_cast<std::int32_t>(ids.size())) {
    pointer.source = PointerSource::System;
    pointer.systemId = ids[static_cast<std::size_t>(number - 1)];
  } else if (std::find(ids.begin(), ids.end(), static_cast<std::uint32_t>(number)) != ids.end()) {
    pointer.source = PointerSource::System;
    pointer.systemId = static_cast<std::uint32_t>(number);
  }
  return pointer;
}

}  // namespace vl::pages
