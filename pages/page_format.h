#pragma once
// The stored page-description format, shared by the generator that writes it and the runtime that
// reads it: ids, kinds, the field order of every kind's property block with its versions and
// defaults, state flags and the mouse-pointer table. Nothing here reads or writes bytes.
#include <cstdint>
#include <span>
#include <string_view>

namespace vl::pages {

// Ids: bits 24..27 the type, 28..31 the subtype, 0..23 the serial number.
inline constexpr std::uint32_t kIdTypePage = 2;
inline constexpr std::uint32_t kIdTypeUnit = 6;
inline constexpr std::uint32_t kIdTypeModule = 9;
inline constexpr std::uint32_t kUnitSubtypeWindow = 0;
inline constexpr std::uint32_t kUnitSubtypeControl = 1;
inline constexpr std::uint32_t kUnitSubtypeMenuEntry = 2;

constexpr std::uint32_t IdType(std::uint32_t id) { return (id >> 24) & 0xF; }
constexpr std::uint32_t IdSubtype(std::uint32_t id) { return id >> 28; }
constexpr std::uint32_t IdSerial(std::uint32_t id) { return id & 0x00FFFFFF; }
// Valid when both the serial number and the type are non-zero.
constexpr bool IsValidId(std::uint32_t id) { return IdSerial(id) != 0 && IdType(id) != 0; }

// Kinds: (library number << 16) | type number.
inline constexpr std::uint32_t kKindWindow = 0x00010001;
inline constexpr std::uint32_t kKindEditBox = 0x00010005;
inline constexpr std::uint32_t kKindPicBox = 0x00010006;
inline constexpr std::uint32_t kKindGroupBox = 0x00010009;
inline constexpr std::uint32_t kKindLabel = 0x0001000A;
inline constexpr std::uint32_t kKindButton = 0x0001000B;
inline constexpr std::uint32_t kKindTimer = 0x00010020;
inline constexpr std::uint32_t kKindTransLabel = 0x00020005;

// State flags of a unit record.
inline constexpr std::uint32_t kStateVisible = 0x1;
inline constexpr std::uint32_t kStateDisabled = 0x2;
inline constexpr std::uint32_t kStateFocusStop = 0x4;
inline constexpr std::uint32_t kStateControl = 0x10;  // set on controls, kept as stored

// The fixed sizes of a unit record.
inline constexpr std::size_t kUnitHeadReserved = 20;  // after the kind
inline constexpr std::size_t kUnitTailReserved = 20;  // after the event entries
inline constexpr std::uint32_t kNoHandler = 0xFFFFFFFF;

// Colours: 0xFF000000 stands for the system's default colour of the element.
inline constexpr std::uint32_t kDefaultColour = 0xFF000000;

inline constexpr std::size_t kFontBlockLength = 60;
inline constexpr std::size_t kFaceNameLength = 32;

enum class FieldType : std::uint8_t {
  Int,      // dword, signed
  Bool,     // dword, 0 or 1
  Colour,   // dword 0x00BBGGRR or kDefaultColour
  Word,     // 16 bits
  Text,     // counted text
  Bytes,    // byte block
  Picture,  // byte block holding a whole picture file
  Font,     // byte block: empty or a 60-byte font record
};

constexpr bool IsBlockType(FieldType type) {
  return type == FieldType::Text || type == FieldType::Bytes || type == FieldType::Picture ||
         type == FieldType::Font;
}

// One field of a property block after the leading version dword.
struct FieldDef {
  std::string_view name;      // as written in the readable page source
  FieldType type;
  std::uint32_t minVersion;   // blocks of a lower version lack the field
  std::uint32_t defaultValue; // number fields
  std::string_view defaultText;  // text fields: GBK bytes
};

struct KindInfo {
  std::uint32_t kind;
  std::string_view name;
  std::uint32_t highestVersion;
  int propertyCount;  // properties the runtime addresses by number (the page runtime's table)
  std::span<const FieldDef> fields;
};

// Field positions within each kind's block (version excluded), for typed reads.
enum class WindowField {
  Border, PictureMode, BackgroundColour, MaximiseButton, MinimiseButton, ControlBox, StartPosition,
  Movable, MusicPlayCount, EnterMovesFocus, EscCloses, F1OpensHelp, HelpContext, ShowInTaskbar,
  DragAnywhere, Shape, AlwaysOnTop, Flag, ClassName, BackgroundPicture, Icon, Music, Caption, HelpFile,
  Count
};
enum class EditBoxField {
  Border, TextColour, BackgroundColour, HideSelection, MaxLength, MultiLine, ScrollBars, Alignment,
  InputMode, PasswordChar, CaseConversion, UpDown, UpDownMin, UpDownMax, SelectionStart,
  SelectionLength, Font, Content, Binding1, Binding2, Count
};
enum class PicBoxField { Border, BackgroundColour, DisplayMode, Animate, Picture, Binding1, Binding2, Count };
enum class GroupBoxField { Alignment, TextColour, BackgroundColour, Font, Caption, Count };
enum class LabelField {
  Effect, BorderWidth, Border, BorderColour1, BorderColour2, BorderColour3, TextColour, BackgroundColour,
  PictureMode, GradientType, GradientColour1, GradientColour2, GradientColour3, HorizontalAlignment,
  VerticalAlignment, WordWrap, Font, Picture, Text, Binding1, Binding2, Count
};
enum class ButtonField { Default, HorizontalAlignment, VerticalAlignment, Picture, Font, Text, Count };
enum class TimerField { Period, Count };
enum class TransLabelField {
  Effect, TextColour, HorizontalAlignment, VerticalAlignment, WordWrap, Font, Text, Count
};

// Every kind this format knows, in kind order.
std::span<const KindInfo> Kinds() noexcept;
// Null for a kind this format does not know.
const KindInfo* FindKind(std::uint32_t kind) noexcept;
const KindInfo* FindKindByName(std::string_view name) noexcept;
// The field's position in the kind's block, or -1.
int FindField(const KindInfo& kind, std::string_view name) noexcept;

// The largest number of fields any kind has.
inline constexpr std::size_t kMaxFields = 24;

// Mouse pointers 1..14 and the system pointer ids they select (the values of the IDC_ names).
inline constexpr std::uint32_t kPointerHandNumber = 14;  // taken from the program's own cursor
std::span<const std::uint32_t> SystemPointerIds() noexcept;  // index 0 is number 1

}  // namespace vl::pages
