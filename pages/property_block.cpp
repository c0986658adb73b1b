#include "property_block.h"

#include <algorithm>

#include "base/byte_reader.h"

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

ColourList PresentColours(std::uint32_t first, std::uint32_t second, std::uint32_t third) noexcept {
  ColourList list;
  for (const std::uint32_t colour : {first, second, third}) {
    if (colour != kDefaultColour) list.colours[static_cast<std::size_t>(list.count++)] = colour & 0x00FFFFFF;
  }
  return list;
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
  namespace at = font_record;
  FontDescription font;
  if (block.size() != at::kLength) return font;
  font.isDefault = false;
  font.height = static_cast<std::int32_t>(LoadU32(&block[at::kHeight]));
  font.width = static_cast<std::int32_t>(LoadU32(&block[at::kWidth]));
  font.escapement = static_cast<std::int32_t>(LoadU32(&block[at::kEscapement]));
  font.orientation = static_cast<std::int32_t>(LoadU32(&block[at::kOrientation]));
  font.weight = static_cast<std::int32_t>(LoadU32(&block[at::kWeight]));
  font.italic = block[at::kItalic];
  font.underline = block[at::kUnderline];
  font.strikeOut = block[at::kStrikeOut];
  font.charSet = block[at::kCharSet];
  font.outPrecision = block[at::kOutPrecision];
  font.clipPrecision = block[at::kClipPrecision];
  font.quality = block[at::kQuality];
  font.pitchAndFamily = block[at::kPitchAndFamily];
  const auto face = block.subspan(at::kFaceName, at::kFaceNameLength);
  const auto end = std::find(face.begin(), face.begin() + (at::kFaceNameLength - 1), std::uint8_t{0});
  std::transform(face.begin(), end, font.faceName.begin(), [](std::uint8_t b) { return static_cast<char>(b); });
  return font;
}

std::array<std::uint8_t, font_record::kLength> EncodeFont(const FontDescription& font) noexcept {
  namespace at = font_record;
  std::array<std::uint8_t, at::kLength> record{};
  auto put = [&](std::size_t offset, std::int32_t value) {
    const auto word = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i) record[offset + i] = static_cast<std::uint8_t>(word >> (8 * i));
  };
  put(at::kHeight, font.height);
  put(at::kWidth, font.width);
  put(at::kEscapement, font.escapement);
  put(at::kOrientation, font.orientation);
  put(at::kWeight, font.weight);
  record[at::kItalic] = font.italic;
  record[at::kUnderline] = font.underline;
  record[at::kStrikeOut] = font.strikeOut;
  record[at::kCharSet] = font.charSet;
  record[at::kOutPrecision] = font.outPrecision;
  record[at::kClipPrecision] = font.clipPrecision;
  record[at::kQuality] = font.quality;
  record[at::kPitchAndFamily] = font.pitchAndFamily;
  // The last byte of the face name stays 0: a stored name is always terminated.
  const auto end = std::find(font.faceName.begin(), font.faceName.end() - 1, '\0');
  std::transform(font.faceName.begin(), end, record.begin() + at::kFaceName,
                 [](char c) { return static_cast<std::uint8_t>(c); });
  return record;
}

MousePointer DecodeMousePointer(std::span<const std::uint8_t> block) noexcept {
  MousePointer pointer;
  if (block.empty()) return pointer;
  const std::int32_t number = block.size() >= 4 ? static_cast<std::int32_t>(LoadU32(block.data())) : block[0];
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
