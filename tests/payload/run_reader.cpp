#include "run_reader.h"

#include <iconv.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace payloadtest {

std::uint16_t U16(std::string_view bytes, std::size_t at) {
  if (at > bytes.size() || bytes.size() - at < 2) return 0;
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at]) |
                                    static_cast<std::uint8_t>(bytes[at + 1]) << 8);
}

std::uint32_t U32(std::string_view bytes, std::size_t at) {
  if (at > bytes.size() || bytes.size() - at < 4) return 0;
  return U16(bytes, at) | static_cast<std::uint32_t>(U16(bytes, at + 2)) << 16;
}

std::uint32_t Crc32(std::string_view bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= static_cast<std::uint8_t>(c);
    for (int bit = 0; bit < 8; ++bit) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return ~crc;
}

std::string ReadRun(std::string_view run, const std::vector<bool>& sharesContent,
                    std::vector<RunEntry>& entries) {
  std::size_t at = 0;
  for (std::size_t i = 0; i < sharesContent.size(); ++i) {
    const std::string where = "entry " + std::to_string(i + 1) + " at " + std::to_string(at);
    const std::size_t nul = run.find('\0', at);
    if (nul == std::string_view::npos) return where + ": the path has no NUL";
    RunEntry entry{std::string(run.substr(at, nul - at)), {}};
    at = nul + 1;
    if (!sharesContent[i]) {
      if (run.size() - at < 8) return where + ": the byte set header is cut short";
      if (U32(run, at) != 1) return where + ": the byte set does not start with 1";
      const std::uint32_t length = U32(run, at + 4);
      at += 8;
      if (length > 0x7FFFFFFF || run.size() - at < length) return where + ": the bytes are cut short";
      entry.content = run.substr(at, length);
      at += length;
    }
    entries.push_back(std::move(entry));
  }
  if (at != run.size()) return std::to_string(run.size() - at) + " bytes after the last entry";
  return "";
}

PeFacts ReadPe(std::string_view bytes, std::size_t at) {
  PeFacts facts;
  if (at > bytes.size()) return facts;
  const std::string_view image = bytes.substr(at);
  if (image.size() < 64 || !image.starts_with("MZ")) return facts;
  const std::uint32_t pe = U32(image, 60);
  if (pe > image.size() || image.size() - pe < 24 + 96 + 16 ||
      image.substr(pe, 4) != std::string_view("PE\0\0", 4)) {
    return facts;
  }
  facts.machine = U16(image, pe + 4);
  const std::uint16_t sections = U16(image, pe + 6);
  const std::uint16_t optionalSize = U16(image, pe + 20);
  facts.characteristics = U16(image, pe + 22);
  const std::size_t optional = pe + 24;
  if (U16(image, optional) != 0x010B) return facts;
  const std::uint32_t sectionAlignment = U32(image, optional + 32);
  facts.sizeOfImage = U32(image, optional + 56);
  facts.subsystem = U16(image, optional + 68);
  const std::uint32_t exportRva = U32(image, optional + 96);
  const std::size_t table = optional + optionalSize;
  if (sectionAlignment == 0 || table + sections * 40u > image.size()) return facts;
  auto fileOffset = [&](std::uint32_t rva) -> std::size_t {
    for (std::uint16_t s = 0; s < sections; ++s) {
      const std::size_t header = table + s * 40u;
      const std::uint32_t va = U32(image, header + 12);
      const std::uint32_t rawSize = U32(image, header + 16);
      if (rva >= va && rva - va < rawSize) return U32(image, header + 20) + (rva - va);
    }
    return std::string_view::npos;
  };
  for (std::uint16_t s = 0; s < sections; ++s) {
    const std::size_t header = table + s * 40u;
    const std::uint32_t virtualSize = U32(image, header + 8);
    const std::uint32_t va = U32(image, header + 12);
    const std::uint32_t rawSize = U32(image, header + 16);
    const std::uint32_t rawPointer = U32(image, header + 20);
    if (rawSize > 0) facts.endOfSections = std::max<std::uint64_t>(facts.endOfSections, std::uint64_t{rawPointer} + rawSize);
    const std::uint32_t span = std::max(virtualSize, rawSize);
    const std::uint32_t end = va + (span + sectionAlignment - 1) / sectionAlignment * sectionAlignment;
    facts.endOfVirtualImage = std::max(facts.endOfVirtualImage, end);
  }
  if (exportRva != 0) {
    const std::size_t directory = fileOffset(exportRva);
    if (directory != std::string_view::npos) {
      facts.exportedNames = U32(image, directory + 24);
      const std::size_t name = fileOffset(U32(image, directory + 12));
      if (name != std::string_view::npos && name < image.size()) {
        facts.exportName = std::string(image.substr(name, image.find('\0', name) - name));
      }
    }
  }
  facts.valid = true;
  return facts;
}

JpegFacts ReadJpegMarkers(std::string_view jpeg) {
  JpegFacts facts;
  if (!jpeg.starts_with("\xFF\xD8")) return facts;
  std::size_t at = 2;
  bool scan = false;
  while (at + 4 <= jpeg.size()) {
    if (static_cast<std::uint8_t>(jpeg[at]) != 0xFF) return facts;
    const auto marker = static_cast<std::uint8_t>(jpeg[at + 1]);
    const std::size_t length = static_cast<std::uint8_t>(jpeg[at + 2]) << 8 | static_cast<std::uint8_t>(jpeg[at + 3]);
    if (length < 2 || jpeg.size() - at - 2 < length) return facts;
    const std::string_view body = jpeg.substr(at + 4, length - 2);
    if (marker >= 0xE0 && marker <= 0xEF && facts.firstApp.empty()) {
      facts.firstApp = std::string(body.substr(0, 4));
    }
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      ++facts.frames;
      facts.baseline = marker == 0xC0;
      facts.height = static_cast<std::uint8_t>(body[1]) << 8 | static_cast<std::uint8_t>(body[2]);
      facts.width = static_cast<std::uint8_t>(body[3]) << 8 | static_cast<std::uint8_t>(body[4]);
      facts.components = static_cast<std::uint8_t>(body[5]);
    }
    at += 2 + length;
    if (marker == 0xDA) {
      scan = true;
      break;
    }
  }
  facts.wellFormed = scan && jpeg.ends_with("\xFF\xD9");
  return facts;
}

std::string Convert(std::string_view text, const char* from, const char* to) {
  iconv_t descriptor = iconv_open(to, from);
  if (descriptor == reinterpret_cast<iconv_t>(-1)) return {};
  std::string in(text);
  std::string out(in.size() * 4 + 4, '\0');
  char* inAt = in.data();
  std::size_t inLeft = in.size();
  char* outAt = out.data();
  std::size_t outLeft = out.size();
  const std::size_t done = iconv(descriptor, &inAt, &inLeft, &outAt, &outLeft);
  iconv_close(descriptor);
  if (done == static_cast<std::size_t>(-1) || inLeft != 0) return {};
  out.resize(out.size() - outLeft);
  return out;
}

std::string Command(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
    pclose(pipe);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

std::string WriteTemporary(std::string_view bytes, const std::string& name) {
  std::string folder = (std::filesystem::temp_directory_path() / "payload_test_XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) return {};
  const std::string path = folder + "/" + name;
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t end = text.find('\n', at);
    lines.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return lines;
}

}  // namespace payloadtest
