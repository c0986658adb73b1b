#include "segment_builder.h"

#include <cstdio>
#include <map>
#include <utility>

namespace constgen {
namespace {

std::string CodePointName(char32_t codePoint) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(codePoint));
  return buffer;
}

struct Place {
  std::string file;
  int line = 0;
};

}  // namespace

gen::Result<std::string> EncodeText(const TextDefinition& text, const std::string& file,
                                    GbkEncoder& encoder) {
  std::string bytes;
  for (const TextChunk& chunk : text.chunks) {
    if (chunk.kind == TextChunk::Kind::Raw) {
      bytes += chunk.bytes;
      continue;
    }
    gen::Result<std::string, EncodingFailure> gbk = encoder.Encode(chunk.bytes);
    if (!gbk.HasValue()) {
      const EncodingFailure& failure = gbk.GetError();
      std::string message = "the text '" + text.name + "' holds ";
      if (failure.codePoint == 0) {
        message += "bytes that are not valid UTF-8";
      } else {
        message += "the character '" + failure.character + "' (" +
                   CodePointName(failure.codePoint) + "), which GBK cannot represent";
      }
      return gen::Error{file, text.line, std::move(message)};
    }
    bytes += gbk.Value();
  }
  return bytes;
}

gen::Result<Segment> BuildTextSegment(const std::vector<SourceTexts>& sources, GbkEncoder& encoder) {
  Segment segment;
  std::map<std::string, Place, std::less<>> places;
  for (const SourceTexts& source : sources) {
    for (const TextDefinition& text : source.texts) {
      const auto [first, inserted] = places.emplace(text.name, Place{source.file, text.line});
      if (!inserted) {
        return gen::Error{source.file, text.line,
                          "duplicate text name '" + text.name + "' (first defined at " +
                         first->second.file + ":" + std::to_string(first->second.line) + ")"};
      }
      gen::Result<std::string> bytes = EncodeText(text, source.file, encoder);
      if (!bytes.HasValue()) return bytes.GetError();
      segment.items.emplace_back(TextItem{text.name, std::move(bytes.Value())});
    }
  }
  return segment;
}

}  // namespace constgen
