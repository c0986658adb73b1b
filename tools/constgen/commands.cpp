#include "commands.h"

#include <cstdint>
#include <filesystem>
#include <limits>
#include <type_traits>
#include <variant>

#include "common/file_io.h"
#include "declaration_writer.h"
#include "gbk_encoding.h"
#include "payload_list.h"
#include "segment_builder.h"
#include "segment_writer.h"
#include "texts_parser.h"

namespace constgen {
namespace {

gen::Result<std::vector<TextDefinition>> ReadTexts(const std::string& path) {
  const gen::Result<std::string> content = gen::ReadFile(path);
  if (!content.HasValue()) return content.GetError();
  return ParseTexts(content.Value(), path);
}

}  // namespace

gen::Status RunDeclare(const DeclareCommand& command) {
  const gen::Result<std::vector<TextDefinition>> texts = ReadTexts(command.source);
  if (!texts.HasValue()) return texts.GetError();
  const std::string sourceName = std::filesystem::path(command.source).filename().string();
  return gen::WriteFileIfChanged(command.header, RenderDeclarations(texts.Value(), sourceName));
}

gen::Status RunSegment(const SegmentCommand& command) {
  std::vector<SourceTexts> sources;
  for (const std::string& path : command.sources) {
    gen::Result<std::vector<TextDefinition>> texts = ReadTexts(path);
    if (!texts.HasValue()) return texts.GetError();
    sources.push_back(SourceTexts{path, std::move(texts.Value())});
  }
  gen::Result<GbkEncoder> encoder = GbkEncoder::Open();
  if (!encoder.HasValue()) return encoder.GetError();
  gen::Result<Segment> segment = BuildTextSegment(sources, encoder.Value());
  if (!segment.HasValue()) return segment.GetError();
  if (!command.payload.empty()) {
    const gen::Result<std::string> list = gen::ReadFile(command.payload);
    if (!list.HasValue()) return list.GetError();
    const gen::Result<std::vector<PayloadLine>> lines = ParsePayloadList(list.Value(), command.payload);
    if (!lines.HasValue()) return lines.GetError();
    const gen::Status appended =
        AppendPayload(segment.Value(), lines.Value(), command.payload, encoder.Value());
    if (!appended.HasValue()) return appended;
  }
  const std::uint64_t length = SegmentLength(segment.Value());
  if (length > std::numeric_limits<std::uint32_t>::max()) {
    return gen::Error{command.assembly, 0, "the constant segment is larger than 4 GiB"};
  }
  const std::string assembly = RenderAssembly(segment.Value(), command.format);
  const std::string layout = RenderLayout(static_cast<std::uint32_t>(length));
  const gen::Status written = gen::WriteFileIfChanged(command.assembly, assembly);
  if (!written.HasValue()) return written;
  return gen::WriteFileIfChanged(command.layout, layout);
}

int Run(const std::vector<std::string>& arguments, std::ostream& errors) {
  const gen::Result<Command> command = ParseCommandLine(arguments);
  if (!command.HasValue()) {
    errors << command.GetError().Describe() << '\n';
    return 2;
  }
  const gen::Status status = std::visit(
      [](const auto& chosen) {
        if constexpr (std::is_same_v<std::decay_t<decltype(chosen)>, DeclareCommand>) {
          return RunDeclare(chosen);
        } else {
          return RunSegment(chosen);
        }
      },
      command.Value());
  if (!status.HasValue()) {
    errors << status.GetError().Describe() << '\n';
    return 1;
  }
  return 0;
}

}  // namespace constgen
