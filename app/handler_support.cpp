#include "handler_support.h"

#include "runtime/message_box.h"
#include "runtime/pages/page_runtime.h"

namespace vl::installer {

int AskUser(Text message, int style, Text title) noexcept {
  return IntResult(CallCommand(ShowMessageBoxCommand, ArgList{TextArg(message), IntArg(style), TextArg(title)}));
}

void MovePage(PageRef to, PageRef from) noexcept {
  CallCommand(LoadPageCommand, ArgList{PageRefArg(to.page, to.windowUnit), ArgRecord{}, BoolArg(false)});
  CallCommand(ClosePageCommand, ArgList{PageRefArg(from.page, from.windowUnit)}.PadOmittedArguments(3));
}

void WriteText(PageRef page, std::uint32_t control, Text text) noexcept {
  WriteProperty(page.page, control, kContent, kWholeProperty, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(text)), 0);
}

char* ReadText(PageRef page, std::uint32_t control) noexcept {
  const std::uint64_t value = ReadProperty(page.page, control, kContent, kWholeProperty);
  return reinterpret_cast<char*>(static_cast<std::uintptr_t>(value));
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
