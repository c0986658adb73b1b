// EditBox: a system EDIT window with the stored styles, border, colours, length limit, password
// character, letter case, an optional up-down control and an initial selection.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "../control.h"
#include "../event_dispatch.h"
#include "../page_window.h"
#include "runtime/dll_search.h"
#include "runtime/memory.h"
#include "runtime/runtime_object.h"
#include "runtime/text_boundary.h"
#include "runtime/text_value.h"
#include "runtime/window_text.h"
#include "runtime_texts.h"

namespace vl {
namespace {

using F = pages::EditBoxField;

constexpr std::int8_t kNoField = -1;

constexpr PropertyDef kEditBoxProperties[] = {
    {ptype::kText, static_cast<std::int8_t>(F::Content)},            // 8
    {ptype::kChoice, static_cast<std::int8_t>(F::Border)},           // 9
    {ptype::kColour, static_cast<std::int8_t>(F::TextColour)},       // 10
    {ptype::kBackColour, static_cast<std::int8_t>(F::BackgroundColour)},  // 11
    {ptype::kFont, static_cast<std::int8_t>(F::Font)},               // 12
    {ptype::kBool, static_cast<std::int8_t>(F::HideSelection)},      // 13
    {ptype::kInt, static_cast<std::int8_t>(F::MaxLength)},           // 14
    {ptype::kBool, static_cast<std::int8_t>(F::MultiLine)},          // 15
    {ptype::kChoice, static_cast<std::int8_t>(F::ScrollBars)},       // 16
    {ptype::kChoice, static_cast<std::int8_t>(F::Alignment)},        // 17
    {ptype::kChoice, static_cast<std::int8_t>(F::InputMode)},        // 18
    {ptype::kText, kNoField},                                        // 19 password character
    {ptype::kChoice, static_cast<std::int8_t>(F::CaseConversion)},   // 20
    {ptype::kChoice, static_cast<std::int8_t>(F::UpDown)},           // 21
    {ptype::kInt, static_cast<std::int8_t>(F::UpDownMin)},           // 22
    {ptype::kInt, static_cast<std::int8_t>(F::UpDownMax)},           // 23
    {ptype::kInt, kNoField},                                         // 24 selection start
    {ptype::kInt, kNoField},                                         // 25 selection length
    {ptype::kText, kNoField},                                        // 26 selected text
    {ptype::kText, static_cast<std::int8_t>(F::Binding1)},
    {ptype::kText, static_cast<std::int8_t>(F::Binding2)},
};

// The numbers without a stored field behind them: the box answers them from its window.
constexpr int kPropPasswordChar = 19, kPropSelectionStart = 24, kPropSelectionLength = 25, kPropSelectedText = 26;

// Extended style and style of a border value.
std::pair<DWORD, DWORD> BorderStyles(int border) noexcept {
  switch (border) {
    case 1: return {WS_EX_CLIENTEDGE, 0};
    case 2: return {WS_EX_DLGMODALFRAME, 0};
    case 3: return {WS_EX_STATICEDGE, 0};
    case 4: return {WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME, 0};
    case 5: return {0, WS_BORDER};
    default: return {0, 0};
  }
}

DWORD EditStyle(const Control& box) noexcept {
  DWORD style = box.ChildStyle();
  if (!box.Bool(F::HideSelection)) style |= ES_NOHIDESEL;
  if (box.Bool(F::MultiLine)) {
    style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    const int bars = box.Int(F::ScrollBars);
    if (bars == 1 || bars == 3) style |= ES_AUTOHSCROLL | WS_HSCROLL;
    if (bars == 2 || bars == 3) style |= WS_VSCROLL;
  } else {
    style |= ES_AUTOHSCROLL;
  }
  const int alignment = box.Int(F::Alignment);
  if (alignment == 1) style |= ES_CENTER;
  if (alignment == 2) style |= ES_RIGHT;
  const int mode = box.Int(F::InputMode);
  if (mode == 1) style |= ES_READONLY;
  if (mode == 2) style |= ES_PASSWORD;
  const int letterCase = box.Int(F::CaseConversion);
  if (letterCase == 1) style |= ES_LOWERCASE;
  if (letterCase == 2) style |= ES_UPPERCASE;
  return style | BorderStyles(box.Int(F::Border)).second;
}

void ApplyPasswordChar(Control& box) noexcept {
  const auto character = static_cast<WPARAM>(box.Int(F::InputMode) == 2 ? box.Number(F::PasswordChar) & 0xFF : 0);
  SendMessageW(box.Window(), EM_SETPASSWORDCHAR, character, 0);
}

void ApplyLimit(Control& box) noexcept {
  SendMessageW(box.Window(), EM_LIMITTEXT, static_cast<WPARAM>(std::max(box.Int(F::MaxLength), 0)), 0);
}

// Start -1: the end of the text with nothing selected; length -1: the whole text.
void Select(Control& box, std::int32_t start, std::int32_t length) noexcept {
  const int textLength = GetWindowTextLengthW(box.Window());
  if (length < 0) {
    SendMessageW(box.Window(), EM_SETSEL, 0, -1);
  } else if (start < 0) {
    SendMessageW(box.Window(), EM_SETSEL, static_cast<WPARAM>(textLength), textLength);
  } else {
    SendMessageW(box.Window(), EM_SETSEL, static_cast<WPARAM>(start), start + length);
  }
  SendMessageW(box.Window(), EM_SCROLLCARET, 0, 0);
}

std::pair<int, int> Selection(const Control& box) noexcept {
  DWORD start = 0, end = 0;
  SendMessageW(box.Window(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {static_cast<int>(start), static_cast<int>(end)};
}

// The up-down control lives in comctl32, which the program loads itself (it is not among the
// DLLs its import table may name).
bool UpDownClassReady() noexcept {
  static int ready = -1;
  if (ready >= 0) return ready == 1;
  ready = 0;
  UniqueModule comctl = LoadSystemLibrary(kCommonControlsDll);
  if (!comctl) return false;
  using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  auto init = reinterpret_cast<InitFunction>(
      reinterpret_cast<void*>(GetProcAddress(comctl.Get(), kInitCommonControlsExName)));
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_UPDOWN_CLASS};
  if (init != nullptr && init(&classes)) ready = 1;
  TheRuntime().KeepLibrary(std::move(comctl));
  return ready == 1;
}

void CreateUpDown(Control& box) noexcept {
  if (box.Bool(F::MultiLine) || box.Int(F::UpDown) == 0 || !UpDownClassReady()) return;
  DWORD style = WS_CHILD | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
  const DWORD boxStyle = static_cast<DWORD>(GetWindowLongW(box.Window(), GWL_STYLE));
  if ((boxStyle & WS_VISIBLE) != 0) style |= WS_VISIBLE;
  if ((boxStyle & WS_DISABLED) != 0) style |= WS_DISABLED;
  HWND upDown = CreateTextWindow(0, kUpDownClassName, kEmptyText, style, 0, 0, 0, 0, GetParent(box.Window()), nullptr,
                                 nullptr);
  if (upDown == nullptr) return;
  SendMessageW(upDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(box.Window()), 0);
  SendMessageW(upDown, UDM_SETRANGE32, static_cast<WPARAM>(box.Int(F::UpDownMin)), box.Int(F::UpDownMax));
  box.SetCompanion(upDown);
}

bool CreateEditBox(Control& box) noexcept {
  box.MakeBrush(ResolveColour(box.Number(F::BackgroundColour)));
  if (!box.CreateControlWindow(kEditClassName, EditStyle(box), BorderStyles(box.Int(F::Border)).first, true)) {
    return false;
  }
  ApplyLimit(box);
  ApplyPasswordChar(box);
  CreateUpDown(box);
  Select(box, box.Int(F::SelectionStart), box.Int(F::SelectionLength));
  return true;
}

void ChangeBorder(Control& box) noexcept {
  const auto [exStyle, style] = BorderStyles(box.Int(F::Border));
  constexpr DWORD kExBorders = WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE;
  HWND window = box.Window();
  SetWindowLongW(window, GWL_EXSTYLE, static_cast<LONG>((GetWindowLongW(window, GWL_EXSTYLE) & ~kExBorders) | exStyle));
  SetWindowLongW(window, GWL_STYLE, static_cast<LONG>((GetWindowLongW(window, GWL_STYLE) & ~WS_BORDER) | style));
  SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

// A property without a stored field was written.
void ChangedWithoutField(Control& box, KindRequest& data) noexcept {
  HWND window = box.Window();
  switch (data.number) {
    case kPropPasswordChar:
      box.SetNumber(static_cast<int>(F::PasswordChar), data.bytes.empty() ? 0 : data.bytes[0]);
      ApplyPasswordChar(box);
      InvalidateRect(window, nullptr, TRUE);
      break;
    case kPropSelectionStart:
      box.SetNumber(static_cast<int>(F::SelectionStart), data.lo);
      Select(box, static_cast<std::int32_t>(data.lo), 0);
      break;
    case kPropSelectionLength:
      box.SetNumber(static_cast<int>(F::SelectionLength), data.lo);
      Select(box, Selection(box).first, static_cast<std::int32_t>(data.lo));
      break;
    case kPropSelectedText: {
      const WideText text({reinterpret_cast<const char*>(data.bytes.data()), data.bytes.size()});
      if (text.Valid()) SendMessageW(window, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.Get()));
      break;
    }
    default:
      break;
  }
}

void Changed(Control& box, KindRequest& data) noexcept {
  const int field = PropertyField(box.Kind(), data.number);
  if (field < 0) return ChangedWithoutField(box, data);
  HWND window = box.Window();
  switch (static_cast<F>(field)) {
    case F::Content:
      SendMessageW(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), EN_CHANGE),
                   reinterpret_cast<LPARAM>(window));
      break;
    case F::Border: ChangeBorder(box); break;
    case F::MaxLength: ApplyLimit(box); break;
    case F::InputMode:
      SendMessageW(window, EM_SETREADONLY, box.Int(F::InputMode) == 1, 0);
      ApplyPasswordChar(box);
      InvalidateRect(window, nullptr, TRUE);
      break;
    case F::UpDownMin:
    case F::UpDownMax:
      if (HWND upDown = box.Companion()) {
        SendMessageW(upDown, UDM_SETRANGE32, static_cast<WPARAM>(box.Int(F::UpDownMin)), box.Int(F::UpDownMax));
      }
      break;
    case F::HideSelection:
    case F::MultiLine:
    case F::ScrollBars:
    case F::Alignment:
    case F::CaseConversion:
    case F::UpDown: {
      // Styles an EDIT window takes only at creation: build it again with what it shows now.
      std::size_t length = 0;
      const OwnedText shown(WindowBytes(window, &length));
      box.SetBytes(static_cast<int>(F::Content),
                   {reinterpret_cast<const std::uint8_t*>(shown.Get()), shown ? length : 0});
      const auto [start, end] = Selection(box);
      box.SetNumber(static_cast<int>(F::SelectionStart), static_cast<std::uint32_t>(start));
      box.SetNumber(static_cast<int>(F::SelectionLength), static_cast<std::uint32_t>(end - start));
      data.recreate = true;
      break;
    }
    default:
      break;
  }
}

bool Read(Control& box, KindRequest& data) noexcept {
  HWND window = box.Window();
  if (PropertyField(box.Kind(), data.number) == static_cast<int>(F::Content)) {
    // An empty box reads as null, which every text operation takes as the empty text.
    std::size_t length = 0;
    char* text = WindowBytes(window, &length);
    if (length == 0) {
      FreeMemory(text);
      text = nullptr;
    }
    data.lo = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(text));
    return true;
  }
  switch (data.number) {
    case kPropPasswordChar: {
      const char character[2] = {static_cast<char>(box.Number(F::PasswordChar) & 0xFF), '\0'};
      data.lo = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(CopyText(character).Release()));
      return true;
    }
    case kPropSelectionStart: data.lo = static_cast<std::uint32_t>(Selection(box).first); return true;
    case kPropSelectionLength: {
      const auto [start, end] = Selection(box);
      data.lo = static_cast<std::uint32_t>(end - start);
      return true;
    }
    case kPropSelectedText: {
      const auto [start, end] = Selection(box);
      data.lo = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(WindowBytes(window, nullptr, start, end)));
      return true;
    }
    default:
      return false;
  }
}

bool EditBoxInterface(int request, Control& box, KindRequest& data) noexcept {
  switch (request) {
    case kRequestCreate: return CreateEditBox(box);
    case kRequestChanged: Changed(box, data); return true;
    case kRequestRead: return Read(box, data);
    default: return false;
  }
}

bool EditBoxMessage(Control& box, UINT message, WPARAM wParam, LPARAM, LRESULT& result) noexcept {
  switch (message) {
    case kReflected + WM_CTLCOLOREDIT:
    case kReflected + WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, ResolveColour(box.Number(F::TextColour)));
      SetBkColor(dc, ResolveColour(box.Number(F::BackgroundColour)));
      result = reinterpret_cast<LRESULT>(box.Brush());
      return true;
    }
    case kReflected + WM_COMMAND:
      if (HIWORD(wParam) == EN_CHANGE) FireEvent(box.Page().PageId(), box.Id(), kEventContentChanged);
      result = 0;
      return true;
    default:
      return false;
  }
}

}  // namespace

const KindDescriptor kEditBoxKind = {pages::kKindEditBox, kEditBoxProperties, &EditBoxInterface, &EditBoxMessage,
                                     static_cast<std::int8_t>(F::Content)};

}  // namespace vl
