#pragma once
// Control properties by number: the numbers every kind shares (0 to 7), which work whether or not
// the page is loaded, and the kinds' own numbers (8 and up), which need the control's window.
#include <cstdint>

namespace vl {

// The property numbers every kind shares.
inline constexpr int kPropLeft = 0, kPropTop = 1, kPropWidth = 2, kPropHeight = 3, kPropTag = 4,
                     kPropVisible = 5, kPropDisabled = 6, kPropCursor = 7, kFirstKindProperty = 8;

// The element index selects one field of a font property (0 escapement, 1 bold, 2 italic,
// 3 underline, 4 strike-out, 5 size, 6 face name); -1 is the whole property.
inline constexpr int kWholeProperty = -1;

// Writes property `number` of a unit. An unknown page id is fatal ("未载入欲访问窗口组件所在的窗口"),
// as is an unknown unit and a number of 8 or more on a unit whose window does not exist
// ("指定窗口尚未载入"). A number the kind does not have changes nothing.
void WriteProperty(std::uint32_t pageId, std::uint32_t unitId, int number, int element, std::uint32_t lo,
                   std::uint32_t hi) noexcept;

// Reads property `number` of a unit: the value, or for a text or byte set a new allocation owned
// by the caller (its pointer in the low word; null for an empty edit box). Fatal as WriteProperty.
std::uint64_t ReadProperty(std::uint32_t pageId, std::uint32_t unitId, int number, int element) noexcept;

// Positions and sizes are kept within these bounds.
inline constexpr std::int32_t kMaxCoordinate = 32627;

}  // namespace vl
