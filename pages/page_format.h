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

// The stored records, every field named once here and used by the generator, the reader and the
// runtime. All words are little-endian dwords.
//
// The segment starts with the page index: a dword holding kPageIndexEntryLength times the page
// count, the page ids, then one page slot per page (0 as stored; the runtime keeps its own list).
// A page record follows for each page, in index order: a reserved dword, the module id, two
// counted texts, the unit count, the unit block's length and the unit block: every unit's id,
// every record's offset (counted from the end of this unit table), then
// the records, each a length dword and its bytes, one after another without gaps.
inline constexpr std::size_t kPageIndexEntryLength = 8;  // a page id and a page slot
inline constexpr std::size_t kUnitTableEntryLength = 8;  // a unit id and a record offset

// A unit record (after its length dword), in stored order: the kind, kUnitHeadReserved zero bytes,
// the name and the remark (zero-terminated), the fixed fields (unit_fixed), the child ids, the
// mouse-pointer block (counted), the tag (zero-terminated), the dispatch fields (unit_dispatch),
// the event entries, kUnitTailReserved zero bytes, and the kind's property block to the end.
inline constexpr std::size_t kUnitKindLength = 4;
inline constexpr std::size_t kUnitHeadReserved = 20;
inline constexpr std::size_t kUnitTailReserved = 20;

// The fixed fields after the remark, as offsets from the first.
namespace unit_fixed {
inline constexpr std::size_t kWindowSlot = 0;   // 0 as stored; the runtime keeps its page window there
inline constexpr std::size_t kLeft = 4;
inline constexpr std::size_t kTop = 8;
inline constexpr std::size_t kWidth = 12;
inline constexpr std::size_t kHeight = 16;
inline constexpr std::size_t kPointerSlot = 20;  // 0 as stored; the runtime keeps the control's cursor there
inline constexpr std::size_t kContainer = 24;    // 0: the page itself; otherwise a unit of the same page
inline constexpr std::size_t kChildCount = 28;   // the child ids follow
inline constexpr std::size_t kLength = 32;
}  // namespace unit_fixed

// The fields after the tag, as offsets from the first; the event entries follow.
namespace unit_dispatch {
// 0: the unit has its own event table; otherwise the unit whose table it shares.
inline constexpr std::size_t kEventLink = 0;
inline constexpr std::size_t kState = 4;
inline constexpr std::size_t kTabOrder = 8;
inline constexpr std::size_t kEventCount = 12;
inline constexpr std::size_t kLength = 16;
}  // namespace unit_dispatch

// A menu entry record (a unit id of subtype 2) is shorter: its caption (zero-terminated), these
// fields, the event entries; no geometry, no children, no property block.
namespace menu_entry {
inline constexpr std::size_t kState = 0;
inline constexpr std::size_t kShortcut = 4;
inline constexpr std::size_t kEventCount = 8;
inline constexpr std::size_t kLength = 12;
}  // namespace menu_entry

namespace event_entry {
inline constexpr std::size_t kNumber = 0;
inline constexpr std::size_t kHandler = 4;  // a routine entry offset, or kNoHandler
inline constexpr std::size_t kLength = 8;
}  // namespace event_entry

inline constexpr std::uint32_t kNoHandler = 0xFFFFFFFF;
// A stored handler offset names a routine entry: a multiple of this below the entries' size.
inline constexpr std::uint32_t kRoutineEntryLength = 8;

// A font property holds nothing (the default font) or this record.
namespace font_record {
inline constexpr std::size_t kHeight = 0;
inline constexpr std::size_t kWidth = 4;
inline constexpr std::size_t kEscapement = 8;
inline constexpr std::size_t kOrientation = 12;
inline constexpr std::size_t kWeight = 16;
inline constexpr std::size_t kItalic = 20;  // bytes from here to the face name
inline constexpr std::size_t kUnderline = 21;
inline constexpr std::size_t kStrikeOut = 22;
inline constexpr std::size_t kCharSet = 23;
inline constexpr std::size_t kOutPrecision = 24;
inline constexpr std::size_t kClipPrecision = 25;
inline constexpr std::size_t kQuality = 26;
inline constexpr std::size_t kPitchAndFamily = 27;
inline constexpr std::size_t kFaceName = 28;  // zero-terminated, zeros after the terminator
inline constexpr std::size_t kFaceNameLength = 32;
inline constexpr std::size_t kLength = 60;
}  // namespace font_record

// Colours: 0xFF000000 stands for the system's default colour of the element.
inline constexpr std::uint32_t kDefaultColour = 0xFF000000;

// Pictures of more pixels than this are refused rather than decoded.
inline constexpr std::uint64_t kMaxPicturePixels = 16u * 1024u * 1024u;

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
