// payloadgen: makes the installer's payload from the readable catalogue and sources in payload/.
//
//   payloadgen generate --catalogue <catalogue.txt> --content <folder> --texts <texts.txt>
//                       --out <folder>
//       writes every stored content that is not a Windows image, as <out>/<two-digit number>
//   payloadgen pad --catalogue <catalogue.txt> --entry <number> <image> <out>
//       writes the linked image padded inside itself to the entry's size
//   payloadgen align --section <name> <image> <out>
//       writes the linked image with that section's data on a page of the file, so that it is
//       mapped, not read, when the program starts
//   payloadgen assemble --catalogue <catalogue.txt> --contents <folder> --list <out>
//                       --run <out> --folders <out> --declarations <out> --views <out>
//       checks every stored content and writes the payload list for constgen, the run as a
//       file, the folder texts, the label declarations and the catalogue views
//   payloadgen contents --catalogue <catalogue.txt> --out <file.cmake>
//       writes, for the build's CMake code, which stored contents are images to link and pad
//       and which are generated
//   payloadgen removal --catalogue <catalogue.txt> --texts <out> --header <out>
//       writes what the uninstaller removes: the installed paths and folders as a texts.txt
//       source and the header that lists them
//
// Every command reads and checks all its inputs before it writes anything; errors go to stderr
// as "file:line: message" and the exit code is 1 (2 for a wrong command line).

#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "catalogue.h"
#include "common/file_io.h"
#include "contents.h"
#include "outputs.h"
#include "pe_padding.h"
#include "removal_list.h"

namespace payloadgen {
namespace {

using Options = std::map<std::string, std::string>;

constexpr const char* kUsage =
    "usage: payloadgen generate --catalogue <file> --content <folder> --texts <file> --out <folder>\n"
    "       payloadgen pad --catalogue <file> --entry <number> <image> <out>\n"
    "       payloadgen align --section <name> <image> <out>\n"
    "       payloadgen assemble --catalogue <file> --contents <folder> --list <out> --run <out>\n"
    "                           --folders <out> --declarations <out> --views <out>\n"
    "       payloadgen contents --catalogue <file> --out <file>\n"
    "       payloadgen removal --catalogue <file> --texts <out> --header <out>\n";

// "--name value" pairs and the remaining plain arguments.
bool SplitArguments(const std::vector<std::string>& arguments, Options& options,
                    std::vector<std::string>& plain) {
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (!arguments[i].starts_with("--")) {
      plain.push_back(arguments[i]);
      continue;
    }
    if (i + 1 >= arguments.size() || options.contains(arguments[i])) return false;
    options[arguments[i]] = arguments[i + 1];
    ++i;
  }
  return true;
}

bool Has(const Options& options, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (!options.contains(name)) return false;
  }
  return options.size() == names.size();
}

Result<Catalogue> LoadCatalogue(const std::string& path) {
  const Result<std::string> text = gen::ReadFile(path);
  if (!text.HasValue()) return text.GetError();
  return ParseCatalogue(text.Value(), path);
}

gen::Status Generate(const Options& options) {
  const std::string& catalogueFile = options.at("--catalogue");
  const Result<Catalogue> catalogue = LoadCatalogue(catalogueFile);
  if (!catalogue.HasValue()) return catalogue.GetError();
  Result<constgen::GbkEncoder> encoder = constgen::GbkEncoder::Open();
  if (!encoder.HasValue()) return encoder.GetError();
  Result<NamedTexts> texts = LoadNamedTexts(options.at("--texts"), encoder.Value());
  if (!texts.HasValue()) return texts.GetError();
  const ContentSources sources{options.at("--content"), std::move(texts.Value())};
  std::vector<std::pair<std::string, std::string>> files;
  for (const CatalogueEntry& entry : catalogue.Value().entries) {
    if (!StoresContent(entry) || IsImage(entry)) continue;
    Result<std::string> content = MakeContent(entry, sources, encoder.Value(), catalogueFile);
    if (!content.HasValue()) return content.GetError();
    files.emplace_back(options.at("--out") + "/" + ContentFileName(entry),
                       std::move(content.Value()));
  }
  for (const auto& [path, content] : files) {
    const gen::Status written = gen::WriteFileIfChanged(path, content);
    if (!written.HasValue()) return written;
  }
  return gen::Done{};
}

