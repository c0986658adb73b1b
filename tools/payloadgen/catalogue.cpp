#include "catalogue.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>

#include "common/lines.h"

namespace payloadgen {
namespace {

const std::map<std::string, ContentKind, std::less<>> kKindNames = {
    {"exe", ContentKind::Exe},       {"dll", ContentKind::Dll},   {"text", ContentKind::Text},
    {"module", ContentKind::Module}, {"gif", ContentKind::Gif},   {"jfif", ContentKind::Jfif},
    {"exif", ContentKind::Exif},     {"jet4", ContentKind::Jet4}, {"same", ContentKind::Same},
};

std::vector<std::string> SplitFields(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    std::size_t end = at;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    if (end > at) fields.emplace_back(line.substr(at, end - at));
    at = end;
  }
  return fields;
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end && !text.empty();
}

// The folder part of a target path: without the leading backslash and the file name.
std::string FolderOf(const std::string& targetPath) {
  const std::size_t last = targetPath.rfind('\\');
  if (last == std::string::npos || last == 0) return {};
  return targetPath.substr(1, last - 1);
}

class CatalogueParser {
 public:
  explicit CatalogueParser(const std::string& file) : m_file(file) {}

  Result<Catalogue> Parse(std::string_view text) {
    int lineNumber = 0;
    for (const std::string_view line : gen::SplitLines(text)) {
      ++lineNumber;
      const std::vector<std::string> fields = SplitFields(line);
      if (fields.empty() || fields[0].starts_with('#')) continue;
      const std::string problem = ParseLine(fields, lineNumber);
      if (!problem.empty()) return Error{m_file, lineNumber, problem};
    }
    if (const std::string problem = CheckWhole(); !problem.empty()) {
      return Error{m_file, m_markLine, problem};
    }
    return std::move(m_catalogue);
  }

 private:
  std::string ParseLine(const std::vector<std::string>& fields, int line) {
    if (fields[0] == "folder") {
      const bool userWritable = fields.size() == 3 && fields[2] == "user-writable";
      if (fields.size() != 2 && !userWritable) {
        return "a folder line holds one folder text, then optionally user-writable";
      }
      if (fields[1].starts_with('\\') || fields[1].ends_with('\\')) {
        return "a folder text has no leading or trailing backslash";
      }
      if (userWritable) m_catalogue.userWritableFolders.push_back(m_catalogue.folders.size());
      m_catalogue.folders.push_back(fields[1]);
      return {};
    }
    if (fields[0] == "entry") return ParseEntry(fields, line);
    if (fields[0] == "marked") {
      if (m_markLine != 0) return "the mark order is given twice";
      m_markLine = line;
      for (std::size_t i = 1; i < fields.size(); ++i) {
        int ordinal = 0;
        if (!ParseNumber(fields[i], ordinal)) return "'" + fields[i] + "' is not an entry number";
        m_catalogue.markOrder.push_back(ordinal);
      }
      return {};
    }
    return "unknown line kind '" + fields[0] + "' (folder, entry or marked)";
  }

  std::string ParseEntry(const std::vector<std::string>& fields, int line) {
    if (fields.size() != 7) return "an entry line is: entry <no> <size> <mark> <kind> <source> <path>";
    CatalogueEntry entry;
    entry.line = line;
    if (!ParseNumber(fields[1], entry.ordinal)) return "'" + fields[1] + "' is not an entry number";
    const int expected = static_cast<int>(m_catalogue.entries.size()) + 1;
    if (entry.ordinal != expected) return "entry " + std::to_string(expected) + " comes next";
    if (!ParseNumber(fields[2], entry.size) || entry.size > 0x7FFFFFFF) {
      return "'" + fields[2] + "' is not a size";
    }
    if (fields[3] != "HS" && fields[3] != "-") return "the mark is HS or -";
    entry.marked = fields[3] == "HS";
    const auto kind = kKindNames.find(fields[4]);
    if (kind == kKindNames.end()) return "unknown content kind '" + fields[4] + "'";
    entry.kind = kind->second;
    entry.source = fields[5];
    entry.targetPath = fields[6];
    if (!entry.targetPath.starts_with('\\')) return "a target path starts with a backslash";
    const std::string folder = FolderOf(entry.targetPath);
    if (std::find(m_catalogue.folders.begin(), m_catalogue.folders.end(), folder) ==
        m_catalogue.folders.end()) {
      return "the folder of " + entry.targetPath + " is not created before it";
    }
    for (const std::size_t index : m_catalogue.userWritableFolders) {
      const std::string& open = m_catalogue.folders[index];
      if (folder == open || folder.starts_with(open + "\\")) {
        return entry.targetPath + " would lie in the user-writable folder " + open;
      }
    }
    if (entry.kind == ContentKind::Same) {
      int owner = 0;
      if (!ParseNumber(entry.source, owner) || owner < 1 || owner >= entry.ordinal) {
        return "a shared content names an earlier entry";
      }
      const CatalogueEntry& shared = m_catalogue.entries[static_cast<std::size_t>(owner - 1)];
      if (!StoresContent(shared)) return "a shared content names an entry that stores its own";
      if (shared.size != entry.size) return "a shared content has the size of its entry";
    }
    m_catalogue.entries.push_back(std::move(entry));
    return {};
  }

  std::string CheckWhole() const {
    if (m_catalogue.entries.empty()) return "the catalogue has no entries";
    std::set<int> seen;
    for (const int ordinal : m_catalogue.markOrder) {
      if (ordinal < 1 || ordinal > static_cast<int>(m_catalogue.entries.size())) {
        return "the mark order names entry " + std::to_string(ordinal) + ", which does not exist";
      }
      if (!m_catalogue.entries[static_cast<std::size_t>(ordinal - 1)].marked) {
        return "the mark order names entry " + std::to_string(ordinal) + ", which is not marked";
      }
      if (!seen.insert(ordinal).second) {
        return "the mark order names entry " + std::to_string(ordinal) + " twice";
      }
    }
    for (const CatalogueEntry& entry : m_catalogue.entries) {
      if (entry.marked && !seen.contains(entry.ordinal)) {
        return "the mark order leaves out entry " + std::to_string(entry.ordinal);
      }
    }
    return {};
  }

  std::string m_file;
  Catalogue m_catalogue;
  int m_markLine = 0;
};

}  // namespace

Result<Catalogue> ParseCatalogue(std::string_view text, const std::string& file) {
  return CatalogueParser(file).Parse(text);
}

Result<PictureSource> ParsePictureSource(const std::string& source, const std::string& file,
                                         int line) {
  const std::size_t times = source.find('x');
  const std::size_t colon = source.find(':');
  PictureSource picture;
  if (times == std::string::npos || colon == std::string::npos || colon < times ||
      !ParseNumber(std::string_view(source).substr(0, times), picture.width) ||
      !ParseNumber(std::string_view(source).substr(times + 1, colon - times - 1), picture.height) ||
      picture.width < 1 || picture.height < 1 || picture.width > 4096 || picture.height > 4096 ||
      colon + 1 == source.size()) {
    return Error{file, line, "a picture is <width>x<height>:<artist>, not '" + source + "'"};
  }
  picture.artist = source.substr(colon + 1);
  return picture;
}

const CatalogueEntry& ContentOwner(const Catalogue& catalogue, const CatalogueEntry& entry) {
  if (StoresContent(entry)) return entry;
  return catalogue.entries[static_cast<std::size_t>(std::stoi(entry.source) - 1)];
}

}  // namespace payloadgen
