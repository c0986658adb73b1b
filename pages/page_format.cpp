#include "page_format.h"

#include <array>

namespace vl::pages {
namespace {

using enum FieldType;

// Default texts, GBK bytes.
constexpr std::string_view kLabelText = "\xB1\xEA\xC7\xA9";                      // 标签
constexpr std::string_view kButtonText = "\xB0\xB4\xC5\xA5";                     // 按钮
constexpr std::string_view kTransLabelText = "\xCD\xB8\xC3\xF7\xB1\xEA\xC7\xA9"; // 透明标签

constexpr FieldDef kWindowFields[] = {
    {"border", Int, 0, 2, {}},
    {"picture-mode", Int, 0, 1, {}},
    {"background-colour", Colour, 0, kDefaultColour, {}},
    {"maximise-button", Bool, 0, 0, {}},
    {"minimise-button", Bool, 0, 0, {}},
    {"control-box", Bool, 0, 1, {}},
    {"start-position", Int, 0, 1, {}},
    {"movable", Bool, 0, 1, {}},
    {"music-play-count", Int, 0, 0, {}},
    {"enter-moves-focus", Bool, 0, 0, {}},
    {"esc-closes", Bool, 0, 1, {}},
    {"f1-opens-help", Bool, 0, 0, {}},
    {"help-context", Int, 0, 0, {}},
    {"show-in-taskbar", Bool, 2, 1, {}},
    {"drag-anywhere", Bool, 3, 0, {}},
    {"shape", Int, 3, 0, {}},
    {"always-on-top", Bool, 4, 0, {}},
    {"flag", Bool, 5, 0, {}},
    {"class-name", Text, 6, 0, {}},
    {"background-picture", Picture, 0, 0, {}},
    {"icon", Picture, 0, 0, {}},
    {"music", Bytes, 0, 0, {}},
    {"caption", Text, 0, 0, {}},
    {"help-file", Text, 0, 0, {}},
};

constexpr FieldDef kEditBoxFields[] = {
    {"border", Int, 0, 1, {}},
    {"text-colour", Colour, 0, 0, {}},
    {"background-colour", Colour, 0, 0x00FFFFFF, {}},
    {"hide-selection", Bool, 0, 1, {}},
    {"max-length", Int, 0, 0, {}},
    {"multi-line", Bool, 0, 0, {}},
    {"scroll-bars", Int, 0, 0, {}},
    {"alignment", Int, 0, 0, {}},
    {"input-mode", Int, 0, 0, {}},
    {"password-char", Word, 0, '*', {}},
    {"case-conversion", Int, 0, 0, {}},
    {"up-down", Int, 0, 0, {}},
    {"up-down-min", Int, 0, 0, {}},
    {"up-down-max", Int, 0, 100, {}},
    {"selection-start", Int, 0, 0, {}},
    {"selection-length", Int, 0, 0, {}},
    {"font", Font, 0, 0, {}},
    {"content", Text, 0, 0, {}},
    {"binding-1", Text, 2, 0, {}},
    {"binding-2", Text, 2, 0, {}},
};

constexpr FieldDef kPicBoxFields[] = {
    {"border", Int, 0, 0, {}},
    {"background-colour", Colour, 0, kDefaultColour, {}},
    {"display-mode", Int, 0, 0, {}},
    {"animate", Bool, 0, 1, {}},
    {"picture", Picture, 0, 0, {}},
    {"binding-1", Text, 2, 0, {}},
    {"binding-2", Text, 2, 0, {}},
};

constexpr FieldDef kGroupBoxFields[] = {
    {"alignment", Int, 0, 0, {}},
    {"text-colour", Colour, 0, 0, {}},
    {"background-colour", Colour, 0, kDefaultColour, {}},
    {"font", Font, 0, 0, {}},
    {"caption", Text, 0, 0, {}},
};

constexpr FieldDef kLabelFields[] = {
    {"effect", Int, 0, 0, {}},
    {"border-width", Int, 0, 8, {}},
    {"border", Int, 0, 0, {}},
    {"border-colour-1", Colour, 0, 0x808080, {}},
    {"border-colour-2", Colour, 0, 0xFFFFFF, {}},
    {"border-colour-3", Colour, 0, 0x808080, {}},
    {"text-colour", Colour, 0, 0, {}},
    {"background-colour", Colour, 0, kDefaultColour, {}},
    {"picture-mode", Int, 0, 1, {}},
    {"gradient-type", Int, 0, 0, {}},
    {"gradient-colour-1", Colour, 0, 0x808080, {}},
    {"gradient-colour-2", Colour, 0, 0xFFFFFF, {}},
    {"gradient-colour-3", Colour, 0, 0x808080, {}},
    {"horizontal-alignment", Int, 0, 0, {}},
    {"vertical-alignment", Int, 0, 1, {}},
    {"word-wrap", Bool, 0, 0, {}},
    {"font", Font, 0, 0, {}},
    {"picture", Picture, 0, 0, {}},
    {"text", Text, 0, 0, kLabelText},
    {"binding-1", Text, 2, 0, {}},
    {"binding-2", Text, 2, 0, {}},
};

constexpr FieldDef kButtonFields[] = {
    {"default", Bool, 0, 0, {}},
    {"horizontal-alignment", Int, 0, 1, {}},
    {"vertical-alignment", Int, 0, 1, {}},
    {"picture", Picture, 0, 0, {}},
    {"font", Font, 0, 0, {}},
    {"text", Text, 0, 0, kButtonText},
};

constexpr FieldDef kTimerFields[] = {
    {"period", Int, 0, 0, {}},
};

constexpr FieldDef kTransLabelFields[] = {
    {"effect", Int, 0, 0, {}},
    {"text-colour", Colour, 0, 0, {}},
    {"horizontal-alignment", Int, 0, 0, {}},
    {"vertical-alignment", Int, 0, 1, {}},
    {"word-wrap", Bool, 0, 0, {}},
    {"font", Font, 0, 0, {}},
    {"text", Text, 0, 0, kTransLabelText},
};

template <class E, std::size_t N>
constexpr bool Matches(const FieldDef (&)[N]) {
  return static_cast<std::size_t>(E::Count) == N && N <= kMaxFields;
}
static_assert(Matches<WindowField>(kWindowFields));
static_assert(Matches<EditBoxField>(kEditBoxFields));
static_assert(Matches<PicBoxField>(kPicBoxFields));
static_assert(Matches<GroupBoxField>(kGroupBoxFields));
static_assert(Matches<LabelField>(kLabelFields));
static_assert(Matches<ButtonField>(kButtonFields));
static_assert(Matches<TimerField>(kTimerFields));
static_assert(Matches<TransLabelField>(kTransLabelFields));

constexpr KindInfo kKinds[] = {
    {kKindWindow, "window", 6, kWindowFields},
    {kKindEditBox, "EditBox", 2, kEditBoxFields},
    {kKindPicBox, "PicBox", 2, kPicBoxFields},
    {kKindGroupBox, "GroupBox", 1, kGroupBoxFields},
    {kKindLabel, "Label", 2, kLabelFields},
    {kKindButton, "Button", 1, kButtonFields},
    {kKindTimer, "Timer", 1, kTimerFields},
    {kKindTransLabel, "TransLabel", 1, kTransLabelFields},
};

// IDC_ARROW, IDC_CROSS, IDC_IBEAM, IDC_WAIT, IDC_HELP, IDC_APPSTARTING, IDC_NO, IDC_SIZEALL,
// IDC_SIZENESW, IDC_SIZENS, IDC_SIZENWSE, IDC_SIZEWE, IDC_UPARROW, IDC_HAND.
constexpr std::array<std::uint32_t, 14> kSystemPointerIds = {
    32512, 32515, 32513, 32514, 32651, 32650, 32648, 32646, 32643, 32645, 32642, 32644, 32516, 32649,
};

}  // namespace

std::span<const KindInfo> Kinds() noexcept { return kKinds; }

const KindInfo* FindKind(std::uint32_t kind) noexcept {
  for (const KindInfo& info : kKinds) {
    if (info.kind == kind) return &info;
  }
  return nullptr;
}

const KindInfo* FindKindByName(std::string_view name) noexcept {
  for (const KindInfo& info : kKinds) {
    if (info.name == name) return &info;
  }
  return nullptr;
}

int FindField(const KindInfo& kind, std::string_view name) noexcept {
  for (std::size_t i = 0; i < kind.fields.size(); ++i) {
    if (kind.fields[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

std::span<const std::uint32_t> SystemPointerIds() noexcept { return kSystemPointerIds; }

}  // namespace vl::pages
