#include "commands.h"

#include <cstdint>
#include <filesystem>
#include <limits>
#include <type_traits>
#include <variant>

#include "declaration_writer.h"
#include "common/file_io.h"
#include "gbk_encoding.h"
#include "payload_list.h"
#include "segment_builder.h"
#include "segment_writer.h"
#include "texts_parser.h"

namespace constgen {
namespace {

gen::Result<std::vector<TextDefinition>> read_texts(const std::string& path) {
  const gen::Result<std::string> content = gen::ReadFile(path);
  if (!content.ok()) return content.error();
  return parse_texts(content.value(), path);
}

}  // namespace

gen::Status run_declare(const DeclareCommand& command) {
  const gen::Result<std::vector<TextDefinition>> texts = read_texts(command.source);
  if (!texts.ok()) return texts.error();
  const std::string source_name = std::filesystem::path(command.source).filename().string();
  return gen::WriteFileIfChanged(command.header, render_declarations(texts.value(), source_name));
}

gen::Status run_segment(const SegmentCommand& command) {
  std::vector<SourceTexts> sources;
  for (const std::string& path : command.sources) {
    gen::Result<std::vector<TextDefinition>> texts = read_texts(path);
    if (!texts.ok()) return texts.error();
    sources.push_back(SourceTexts{path, std::move(texts.value())});
  }
  gen::Result<GbkEncoder> encoder = GbkEncoder::open();
  if (!encoder.ok()) return encoder.error();
  gen::Result<Segment> segment = build_text_segment(sources, encoder.value());
  if (!segment.ok()) return segment.error();
  if (!command.payload.empty()) {
    const gen::Result<std::string> list = gen::ReadFile(command.payload);
    if (!list.ok()) return list.error();
    const gen::Result<std::vector<PayloadLine>> lines = parse_payload_list(list.value(), command.payload);
    if (!lines.ok()) return lines.error();
    const gen::Status appended =
        append_payload(segment.value(), lines.value(), command.payload, encoder.value());
    if (!appended.ok()) return appended;
  }
  const std::uint64_t length = segment_length(segment.value());
  if (length > std::numeric_limits<std::uint32_t>::max()) {
    return gen::Error{command.assembly, 0, "the constant segment is larger than 4 GiB"};
  }
  const std::string assembly = render_assembly(segment.value(), command.format);
  const std::string layout = render_layout(static_cast<std::uint32_t>(length));
  const gen::Status written = gen::WriteFileIfChanged(command.assembly, assembly);
  if (!written.ok()) return written;
  return gen::WriteFileIfChanged(command.layout, layout);
}

int run(const std::vector<std::string>& arguments, std::ostream& errors) {
  const gen::Result<Command> command = parse_command_line(arguments);
  if (!command.ok()) {
    errors << command.error().describe() << '\n';
    return 2;
  }
  const gen::Status status = std::visit(
      [](const auto& chosen) {
        if constexpr (std::is_same_v<std::decay_t<decltype(chosen)>, DeclareCommand>) {
          return run_declare(chosen);
        } else {
          return run_segment(chosen);
        }
      },
      command.value());
  if (!status.ok()) {
    errors << status.error().describe() << '\n';
    return 1;
  }
  return 0;
}

}  // namespace constgen
