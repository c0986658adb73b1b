#include "payload_list.h"

#include <filesystem>
#include <set>
#include <system_error>

#include "texts_parser.h"

namespace constgen {
namespace {

bool is_label(std::string_view name) {
  if (name.size() < 2 || name[0] != 'k') return false;
  for (const char c : name) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter && !(c >= '0' && c <= '9') && c != '_') return false;
  }
  return !is_reserved_name(name);
}

std::string label_of(const SegmentItem& item) {
  return std::visit([](const auto& alternative) { return alternative.label; }, item);
}

constexpr std::uintmax_t kLargestByteSet = 0x7FFFFFFF;

}  // namespace

gen::Result<std::vector<PayloadLine>> parse_payload_list(std::string_view content,
                                                         const std::string& file) {
  std::vector<PayloadLine> lines;
  int number = 0;
  bool after_path = false;
  std::size_t at = 0;
  while (at < content.size()) {
    std::size_t end = content.find('\n', at);
    if (end == std::string_view::npos) end = content.size();
    std::string_view line = content.substr(at, end - at);
    at = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    const std::size_t first_space = line.find(' ');
    const std::size_t second_space =
        first_space == std::string_view::npos ? first_space : line.find(' ', first_space + 1);
    if (second_space == std::string_view::npos || second_space + 1 >= line.size()) {
      return gen::Error{file, number, "a line is 'path <label> <text>' or 'content <label> <file>'"};
    }
    PayloadLine entry;
    entry.line = number;
    const std::string_view kind = line.substr(0, first_space);
    if (kind == "path") {
      entry.kind = PayloadLine::Kind::path;
    } else if (kind == "content") {
      entry.kind = PayloadLine::Kind::content;
      if (!after_path) return gen::Error{file, number, "a content follows the path of its entry"};
    } else {
      return gen::Error{file, number, "unknown item kind '" + std::string(kind) + "'"};
    }
    entry.label = std::string(line.substr(first_space + 1, second_space - first_space - 1));
    if (!is_label(entry.label)) {
      return gen::Error{file, number, "'" + entry.label + "' is not a label name"};
    }
    entry.value = std::string(line.substr(second_space + 1));
    after_path = entry.kind == PayloadLine::Kind::path;
    lines.push_back(std::move(entry));
  }
  return lines;
}

gen::Status append_payload(Segment& segment, const std::vector<PayloadLine>& lines,
                           const std::string& file, GbkEncoder& encoder) {
  std::set<std::string, std::less<>> labels;
  for (const SegmentItem& item : segment.items) labels.insert(label_of(item));
  for (const PayloadLine& line : lines) {
    if (!labels.insert(line.label).second) {
      return gen::Error{file, line.line, "the label '" + line.label + "' is defined twice"};
    }
    if (line.kind == PayloadLine::Kind::path) {
      gen::Result<std::string, EncodingFailure> gbk = encoder.encode(line.value);
      if (!gbk.ok()) {
        return gen::Error{file, line.line, "the path holds '" + gbk.error().character +
                                          "', which GBK cannot represent"};
      }
      segment.items.emplace_back(TextItem{line.label, std::move(gbk.value())});
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