gen::Status Pad(const Options& options, const std::vector<std::string>& plain) {
  const Result<Catalogue> catalogue = LoadCatalogue(options.at("--catalogue"));
  if (!catalogue.HasValue()) return catalogue.GetError();
  const std::string& number = options.at("--entry");
  const CatalogueEntry* chosen = nullptr;
  for (const CatalogueEntry& entry : catalogue.Value().entries) {
    if (std::to_string(entry.ordinal) == number) chosen = &entry;
  }
  if (chosen == nullptr || !IsImage(*chosen)) {
    return Error{options.at("--catalogue"), 0, "entry " + number + " is not a Windows image"};
  }
  const Result<std::string> image = gen::ReadFile(plain[0]);
  if (!image.HasValue()) return image.GetError();
  const Result<std::string> padded = PadImage(image.Value(), chosen->size, ".pad", plain[0]);
  if (!padded.HasValue()) return padded.GetError();
  return gen::WriteFileIfChanged(plain[1], padded.Value());
}

gen::Status Align(const Options& options, const std::vector<std::string>& plain) {
  const Result<std::string> image = gen::ReadFile(plain[0]);
  if (!image.HasValue()) return image.GetError();
  const Result<std::string> aligned = AlignSectionToPage(image.Value(), options.at("--section"), plain[0]);
  if (!aligned.HasValue()) return aligned.GetError();
  return gen::WriteFileIfChanged(plain[1], aligned.Value());
}

gen::Status Assemble(const Options& options) {
  const std::string& catalogueFile = options.at("--catalogue");
  const Result<Catalogue> catalogue = LoadCatalogue(catalogueFile);
  if (!catalogue.HasValue()) return catalogue.GetError();
  Result<constgen::GbkEncoder> encoder = constgen::GbkEncoder::Open();
  if (!encoder.HasValue()) return encoder.GetError();
  const std::string name = std::filesystem::path(catalogueFile).filename().string();
  const Result<PayloadOutputs> outputs =
      AssemblePayload(catalogue.Value(), options.at("--contents"), name, encoder.Value());
  if (!outputs.HasValue()) return outputs.GetError();
  const PayloadOutputs& out = outputs.Value();
  for (const auto& [option, content] :
       {std::pair{"--list", &out.list}, std::pair{"--run", &out.run},
        std::pair{"--folders", &out.folderTexts}, std::pair{"--declarations", &out.declarations},
        std::pair{"--views", &out.views}}) {
    const gen::Status written = gen::WriteFileIfChanged(options.at(option), *content);
    if (!written.HasValue()) return written;
  }
  return gen::Done{};
}

gen::Status Contents(const Options& options) {
  const std::string& catalogueFile = options.at("--catalogue");
  const Result<Catalogue> catalogue = LoadCatalogue(catalogueFile);
  if (!catalogue.HasValue()) return catalogue.GetError();
  const std::string name = std::filesystem::path(catalogueFile).filename().string();
  return gen::WriteFileIfChanged(options.at("--out"), RenderContentList(catalogue.Value(), name));
}

gen::Status Removal(const Options& options) {
  const std::string& catalogueFile = options.at("--catalogue");
  const Result<Catalogue> catalogue = LoadCatalogue(catalogueFile);
  if (!catalogue.HasValue()) return catalogue.GetError();
  const std::string name = std::filesystem::path(catalogueFile).filename().string();
  const RemovalList list = RenderRemovalList(catalogue.Value(), name);
  const gen::Status texts = gen::WriteFileIfChanged(options.at("--texts"), list.texts);
  if (!texts.HasValue()) return texts;
  return gen::WriteFileIfChanged(options.at("--header"), list.header);
}

int Run(const std::vector<std::string>& arguments) {
  Options options;
  std::vector<std::string> plain;
  if (arguments.empty() || !SplitArguments(arguments, options, plain)) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string& command = arguments[0];
  gen::Status status = gen::Done{};
  if (command == "generate" && plain.empty() &&
      Has(options, {"--catalogue", "--content", "--texts", "--out"})) {
    status = Generate(options);
  } else if (command == "pad" && plain.size() == 2 && Has(options, {"--catalogue", "--entry"})) {
    status = Pad(options, plain);
  } else if (command == "align" && plain.size() == 2 && Has(options, {"--section"})) {
    status = Align(options, plain);
  } else if (command == "assemble" && plain.empty() &&
             Has(options, {"--catalogue", "--contents", "--list", "--run", "--folders",
                           "--declarations", "--views"})) {
    status = Assemble(options);
  } else if (command == "contents" && plain.empty() && Has(options, {"--catalogue", "--out"})) {
    status = Contents(options);
  } else if (command == "removal" && plain.empty() &&
             Has(options, {"--catalogue", "--texts", "--header"})) {
    status = Removal(options);
  } else {
    std::cerr << kUsage;
    return 2;
  }
  if (!status.HasValue()) {
    std::cerr << status.GetError().Describe() << '\n';
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace payloadgen

int main(int argc, char** argv) {
  return payloadgen::Run(std::vector<std::string>(argv + 1, argv + argc));
}
