#include "texts_parser.h"

#include <map>
#include <optional>

#include "common/identifier.h"
#include "common/lines.h"
#include "utf8.h"

namespace constgen {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
using gen::IsIdentifierChar;
using gen::IsIdentifierStart;

std::optional<unsigned> HexValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  return std::nullopt;
}

void Append(std::vector<TextChunk>& chunks, TextChunk::Kind kind, std::string_view bytes) {
  if (chunks.empty() || chunks.back().kind != kind) chunks.push_back({kind, {}});
  chunks.back().bytes.append(bytes);
}

// Parses one line of a texts.txt source at a time.
class LineParser {
 public:
  LineParser(const std::string& file, int lineNumber, std::string_view line)
      : m_file(file), m_lineNumber(lineNumber), m_line(line) {}

  // "kName = pieces": the name into `definition`, the pieces appended to its chunks.
  gen::Status ParseDefinition(TextDefinition& definition) {
    const std::size_t start = m_pos;
    while (m_pos < m_line.size() && IsIdentifierChar(m_line[m_pos])) ++m_pos;
    definition.name = std::string(m_line.substr(start, m_pos - start));
    definition.line = m_lineNumber;
    if (definition.name.empty() || !IsIdentifierStart(definition.name[0])) {
      return Fail("expected a text name (a C identifier starting with 'k')");
    }
    if (definition.name[0] != 'k') {
      return Fail("the text name '" + definition.name + "' must start with 'k'");
    }
    if (IsReservedName(definition.name)) {
      return Fail("the text name '" + definition.name + "' is reserved for the constant segment");
    }
    SkipBlanks();
    if (m_pos >= m_line.size() || m_line[m_pos] != '=') return Fail("expected '=' after the name");
    ++m_pos;
    SkipBlanks();
    if (m_pos >= m_line.size()) return Fail("expected a quoted text after '='");
    return ParsePieces(definition.chunks);
  }

  // Whitespace, then one or more quoted pieces appended to `chunks`.
  gen::Status ParseContinuation(std::vector<TextChunk>& chunks) {
    SkipBlanks();
    return ParsePieces(chunks);
  }

 private:
  gen::Status Fail(std::string message) const { return gen::Error{m_file, m_lineNumber, std::move(message)}; }

  void SkipBlanks() {
    while (m_pos < m_line.size() && IsBlank(m_line[m_pos])) ++m_pos;
  }

  gen::Status ParsePieces(std::vector<TextChunk>& chunks) {
    if (m_pos >= m_line.size() || m_line[m_pos] != '"') return Fail("expected a quoted text");
    while (m_pos < m_line.size()) {
      if (m_line[m_pos] != '"') {
        return Fail("unexpected characters after the quoted text: '" +
                    std::string(m_line.substr(m_pos)) + "'");
      }
      const gen::Status piece = ParsePiece(chunks);
      if (!piece.HasValue()) return piece;
      SkipBlanks();
    }
    return gen::Done{};
  }

