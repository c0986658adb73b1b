#pragma once

// Turns the parsed texts of one invocation's sources into the items of the constant segment.

#include <string>
#include <vector>

#include "common/result.h"
#include "gbk_encoding.h"
#include "segment_model.h"
#include "texts_parser.h"

namespace constgen {

// The texts of one texts.txt; `file` names it in errors.
struct SourceTexts {
  std::string file;
  std::vector<TextDefinition> texts;
};

// The GBK bytes of one text: its UTF-8 chunks converted, its raw chunks unchanged. Fails on a
// character that GBK cannot represent.
gen::Result<std::string> EncodeText(const TextDefinition& text, const std::string& file,
                                    GbkEncoder& encoder);

// One text item per text, sources in the given order, texts in source order. Fails on a name
// defined in two sources (or twice in one) and on text that has no GBK form.
gen::Result<Segment> BuildTextSegment(const std::vector<SourceTexts>& sources, GbkEncoder& encoder);

}  // namespace constgen
