#include "segment_builder.h"

#include <cstdio>
#include <map>
#include <utility>

namespace constgen {
namespace {

std::string code_point_name(char32_t code_point) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(code_point));
  return buffer;
}

struct Place {
  std::string file;
  int line = 0;
};

}  // namespace

gen::Result<std::string> encode_text(const TextDefinition& text, const std::string& file,
                                     GbkEncoder& encoder) {
  std::string bytes;
  for (const TextChunk& chunk : text.chunks) {
    if (chunk.kind == TextChunk::Kind::raw) {
      bytes += chunk.bytes;
      continue;
    }
    gen::Result<std::string, EncodingFailure> gbk = encoder.encode(chunk.bytes);
    if (!gbk.ok()) {
      const EncodingFailure& failure = gbk.error();
      std::string message = "the text '" + text.name + "' holds ";
      if (failure.code_point == 0) {
        message += "bytes that are not valid UTF-8";
      } else {
        message += "the character '" + failure.character + "' (" +
                   code_point_name(failure.code_point) + "), which GBK cannot represent";
      }
      return gen::Error{file, text.line, std::move(message)};
    }
    bytes += gbk.value();
  }
  return bytes;
}

gen::Result<Segment> build_text_segment(const std::vector<SourceTexts>& sources, GbkEncoder& encoder) {
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
      gen::Result<std::string> bytes = encode_text(text, source.file, encoder);
      if (!bytes.ok()) return bytes.error();
      segment.items.emplace_back(TextItem{text.name, std::move(bytes.value())});
    }
  }
  return segment;
}

}  // namespace constgen
