#include "payload_list.h"

#include <filesystem>
#include <set>
#include <system_error>

#include "common/identifier.h"
#include "common/lines.h"
#include "texts_parser.h"

namespace constgen {
namespace {

bool IsLabel(std::string_view name) {
  return name.size() >= 2 && name[0] == 'k' && gen::IsIdentifier(name) && !IsReservedName(name);
}

std::string LabelOf(const SegmentItem& item) {
  return std::visit([](const auto& alternative) { return alternative.label; }, item);
}

constexpr std::uintmax_t kLargestByteSet = 0x7FFFFFFF;

}  // namespace

gen::Result<std::vector<PayloadLine>> ParsePayloadList(std::string_view content,
                                                       const std::string& file) {
  std::vector<PayloadLine> lines;
  int number = 0;
  bool afterPath = false;
  for (const std::string_view line : gen::SplitLines(content)) {
    ++number;
    if (line.empty() || line.front() == '#') continue;
    const std::size_t firstSpace = line.find(' ');
    const std::size_t secondSpace =
        firstSpace == std::string_view::npos ? firstSpace : line.find(' ', firstSpace + 1);
    if (secondSpace == std::string_view::npos || secondSpace + 1 >= line.size()) {
      return gen::Error{file, number, "a line is 'path <label> <text>' or 'content <label> <file>'"};
    }
    PayloadLine entry;
    entry.line = number;
    const std::string_view kind = line.substr(0, firstSpace);
    if (kind == "path") {
      entry.kind = PayloadLine::Kind::Path;
    } else if (kind == "content") {
      entry.kind = PayloadLine::Kind::Content;
      if (!afterPath) return gen::Error{file, number, "a content follows the path of its entry"};
    } else {
      return gen::Error{file, number, "unknown item kind '" + std::string(kind) + "'"};
    }
    entry.label = std::string(line.substr(firstSpace + 1, secondSpace - firstSpace - 1));
    if (!IsLabel(entry.label)) {
      return gen::Error{file, number, "'" + entry.label + "' is not a label name"};
    }
    entry.value = std::string(line.substr(secondSpace + 1));
    afterPath = entry.kind == PayloadLine::Kind::Path;
    lines.push_back(std::move(entry));
  }
  return lines;
}

gen::Status AppendPayload(Segment& segment, const std::vector<PayloadLine>& lines,
                          const std::string& file, GbkEncoder& encoder) {
  std::set<std::string, std::less<>> labels;
  for (const SegmentItem& item : segment.items) labels.insert(LabelOf(item));
  for (const PayloadLine& line : lines) {
    if (!labels.insert(line.label).second) {
      return gen::Error{file, line.line, "the label '" + line.label + "' is defined twice"};
    }
    if (line.kind == PayloadLine::Kind::Path) {
      gen::Result<std::string, EncodingFailure> gbk = encoder.Encode(line.value);
      if (!gbk.HasValue()) {
        return gen::Error{file, line.line, "the path holds '" + gbk.GetError().character +
                                          "', which GBK cannot represent"};
      }
      segment.items.emplace_back(TextItem{line.label, std::move(gbk.Value())});
      continue;
    }
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(line.value, error);
    if (error) return gen::Error{line.value, 0, "cannot read its size: " + error.message()};
    if (size > kLargestByteSet) {
      return gen::Error{line.value, 0, "is larger than a byte set can hold (2 GiB - 1)"};
    }
    segment.items.emplace_back(ByteSetItem{line.label, line.value, static_cast<std::uint32_t>(size)});
  }
  return gen::Done{};
}

}  // namespace constgen
