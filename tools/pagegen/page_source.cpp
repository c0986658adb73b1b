#include "page_source.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <optional>
#include <sstream>

#include "common/file_io.h"
#include "common/identifier.h"
#include "gbk_encoding.h"
#include "pages/page_format.h"
#include "pages/property_block.h"

namespace pagegen {
namespace {

using vl::pages::FieldType;

struct Token {
  std::string text;  // a quoted token: what stood between the quotes, escapes not yet applied
  bool quoted = false;
};

class Parser {
 public:
  Parser(std::string path, const std::vector<std::string>& routines,
         const std::vector<std::string>& includeDirs)
      : m_path(std::move(path)), m_routines(routines), m_includeDirs(includeDirs) {
    auto encoder = constgen::GbkEncoder::Open();
    if (encoder.HasValue()) m_encoder.emplace(std::move(encoder.Value()));
    else m_error = gen::Error{m_path, 0, "no UTF-8 to GBK conversion in this C library"};
    m_includeDirs.insert(m_includeDirs.begin(), std::filesystem::path(m_path).parent_path().string());
  }

  gen::Result<ParsedSource> Parse(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    while (!m_error && std::getline(in, line)) {
      ++m_line;
      auto tokens = Tokenize(line);
      if (!m_error && !tokens.empty()) Statement(tokens);
    }
    if (m_error) return *m_error;
    return std::move(m_result);
  }

 private:
  // The first problem is kept: the step that met it returns at once with an empty value, the
  // statement ends there and no further line is read.
  void Fail(const std::string& message) {
    if (!m_error) m_error = gen::Error{m_path, m_line, message};
  }

  std::vector<Token> Tokenize(const std::string& line) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
      const char c = line[i];
      if (c == ' ' || c == '\t' || c == '\r') {
        ++i;
      } else if (c == '#') {
        break;
      } else if (c == '"') {
        std::string raw;
        ++i;
        while (i < line.size() && line[i] != '"') {
          if (line[i] == '\\' && i + 1 < line.size()) raw += line[i++];
          raw += line[i++];
        }
        if (i >= line.size()) Fail("text without its closing quote");
        ++i;
        tokens.push_back({raw, true});
      } else {
        std::size_t end = line.find_first_of(" \t\r\"#", i);
        if (end == std::string::npos) end = line.size();
        tokens.push_back({line.substr(i, end - i), false});
        i = end;
      }
    }
    return tokens;
  }

