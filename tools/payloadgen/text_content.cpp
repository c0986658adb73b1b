#include "text_content.h"

#include "common/file_io.h"
#include "segment_builder.h"
#include "texts_parser.h"

namespace payloadgen {

using gen::Error;
using gen::Result;

Result<std::string> MakeTextContent(std::string_view source, const NamedTexts& texts,
                                    constgen::GbkEncoder& encoder, const std::string& file) {
  if (source.starts_with("\xEF\xBB\xBF")) {
    return Error{file, 1, "the carried texts have no byte order mark"};
  }
  std::string out;
  int line = 1;
  std::size_t at = 0;
  while (at < source.size()) {
    // The longest run without a line end or placeholder is converted in one piece.
    const std::size_t stop = source.find_first_of("\r\n{", at);
    const std::string_view run = source.substr(at, stop == std::string_view::npos
                                                       ? std::string_view::npos
                                                       : stop - at);
    if (!run.empty()) {
      Result<std::string, constgen::EncodingFailure> gbk = encoder.Encode(run);
      if (!gbk.HasValue()) {
        return Error{file, line, "'" + gbk.GetError().character + "' has no GBK form"};
      }
      out += gbk.Value();
    }
    if (stop == std::string_view::npos) break;
    at = stop;
    if (source[at] == '{') {
      const std::size_t close = source.find('}', at);
      if (close == std::string_view::npos) return Error{file, line, "a '{' is not closed"};
      const std::string_view name = source.substr(at + 1, close - at - 1);
      const auto text = texts.find(name);
      if (text == texts.end()) {
        return Error{file, line, "no text named '" + std::string(name) + "'"};
      }
      out += text->second;
      at = close + 1;
      continue;
    }
    if (source[at] == '\r') {
      if (at + 1 >= source.size() || source[at + 1] != '\n') {
        return Error{file, line, "a carriage return that does not end a line"};
      }
      ++at;
    }
    out += "\r\n";
    ++at;
    ++line;
  }
  return out;
}

Result<NamedTexts> LoadNamedTexts(const std::string& path, constgen::GbkEncoder& encoder) {
  const Result<std::string> content = gen::ReadFile(path);
  if (!content.HasValue()) return content.GetError();
  const Result<std::vector<constgen::TextDefinition>> definitions =
      constgen::ParseTexts(content.Value(), path);
  if (!definitions.HasValue()) return definitions.GetError();
  NamedTexts texts;
  for (const constgen::TextDefinition& definition : definitions.Value()) {
    Result<std::string> bytes = constgen::EncodeText(definition, path, encoder);
    if (!bytes.HasValue()) return bytes.GetError();
    texts.emplace(definition.name, std::move(bytes.Value()));
  }
  return texts;
}

}  // namespace payloadgen
