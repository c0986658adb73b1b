// pagegen: turns the readable page source into the page-description segment in its stored
// format, and the routine list into the routine entries that the stored handlers point at.
//
//   pagegen --source <pages> --routines <list> --binary <out.bin>
//           [--asm <out.S> --layout <out.h> --format coff|elf] [--include-dir <dir>]...
//           [--depfile <out.d>]
//
// The segment is read back with the runtime's own validating reader before anything is written:
// a source that the program would refuse fails the build, naming the line of the faulty unit.
#include <iostream>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "page_source.h"
#include "pages/page_segment.h"
#include "segment_writer.h"

namespace {

struct Options {
  std::string source, routines, binary, assembly, layout, depfile;
  std::vector<std::string> includeDirs;
  gen::AsmFormat format = gen::AsmFormat::Coff;
};

bool ParseOptions(const std::vector<std::string>& args, Options& options) {
  for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
    const std::string& key = args[i];
    const std::string& value = args[i + 1];
    if (key == "--source") options.source = value;
    else if (key == "--routines") options.routines = value;
    else if (key == "--binary") options.binary = value;
    else if (key == "--asm") options.assembly = value;
    else if (key == "--layout") options.layout = value;
    else if (key == "--depfile") options.depfile = value;
    else if (key == "--include-dir") options.includeDirs.push_back(value);
    else if (key == "--format" && (value == "coff" || value == "elf")) {
      options.format = value == "coff" ? gen::AsmFormat::Coff : gen::AsmFormat::Elf;
    } else {
      return false;
    }
  }
  return args.size() % 2 == 0 && !options.source.empty() && !options.routines.empty() && !options.binary.empty();
}

int Failed(const gen::Error& error) {
  std::cerr << "pagegen: " << error.Describe() << "\n";
  return 1;
}

std::string DepfileEscape(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == ' ' || c == '#' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions({argv + 1, argv + argc}, options)) {
    std::cerr << "usage: pagegen --source <pages> --routines <list> --binary <out.bin> [--asm <out.S> --layout <out.h>"
                 " --format coff|elf] [--include-dir <dir>]... [--depfile <out.d>]\n";
    return 2;
  }
  const auto routineText = pagegen::ReadWholeFile(options.routines);
  if (!routineText) return Failed(routineText.GetError());
  const auto routines = pagegen::ParseRoutineList(options.routines, *routineText);
  if (!routines) return Failed(routines.GetError());
  const auto sourceText = pagegen::ReadWholeFile(options.source);
  if (!sourceText) return Failed(sourceText.GetError());
  const auto parsed = pagegen::ParsePageSource(options.source, *sourceText, *routines, options.includeDirs);
  if (!parsed) return Failed(parsed.GetError());
  const std::string segment = pagegen::BuildSegment(parsed->pages);
  if (const auto readable = pagegen::CheckReadable(options.source, parsed->pages, segment, routines->size()); !readable) {
    return Failed(readable.GetError());
  }
  // Each output keeps its time stamp when its content did not change.
  std::vector<std::pair<std::string, std::string>> outputs{{options.binary, segment}};
  if (!options.assembly.empty()) {
    outputs.emplace_back(options.assembly, pagegen::RenderAssembly(segment, *routines, options.format));
  }
  if (!options.layout.empty()) {
    outputs.emplace_back(options.layout,
                         pagegen::RenderLayout(static_cast<std::uint32_t>(segment.size()), *routines, parsed->pages));
  }
  if (!options.depfile.empty()) {
    std::string deps = DepfileEscape(options.binary) + ":";
    deps += " " + DepfileEscape(options.source) + " " + DepfileEscape(options.routines);
    for (const std::string& file : parsed->filesRead) deps += " " + DepfileEscape(file);
    outputs.emplace_back(options.depfile, deps + "\n");
  }
  for (const auto& [path, content] : outputs) {
    if (const gen::Status written = gen::WriteFileIfChanged(path, content); !written) return Failed(written.GetError());
  }
  return 0;
}
