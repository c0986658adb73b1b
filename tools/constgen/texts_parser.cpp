#include "texts_parser.h"

#include <map>
#include <optional>

#include "utf8.h"

namespace constgen {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_identifier_start(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool is_identifier_char(char c) { return is_identifier_start(c) || (c >= '0' && c <= '9'); }

std::optional<unsigned> hex_value(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  return std::nullopt;
}

void append(std::vector<TextChunk>& chunks, TextChunk::Kind kind, std::string_view bytes) {
  if (chunks.empty() || chunks.back().kind != kind) chunks.push_back({kind, {}});
  chunks.back().bytes.append(bytes);
}

// Parses one line of a texts.txt source at a time.
class LineParser {
 public:
  LineParser(const std::string& file, int line_number, std::string_view line)
      : file_(file), line_number_(line_number), line_(line) {}

  // "kName = pieces": the name into `definition`, the pieces appended to its chunks.
  gen::Status parse_definition(TextDefinition& definition) {
    const std::size_t start = pos_;
    while (pos_ < line_.size() && is_identifier_char(line_[pos_])) ++pos_;
    definition.name = std::string(line_.substr(start, pos_ - start));
    definition.line = line_number_;
    if (definition.name.empty() || !is_identifier_start(definition.name[0])) {
      return fail("expected a text name (a C identifier starting with 'k')");
    }
    if (definition.name[0] != 'k') {
      return fail("the text name '" + definition.name + "' must start with 'k'");
    }
    if (is_reserved_name(definition.name)) {
      return fail("the text name '" + definition.name + "' is reserved for the constant segment");
    }
    skip_blanks();
    if (pos_ >= line_.size() || line_[pos_] != '=') return fail("expected '=' after the name");
    ++pos_;
    skip_blanks();
    if (pos_ >= line_.size()) return fail("expected a quoted text after '='");
    return parse_pieces(definition.chunks);
  }

  // Whitespace, then one or more quoted pieces appended to `chunks`.
  gen::Status parse_continuation(std::vector<TextChunk>& chunks) {
    skip_blanks();
    return parse_pieces(chunks);
  }

 private:
  gen::Status fail(std::string message) const { return gen::Error{file_, line_number_, std::move(message)}; }

  void skip_blanks() {
    while (pos_ < line_.size() && is_blank(line_[pos_])) ++pos_;
  }

  gen::Status parse_pieces(std::vector<TextChunk>& chunks) {
    if (pos_ >= line_.size() || line_[pos_] != '"') return fail("expected a quoted text");
    while (pos_ < line_.size()) {
      if (line_[pos_] != '"') {
        return fail("unexpected characters after the quoted text: '" +
                    std::string(line_.substr(pos_)) + "'");
      }
      const gen::Status piece = parse_piece(chunks);
      if (!piece.ok()) return piece;
      skip_blanks();
    }
    return gen::Done{};
  }

  // One quoted piece; pos_ is at its opening quote.
  gen::Status parse_piece(std::vector<TextChunk>& chunks) {
    ++pos_;
    while (pos_ < line_.size()) {
      const char c = line_[pos_];
      if (c == '"') {
        ++pos_;
        return gen::Done{};
      }
      if (c == '\\') {
        const gen::Status escape = parse_escape(chunks);
        if (!escape.ok()) return escape;
        continue;
      }
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x20 || byte == 0x7F) {
        return fail("a control character in a text: write it as an escape (\\t, \\xHH)");
      }
      // The line is valid UTF-8: take whole characters.
      const std::size_t length = utf8_sequence_length(line_.substr(pos_));
      append(chunks, TextChunk::Kind::utf8, line_.substr(pos_, length));
      pos_ += length;
    }
    return fail("unterminated text: the closing '\"' is missing");
  }

  // One escape; pos_ is at its backslash.
  gen::Status parse_escape(std::vector<TextChunk>& chunks) {
    ++pos_;
    if (pos_ >= line_.size()) return fail("unterminated text: the closing '\"' is missing");
    const char c = line_[pos_];
    ++pos_;
    switch (c) {
      case 'r': append(chunks, TextChunk::Kind::utf8, "\r"); return gen::Done{};
      case 'n': append(chunks, TextChunk::Kind::utf8, "\n"); return gen::Done{};
      case 't': append(chunks, TextChunk::Kind::utf8, "\t"); return gen::Done{};
      case '\\': append(chunks, TextChunk::Kind::utf8, "\\"); return gen::Done{};
      case '"': append(chunks, TextChunk::Kind::utf8, "\""); return gen::Done{};
      case '0': return fail("the escape \\0 is not allowed: texts are terminated by a zero byte");
      case 'x': return parse_hex_escape(chunks);
      default: break;
    }
    const std::size_t length = utf8_sequence_length(line_.substr(pos_ - 1));
    return fail("unknown escape '\\" + std::string(line_.substr(pos_ - 1, length)) + "'");
  }

  // The two hex digits of a \xHH escape; pos_ is right after the 'x'.
  gen::Status parse_hex_escape(std::vector<TextChunk>& chunks) {
    const std::optional<unsigned> high =
        pos_ < line_.size() ? hex_value(line_[pos_]) : std::nullopt;
    const std::optional<unsigned> low =
        pos_ + 1 < line_.size() ? hex_value(line_[pos_ + 1]) : std::nullopt;
    if (!high || !low) return fail("the escape \\x needs exactly two hex digits");
    pos_ += 2;
    const unsigned value = *high * 16 + *low;
    if (value == 0) {
      return fail("the escape \\x00 is not allowed: texts are terminated by a zero byte");
    }
    append(chunks, TextChunk::Kind::raw, std::string(1, static_cast<char>(value)));
    return gen::Done{};
  }

  const std::string& file_;
  int line_number_;
  std::string_view line_;
  std::size_t pos_ = 0;
};

}  // namespace

bool is_reserved_name(std::string_view name) {
  return name == "kConstSegmentStart" || name == "kConstSegmentEnd" ||
         name == "kConstSegmentLength";
}

gen::Result<std::vector<TextDefinition>> parse_texts(std::string_view content, const std::string& file) {
  if (content.starts_with(kByteOrderMark)) content.remove_prefix(kByteOrderMark.size());

  std::vector<TextDefinition> definitions;
  std::map<std::string, int, std::less<>> lines_by_name;
  bool in_definition = false;  // whether a continuation line may follow
  int line_number = 0;
  while (!content.empty()) {
    ++line_number;
    const std::size_t end = content.find('\n');
    std::string_view line = content.substr(0, end);
    content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);

    if (const auto bad = find_invalid_utf8(line)) {
      return gen::Error{file, line_number,
                        "invalid UTF-8 (byte " + std::to_string(*bad + 1) + " of the line)"};
    }
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') {
      in_definition = false;  // blank or comment
      continue;
    }
    LineParser parser(file, line_number, line);
    if (first > 0) {
      if (!in_definition) {
        return gen::Error{file, line_number, "a continuation line outside of a definition"};
      }
      const gen::Status status = parser.parse_continuation(definitions.back().chunks);
      if (!status.ok()) return status.error();
      continue;
    }
    TextDefinition definition;
    const gen::Status status = parser.parse_definition(definition);
    if (!status.ok()) return status.error();
    const auto [previous, inserted] = lines_by_name.emplace(definition.name, line_number);
    if (!inserted) {
      return gen::Error{file, line_number,
                        "duplicate text name '" + definition.name + "' (first defined at line " +
                       std::to_string(previous->second) + ")"};
    }
    definitions.push_back(std::move(definition));
    in_definition = true;
  }
  return definitions;
}

}  // namespace constgen