  // One quoted piece; m_pos is at its opening quote.
  gen::Status ParsePiece(std::vector<TextChunk>& chunks) {
    ++m_pos;
    while (m_pos < m_line.size()) {
      const char c = m_line[m_pos];
      if (c == '"') {
        ++m_pos;
        return gen::Done{};
      }
      if (c == '\\') {
        const gen::Status escape = ParseEscape(chunks);
        if (!escape.HasValue()) return escape;
        continue;
      }
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x20 || byte == 0x7F) {
        return Fail("a control character in a text: write it as an escape (\\t, \\xHH)");
      }
      // The line is valid UTF-8: take whole characters.
      const std::size_t length = Utf8SequenceLength(m_line.substr(m_pos));
      Append(chunks, TextChunk::Kind::Utf8, m_line.substr(m_pos, length));
      m_pos += length;
    }
    return Fail("unterminated text: the closing '\"' is missing");
  }

  // One escape; m_pos is at its backslash.
  gen::Status ParseEscape(std::vector<TextChunk>& chunks) {
    ++m_pos;
    if (m_pos >= m_line.size()) return Fail("unterminated text: the closing '\"' is missing");
    const char c = m_line[m_pos];
    ++m_pos;
    switch (c) {
      case 'r': Append(chunks, TextChunk::Kind::Utf8, "\r"); return gen::Done{};
      case 'n': Append(chunks, TextChunk::Kind::Utf8, "\n"); return gen::Done{};
      case 't': Append(chunks, TextChunk::Kind::Utf8, "\t"); return gen::Done{};
      case '\\': Append(chunks, TextChunk::Kind::Utf8, "\\"); return gen::Done{};
      case '"': Append(chunks, TextChunk::Kind::Utf8, "\""); return gen::Done{};
      case '0': return Fail("the escape \\0 is not allowed: texts are terminated by a zero byte");
      case 'x': return ParseHexEscape(chunks);
      default: break;
    }
    const std::size_t length = Utf8SequenceLength(m_line.substr(m_pos - 1));
    return Fail("unknown escape '\\" + std::string(m_line.substr(m_pos - 1, length)) + "'");
  }

  // The two hex digits of a \xHH escape; m_pos is right after the 'x'.
  gen::Status ParseHexEscape(std::vector<TextChunk>& chunks) {
    const std::optional<unsigned> high =
        m_pos < m_line.size() ? HexValue(m_line[m_pos]) : std::nullopt;
    const std::optional<unsigned> low =
        m_pos + 1 < m_line.size() ? HexValue(m_line[m_pos + 1]) : std::nullopt;
    if (!high || !low) return Fail("the escape \\x needs exactly two hex digits");
    m_pos += 2;
    const unsigned value = *high * 16 + *low;
    if (value == 0) {
      return Fail("the escape \\x00 is not allowed: texts are terminated by a zero byte");
    }
    Append(chunks, TextChunk::Kind::Raw, std::string(1, static_cast<char>(value)));
    return gen::Done{};
  }

  const std::string& m_file;
  int m_lineNumber;
  std::string_view m_line;
  std::size_t m_pos = 0;
};

}  // namespace

bool IsReservedName(std::string_view name) {
  return name == "kConstSegmentStart" || name == "kConstSegmentEnd" ||
         name == "kConstSegmentLength";
}

gen::Result<std::vector<TextDefinition>> ParseTexts(std::string_view content, const std::string& file) {
  if (content.starts_with(kByteOrderMark)) content.remove_prefix(kByteOrderMark.size());

  std::vector<TextDefinition> definitions;
  std::map<std::string, int, std::less<>> linesByName;
  bool inDefinition = false;  // whether a continuation line may follow
  int lineNumber = 0;
  for (const std::string_view line : gen::SplitLines(content)) {
    ++lineNumber;
    if (const auto bad = FindInvalidUtf8(line)) {
      return gen::Error{file, lineNumber,
                        "invalid UTF-8 (byte " + std::to_string(*bad + 1) + " of the line)"};
    }
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') {
      inDefinition = false;  // blank or comment
      continue;
    }
    LineParser parser(file, lineNumber, line);
    if (first > 0) {
      if (!inDefinition) {
        return gen::Error{file, lineNumber, "a continuation line outside of a definition"};
      }
      const gen::Status status = parser.ParseContinuation(definitions.back().chunks);
      if (!status.HasValue()) return status.GetError();
      continue;
    }
    TextDefinition definition;
    const gen::Status status = parser.ParseDefinition(definition);
    if (!status.HasValue()) return status.GetError();
    const auto [previous, inserted] = linesByName.emplace(definition.name, lineNumber);
    if (!inserted) {
      return gen::Error{file, lineNumber,
                        "duplicate text name '" + definition.name + "' (first defined at line " +
                       std::to_string(previous->second) + ")"};
    }
    definitions.push_back(std::move(definition));
    inDefinition = true;
  }
  return definitions;
}

}  // namespace constgen
