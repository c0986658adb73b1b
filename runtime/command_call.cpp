#include "command_call.h"

namespace vl {

ResultRecord CallCommand(Command command, int count, const ArgRecord* args) noexcept {
  ResultRecord result{};
  command(&result, count, args);
  return result;
}

ResultRecord CallCommand(Command command, const ArgList& args) noexcept {
  return CallCommand(command, args.Count(), args.Records());
}

std::int32_t IntResult(const ResultRecord& r) noexcept {
  return AsInt(r).value_or(0);
}

bool BoolResult(const ResultRecord& r) noexcept { return AsBool(r).value_or(false); }

OwnedText TextResult(const ResultRecord& r) noexcept {
  return OwnedText(const_cast<char*>(AsText(r).value_or(nullptr)));
}

const ArgRecord& ArgAt(int count, const ArgRecord* args, int index) noexcept {
  static const ArgRecord kOmittedRecord{};
  return index < count ? args[index] : kOmittedRecord;
}

void SetIntResult(ResultRecord* r, std::int32_t value) noexcept { *r = IntArg(value); }
void SetBoolResult(ResultRecord* r, bool value) noexcept { *r = BoolArg(value); }
void SetTextResult(ResultRecord* r, OwnedText text) noexcept {
  *r = ArgRecord{reinterpret_cast<std::uintptr_t>(text.Release()), 0, tag::kText};
}

}  // namespace vl
