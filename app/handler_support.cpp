#include "handler_support.h"

#include "libraries/libraries.h"

namespace vl::installer {

int AskUser(Text message, int style, Text title) noexcept {
  return IntResult(CallLibraryCommand(kKernelLibrary, kernel_commands::kShowMessageBox,
                                      ArgList{TextArg(message), IntArg(style), TextArg(title)}));
}

bool MovePage(PageRef to, PageRef from) noexcept {
  // The page left closes only once the new one stands: one that cannot be built leaves the user
  // where they were, not without any window.
  const ArgList load{PageRefArg(to.page, to.windowUnit), ArgRecord{}, BoolArg(false)};
  if (!BoolResult(CallLibraryCommand(kKernelLibrary, kernel_commands::kLoadPage, load))) return false;
  // ClosePage answers nothing.
  static_cast<void>(CallLibraryCommand(kKernelLibrary, kernel_commands::kClosePage,
                                       ArgList{PageRefArg(from.page, from.windowUnit)}.PadOmittedArguments(3)));
  return true;
}

void WriteText(PageRef page, std::uint32_t control, Text text) noexcept {
  WriteProperty(page.page, control, kContent, kWholeProperty, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(text)), 0);
}

OwnedText ReadText(PageRef page, std::uint32_t control) noexcept {
  const std::uint64_t value = ReadProperty(page.page, control, kContent, kWholeProperty);
  return OwnedText(reinterpret_cast<char*>(static_cast<std::uintptr_t>(value)));
}

void WriteBool(PageRef page, std::uint32_t control, int number, bool value) noexcept {
  WriteProperty(page.page, control, number, kWholeProperty, value ? 1u : 0u, 0);
}

double ReadNumber(PageRef page, std::uint32_t control, int number) noexcept {
  const std::uint64_t value = ReadProperty(page.page, control, number, kWholeProperty);
  return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

void WriteNumber(PageRef page, std::uint32_t control, int number, double value) noexcept {
  const auto whole = static_cast<std::uint32_t>(static_cast<std::uint64_t>(TruncateToInteger(value)));
  WriteProperty(page.page, control, number, kWholeProperty, whole, 0);
}

}  // namespace vl::installer
