#pragma once
// Control kinds: each is a property table (a type code per property number, and for numbers 8 and
// up the field of the kind's stored block that holds the value) and an interface function that
// answers numbered requests. Page windows are a kind as well.
#include <windows.h>

#include <cstdint>
#include <span>

#include "properties.h"

namespace vl {

class Control;

// Property type codes, as the value conversion of WriteProperty treats them.
// The two codes of 8-byte values (both value words) are treated alike.
namespace ptype {
enum Code : std::uint16_t {
  kInt = 1001,
  kEightByteValue = 1002,
  kBool = 1003,
  kOtherEightByteValue = 1004,
  kText = 1005,
  kChoice = 1006,
  kPicture = 1009,
  kIcon = 1010,
  kCursor = 1011,
  kSound = 1012,
  kFont = 1013,
  kColour = 1014,
  kBackColour = 1017,
};
}  // namespace ptype

bool IsByteSetType(std::uint16_t type) noexcept;
bool IsTextType(std::uint16_t type) noexcept;

// Interface numbers.
inline constexpr int kRequestCreate = 1;   // create the control window; false: it could not be made
inline constexpr int kRequestChanged = 4;  // property `number` was written (value converted)
inline constexpr int kRequestRead = 6;     // read property `number`; false: the runtime reads the field

struct KindRequest {
  int number = 0;
  // Changed: the converted value (numbers in lo/hi; texts and byte sets in bytes).
  // Read: the result (lo/hi; a text or byte set is a new allocation whose pointer is in lo).
  std::uint32_t lo = 0;
  std::uint32_t hi = 0;
  std::span<const std::uint8_t> bytes;
  // Set by a changed operation when the control window must be re-created.
  bool recreate = false;
};

using KindInterface = bool (*)(int request, Control& control, KindRequest& data) noexcept;
// Messages of the control window (and notifications its parent reflects to it). True when the
// message was answered, with the answer in `result`.
using KindMessageHandler = bool (*)(Control& control, UINT message, WPARAM wParam, LPARAM lParam,
                                    LRESULT& result) noexcept;

// Notifications a parent window received from a control are handed to the control's kind as
// kReflected + the message (never posted; only the kinds' message handlers see these codes).
inline constexpr UINT kReflected = 0x2000;

// Field -1: the kind handles the property itself (no stored field behind it).
struct PropertyDef {
  std::uint16_t type;
  std::int8_t field;
};

struct KindDescriptor {
  std::uint32_t kind;
  std::span<const PropertyDef> properties;  // numbers 8 and up, in order; the kind has no others
  KindInterface interface;
  KindMessageHandler message;  // null: no messages of its own
  std::int8_t textField = -1;  // the field shown as the window's text; -1: none
};

// The kind's descriptor, found through the data types of the program's libraries; null for a
// kind no control can be built of.
const KindDescriptor* FindKindDescriptor(std::uint32_t kind) noexcept;
// How many property numbers the kind has: the shared ones and its table's.
int PropertyCount(const KindDescriptor& kind) noexcept;
// The type code of a property number of the kind; 0 when the kind has no such number.
std::uint16_t PropertyType(const KindDescriptor& kind, int number) noexcept;
// The stored field behind a property number; -1 when there is none.
int PropertyField(const KindDescriptor& kind, int number) noexcept;
// The stored field of the kind's first property of a type (its font, its picture); -1 when the
// kind has none.
int FieldOfType(const KindDescriptor& kind, std::uint16_t type) noexcept;

// The kinds, defined beside their painting and messages in kinds/, and named by the libraries'
// data-type tables.
extern const KindDescriptor kWindowKind;
extern const KindDescriptor kEditBoxKind;
extern const KindDescriptor kPicBoxKind;
extern const KindDescriptor kGroupBoxKind;
extern const KindDescriptor kLabelKind;
extern const KindDescriptor kButtonKind;
extern const KindDescriptor kTimerKind;
extern const KindDescriptor kTransLabelKind;

}  // namespace vl