  // The bytes of a quoted token: UTF-8 runs in GBK, escapes as they say.
  std::string Text(const Token& token, bool gbk = true) {
    if (!token.quoted) {
      Fail("a quoted text was expected, not '" + token.text + "'");
      return {};
    }
    std::string out, run;
    auto flush = [&] {
      if (run.empty()) return;
      if (!gbk) {
        out += run;
      } else if (auto encoded = m_encoder->Encode(run); encoded.HasValue()) {
        out += encoded.Value();
      } else {
        Fail("text with a character that GBK cannot store");
      }
      run.clear();
    };
    const std::string& raw = token.text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '\\') {
        run += raw[i];
        continue;
      }
      const char e = raw[++i];
      switch (e) {
        case 'r': run += '\r'; break;
        case 'n': run += '\n'; break;
        case 't': run += '\t'; break;
        case '\\': run += '\\'; break;
        case '"': run += '"'; break;
        case 'x': {
          if (i + 2 >= raw.size()) {
            Fail("\\x needs two hex digits");
            return {};
          }
          flush();
          out += static_cast<char>(HexByte(raw.substr(i + 1, 2)));
          i += 2;
          break;
        }
        default:
          Fail(std::string("unknown escape \\") + e);
          return {};
      }
    }
    flush();
    return out;
  }

  std::uint8_t HexByte(const std::string& digits) {
    unsigned value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (error != std::errc{} || end != digits.data() + digits.size() || digits.size() != 2) {
      Fail("bad hex byte '" + digits + "'");
      return 0;
    }
    return static_cast<std::uint8_t>(value);
  }

  std::int64_t Number(const Token& token) {
    if (token.quoted) {
      Fail("a number was expected");
      return 0;
    }
    std::string_view s = token.text;
    bool negative = false;
    if (!s.empty() && s[0] == '-') {
      negative = true;
      s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
      base = 16;
      s.remove_prefix(2);
    }
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    if (error != std::errc{} || end != s.data() + s.size() || s.empty() || value > 0xFFFFFFFFull) {
      Fail("bad number '" + token.text + "'");
      return 0;
    }
    return negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
  }
  std::uint32_t Dword(const Token& token) { return static_cast<std::uint32_t>(Number(token)); }

  std::string FileBytes(const Token& token) {
    const std::string name = Text(token, false);
    for (const std::string& dir : m_includeDirs) {
      const std::filesystem::path candidate = std::filesystem::path(dir) / name;
      if (std::filesystem::is_regular_file(candidate)) {
        m_result.filesRead.insert(std::filesystem::absolute(candidate).lexically_normal().string());
        auto content = ReadWholeFile(candidate.string());
        if (content.HasValue()) return std::move(content.Value());
        Fail(content.GetError().Describe());
        return {};
      }
    }
    Fail("file not found: " + name);
    return {};
  }

  // A UTF-8 text file as GBK with CR LF line ends and no line end after the last line.
  std::string TextFile(const Token& token) {
    std::string content = FileBytes(token);
    std::string lines;
    for (char c : content) {
      if (c == '\r') continue;
      if (c == '\n') lines += "\r\n";
      else lines += c;
    }
    if (lines.size() >= 2 && lines.ends_with("\r\n")) lines.resize(lines.size() - 2);
    auto encoded = m_encoder->Encode(lines);
    if (encoded.HasValue()) return std::move(encoded.Value());
    Fail("text file with a character that GBK cannot store");
    return {};
  }

  std::string HexBytes(const Token& token) {
    const std::string digits = Text(token, false);
    std::string out, pair;
    for (char c : digits) {
      if (c == ' ' || c == '\n' || c == '\t') continue;
      pair += c;
      if (pair.size() == 2) {
        out += static_cast<char>(HexByte(pair));
        pair.clear();
      }
    }
    if (!pair.empty()) Fail("odd number of hex digits");
    return out;
  }

  // A byte value starting at tokens[at]: "text", file, text-file, hex, none.
  std::string ByteValue(const std::vector<Token>& tokens, std::size_t at) {
    if (at >= tokens.size()) {
      Fail("a value is missing");
      return {};
    }
    const Token& first = tokens[at];
    if (first.quoted) return Text(first);
    if (first.text == "none") return {};
    if (at + 1 >= tokens.size()) {
      Fail("'" + first.text + "' needs a quoted argument");
      return {};
    }
    if (first.text == "file") return FileBytes(tokens[at + 1]);
    if (first.text == "text-file") return TextFile(tokens[at + 1]);
    if (first.text == "hex") return HexBytes(tokens[at + 1]);
    Fail("unknown value '" + first.text + "'");
    return {};
  }

  std::string FontValue(const std::vector<Token>& tokens, std::size_t at) {
    if (at >= tokens.size() || !tokens[at].quoted) return ByteValue(tokens, at);
    const std::string face = Text(tokens[at]);
    if (face.size() >= vl::pages::font_record::kFaceNameLength) {
      Fail("face name longer than 31 bytes");
      return {};
    }
    vl::pages::FontDescription font;
    std::copy(face.begin(), face.end(), font.faceName.begin());
    struct Setting {
      const char* key;
      void (*set)(vl::pages::FontDescription&, std::int64_t);
    };
    using F = vl::pages::FontDescription;
    static constexpr Setting kSettings[] = {
        {"height", [](F& f, std::int64_t v) { f.height = static_cast<std::int32_t>(v); }},
        {"width", [](F& f, std::int64_t v) { f.width = static_cast<std::int32_t>(v); }},
        {"escapement", [](F& f, std::int64_t v) { f.escapement = static_cast<std::int32_t>(v); }},
        {"orientation", [](F& f, std::int64_t v) { f.orientation = static_cast<std::int32_t>(v); }},
        {"weight", [](F& f, std::int64_t v) { f.weight = static_cast<std::int32_t>(v); }},
        {"italic", [](F& f, std::int64_t v) { f.italic = static_cast<std::uint8_t>(v); }},
        {"underline", [](F& f, std::int64_t v) { f.underline = static_cast<std::uint8_t>(v); }},
        {"strike-out", [](F& f, std::int64_t v) { f.strikeOut = static_cast<std::uint8_t>(v); }},
        {"charset", [](F& f, std::int64_t v) { f.charSet = static_cast<std::uint8_t>(v); }},
        {"out-precision", [](F& f, std::int64_t v) { f.outPrecision = static_cast<std::uint8_t>(v); }},
        {"clip-precision", [](F& f, std::int64_t v) { f.clipPrecision = static_cast<std::uint8_t>(v); }},
        {"quality", [](F& f, std::int64_t v) { f.quality = static_cast<std::uint8_t>(v); }},
        {"pitch-and-family", [](F& f, std::int64_t v) { f.pitchAndFamily = static_cast<std::uint8_t>(v); }},
    };
    for (std::size_t i = at + 1; i < tokens.size(); ++i) {
      const auto eq = tokens[i].text.find('=');
      if (tokens[i].quoted || eq == std::string::npos) {
        Fail("font settings are key=value");
        return {};
      }
      const std::string key = tokens[i].text.substr(0, eq);
      const auto setting = std::find_if(std::begin(kSettings), std::end(kSettings),
                                        [&](const Setting& s) { return key == s.key; });
      if (setting == std::end(kSettings)) {
        Fail("unknown font setting '" + key + "'");
        return {};
      }
      setting->set(font, Number({tokens[i].text.substr(eq + 1), false}));
    }
    const auto record = vl::pages::EncodeFont(font);
    return {record.begin(), record.end()};
  }

  static void AppendDword(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  }

  // Null (and failed) when there is none yet.
  PageSource* CurrentPage() {
    if (!m_result.pages.empty()) return &m_result.pages.back();
    Fail("a unit outside any page");
    return nullptr;
  }
  UnitSource* CurrentUnit() {
    PageSource* page = CurrentPage();
    if (page != nullptr && !page->units.empty()) return &page->units.back();
    Fail("a unit setting outside any unit");
    return nullptr;
  }

  bool Need(const std::vector<Token>& tokens, std::size_t count) {
    if (tokens.size() >= count) return true;
    Fail("'" + tokens[0].text + "' needs " + std::to_string(count - 1) + " values");
    return false;
  }

  void Statement(const std::vector<Token>& t) {
    const std::string& word = t[0].text;
    if (t[0].quoted) return Fail("a line must start with a keyword");
    if (m_inProperties && word != "page" && word != "unit" && word != "menu") return Field(t);
    if (word == "page") return Page(t);
    if (word == "unit" || word == "menu") return NewUnit(t);
    if (word == "texts") {
      PageSource* page = CurrentPage();
      if (page == nullptr || !Need(t, 3)) return;
      page->firstReservedText = Text(t[1]);
      page->secondReservedText = Text(t[2]);
      return;
    }
    UnitSource* current = CurrentUnit();
    if (current == nullptr) return;
    UnitSource& unit = *current;
    if (word == "remark") {
      if (!Need(t, 2)) return;
      unit.remark = Text(t[1]);
    } else if (word == "geometry") {
      if (!Need(t, 5)) return;
      unit.left = static_cast<std::int32_t>(Number(t[1]));
      unit.top = static_cast<std::int32_t>(Number(t[2]));
      unit.width = static_cast<std::int32_t>(Number(t[3]));
      unit.height = static_cast<std::int32_t>(Number(t[4]));
    } else if (word == "container") {
      if (!Need(t, 2)) return;
      unit.container = Dword(t[1]);
    } else if (word == "children") {
      for (std::size_t i = 1; i < t.size(); ++i) unit.children.push_back(Dword(t[i]));
    } else if (word == "tag") {
      if (!Need(t, 2)) return;
      unit.tag = Text(t[1]);
    } else if (word == "pointer") {
      if (!Need(t, 2)) return;
      if (!t[1].quoted && t[1].text != "none" && t[1].text != "file" && t[1].text != "hex" && t[1].text != "text-file") {
        unit.pointer.clear();
        AppendDword(unit.pointer, Dword(t[1]));
        if (t.size() > 2) unit.pointer += ByteValue(t, 2);  // -1 file "x.cur"
      } else {
        unit.pointer = ByteValue(t, 1);
      }
    } else if (word == "state") {
      unit.state = 0;
      for (std::size_t i = 1; i < t.size(); ++i) unit.state |= StateWord(t[i]);
    } else if (word == "tab-order") {
      if (!Need(t, 2)) return;
      unit.tabOrder = static_cast<std::int32_t>(Number(t[1]));
    } else if (word == "shortcut") {
      if (!Need(t, 2)) return;
      unit.shortcut = Dword(t[1]);
    } else if (word == "on") {
      Event(unit, t);
    } else if (word == "properties") {
      if (!Need(t, 2)) return;
      if (unit.menuEntry || vl::pages::FindKind(unit.kind) == nullptr) {
        return Fail("this unit's kind has no known property block");
      }
      unit.hasProperties = true;
      unit.version = Dword(t[1]);
      m_inProperties = true;
    } else if (word == "block") {
      unit.hasRawBlock = true;
      unit.rawBlock = ByteValue(t, 1);
    } else {
      Fail("unknown keyword '" + word + "'");
    }
  }

  void Page(const std::vector<Token>& t) {
    if (!Need(t, 2)) return;
    m_inProperties = false;
    PageSource page;
    page.line = m_line;
    page.id = Dword(t[1]);
    for (std::size_t i = 2; i + 1 < t.size(); i += 2) {
      if (t[i].text == "reserved") page.reserved = Dword(t[i + 1]);
      else if (t[i].text == "module") page.moduleId = Dword(t[i + 1]);
      else if (t[i].text == "as") page.symbol = Symbol(t[i + 1]);
      else Fail("unknown page setting '" + t[i].text + "'");
    }
    if ((t.size() - 2) % 2 != 0) Fail("page settings come in pairs");
    m_result.pages.push_back(std::move(page));
  }

  void NewUnit(const std::vector<Token>& t) {
    m_inProperties = false;
    PageSource* page = CurrentPage();
    if (page == nullptr) return;
    UnitSource unit;
    unit.line = m_line;
    if (t[0].text == "menu") {
      if (!Need(t, 3)) return;
      unit.id = Dword(t[1]);
      unit.menuEntry = true;
      unit.name = Text(t[2]);
    } else {
      if (!Need(t, 4)) return;
      unit.id = Dword(t[1]);
      if (const auto* kind = vl::pages::FindKindByName(t[2].text); kind != nullptr) unit.kind = kind->kind;
      else unit.kind = Dword(t[2]);
      unit.name = Text(t[3]);
      if (t.size() > 4) {
        if (t.size() != 6 || t[4].quoted || t[4].text != "as") {
          return Fail("a unit's name is followed only by 'as <Symbol>'");
        }
        unit.symbol = Symbol(t[5]);
      }
    }
    page->units.push_back(std::move(unit));
  }

  // An identifier named once in the source: it becomes a constant of the generated header.
  std::string Symbol(const Token& token) {
    const std::string& name = token.text;
    if (token.quoted || !gen::IsIdentifier(name)) {
      Fail("not a symbol: " + name);
      return {};
    }
    if (!m_symbols.insert(name).second) Fail("symbol named twice: " + name);
    return name;
  }

  std::uint32_t StateWord(const Token& token) {
    if (token.text == "visible") return vl::pages::kStateVisible;
    if (token.text == "disabled") return vl::pages::kStateDisabled;
    if (token.text == "focus-stop") return vl::pages::kStateFocusStop;
    if (token.text == "control") return vl::pages::kStateControl;
    return Dword(token);
  }

  void Event(UnitSource& unit, const std::vector<Token>& t) {
    if (!Need(t, 3)) return;
    EventSource event;
    event.number = static_cast<std::int32_t>(Number(t[1]));
    if (t[2].text == "-") {
      event.handler = vl::pages::kNoHandler;
    } else if (t[2].text == "offset") {
      if (!Need(t, 4)) return;
      event.handler = Dword(t[3]);
    } else {
      const auto found = std::find(m_routines.begin(), m_routines.end(), t[2].text);
      if (found == m_routines.end()) return Fail("routine '" + t[2].text + "' is not in the routine list");
      event.handler = static_cast<std::uint32_t>(found - m_routines.begin()) * vl::pages::kRoutineEntryLength;
    }
    unit.events.push_back(event);
  }

  // Only while m_inProperties: the unit's kind has a known property block.
  void Field(const std::vector<Token>& t) {
    UnitSource* current = CurrentUnit();
    if (current == nullptr) return;
    UnitSource& unit = *current;
    const vl::pages::KindInfo& kind = *vl::pages::FindKind(unit.kind);
    const int index = vl::pages::FindField(kind, t[0].text);
    if (index < 0) return Fail("'" + t[0].text + "' is not a field of " + std::string(kind.name));
    const vl::pages::FieldDef& def = kind.fields[static_cast<std::size_t>(index)];
    FieldSetting setting;
    if (def.type == FieldType::Font) {
      setting.bytes = FontValue(t, 1);
    } else if (vl::pages::IsBlockType(def.type)) {
      setting.bytes = ByteValue(t, 1);
    } else {
      if (!Need(t, 2)) return;
      setting.number = Dword(t[1]);
    }
    unit.fields[index] = std::move(setting);
  }

  std::string m_path;
  const std::vector<std::string>& m_routines;
  std::vector<std::string> m_includeDirs;
  std::optional<constgen::GbkEncoder> m_encoder;
  ParsedSource m_result;
  std::optional<gen::Error> m_error;
  std::set<std::string> m_symbols;
  int m_line = 0;
  bool m_inProperties = false;
};

}  // namespace

gen::Result<std::string> ReadWholeFile(const std::string& path) {
  gen::Result<std::string> content = gen::ReadFile(path);
  if (!content.HasValue()) return gen::Error{path, 0, "cannot read the file"};
  return content;
}

gen::Result<std::vector<std::string>> ParseRoutineList(const std::string& path, const std::string& text) {
  std::vector<std::string> routines;
  std::istringstream in(text);
  std::string line;
  int lineNumber = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    if (const auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    std::istringstream words(line);
    std::string name, extra;
    if (!(words >> name)) continue;
    if (words >> extra) return gen::Error{path, lineNumber, "one routine name per line"};
    if (!gen::IsIdentifier(name)) return gen::Error{path, lineNumber, "not a routine name: " + name};
    if (std::find(routines.begin(), routines.end(), name) != routines.end()) {
      return gen::Error{path, lineNumber, "routine listed twice: " + name};
    }
    routines.push_back(name);
  }
  return routines;
}

gen::Result<ParsedSource> ParsePageSource(const std::string& path, const std::string& text,
                                          const std::vector<std::string>& routines,
                                          const std::vector<std::string>& includeDirs) {
  Parser parser(path, routines, includeDirs);
  return parser.Parse(text);
}

}  // namespace pagegen
