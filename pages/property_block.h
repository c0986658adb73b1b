#pragma once
// Reading a kind's property block, a font block and a mouse-pointer block. The values read are
// views into the block: they live as long as the block's bytes.
#include <array>
#include <cstdint>
#include <span>

#include "page_format.h"
#include "base/expected.h"

namespace vl::pages {

// One field's value: a number, or the bytes of a text or byte block.
struct FieldValue {
  std::uint32_t number = 0;
  std::span<const std::uint8_t> bytes;
};

// A kind's properties as read from its block, every field first set to its default.
class PropertyValues {
 public:
  explicit PropertyValues(const KindInfo& kind) noexcept;

  const KindInfo& Kind() const noexcept { return *m_kind; }
  // The block's version; 0 for an empty block.
  std::uint32_t Version() const noexcept { return m_version; }

  template <class Field>
  std::int32_t Int(Field field) const noexcept { return static_cast<std::int32_t>(At(field).number); }
  template <class Field>
  std::uint32_t Unsigned(Field field) const noexcept { return At(field).number; }
  template <class Field>
  bool Bool(Field field) const noexcept { return At(field).number != 0; }
  template <class Field>
  std::span<const std::uint8_t> Bytes(Field field) const noexcept { return At(field).bytes; }

  const FieldValue& At(int field) const noexcept { return m_values[static_cast<std::size_t>(field)]; }
  template <class Field>
  const FieldValue& At(Field field) const noexcept { return At(static_cast<int>(field)); }
  // A field's value replaced (bytes the caller keeps alive as long as these values).
  void Set(int field, FieldValue value) noexcept { m_values[static_cast<std::size_t>(field)] = value; }

 private:
  friend Expected<PropertyValues> ReadPropertyBlock(std::uint32_t, std::span<const std::uint8_t>) noexcept;

  const KindInfo* m_kind;
  std::uint32_t m_version = 0;
  std::array<FieldValue, kMaxFields> m_values{};
};

// Fails for a kind this format does not know, a version above the kind's highest and a block
// that ends inside a field; an empty block gives the defaults. Bytes after the last field are
// ignored.
Expected<PropertyValues> ReadPropertyBlock(std::uint32_t kind, std::span<const std::uint8_t> block) noexcept;

// A label's three gradient or border colours with the "no colour" entries (kDefaultColour) left
// out, in their order; the high byte of the others carries no colour and is cleared.
struct ColourList {
  std::array<std::uint32_t, 3> colours{};
  int count = 0;
  std::span<const std::uint32_t> View() const noexcept { return {colours.data(), static_cast<std::size_t>(count)}; }
};
ColourList PresentColours(std::uint32_t first, std::uint32_t second, std::uint32_t third) noexcept;

// A font record (font_record) as its fields; isDefault when the block was not a whole record.
struct FontDescription {
  bool isDefault = true;
  std::int32_t height = 0;
  std::int32_t width = 0;
  std::int32_t escapement = 0;
  std::int32_t orientation = 0;
  std::int32_t weight = 0;
  std::uint8_t italic = 0;
  std::uint8_t underline = 0;
  std::uint8_t strikeOut = 0;
  std::uint8_t charSet = 0;
  std::uint8_t outPrecision = 0;
  std::uint8_t clipPrecision = 0;
  std::uint8_t quality = 0;
  std::uint8_t pitchAndFamily = 0;
  // Zero-terminated, zeros after the terminator.
  std::array<char, font_record::kFaceNameLength> faceName{};

  bool operator==(const FontDescription&) const = default;

  // The record the runtime builds the font from: character set 1, precisions 0, quality 2
  // (proof), pitch and family 0.
  FontDescription ForCreation() const noexcept;
};

// Never fails: a block of any length but font_record::kLength is the default font. Bytes after
// the face name's terminator are dropped; a face name without one is cut to 31 bytes.
FontDescription DecodeFont(std::span<const std::uint8_t> block) noexcept;
// The stored record of a font (isDefault is not stored: the default font is an empty block).
std::array<std::uint8_t, font_record::kLength> EncodeFont(const FontDescription& font) noexcept;

enum class PointerSource {
  Default,     // the default pointer
  System,      // a system pointer, systemId
  ProgramHand, // number 14: the hand pointer from the program's own cursor resource
  CursorFile,  // the cursor file in `file`
};

struct MousePointer {
  PointerSource source = PointerSource::Default;
  std::uint32_t systemId = 0;
  std::span<const std::uint8_t> file;
  // Not empty: try these bytes as a whole cursor file first, and use `source` only if that fails.
  std::span<const std::uint8_t> wholeBlock;
};

// Never fails: anything that is not a known pointer is the default pointer.
MousePointer DecodeMousePointer(std::span<const std::uint8_t> block) noexcept;

}  // namespace vl::pages
