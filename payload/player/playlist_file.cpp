#include "playlist_file.h"

#include <windows.h>

#include <string_view>

#include "base/character_walk.h"
#include "player_texts.h"
#include "runtime/text_boundary.h"
#include "runtime/unique_handle.h"

namespace vorlane {
namespace {

// The file holds a few hundred bytes; anything beyond this is not the player's file.
constexpr LONGLONG kLargestConfigFile = 1024 * 1024;

// Blanks and line ends: bytes that never occur inside a character of two or four bytes, so a
// line can be trimmed byte by byte. So can it be cut at '=' (0x3D).
constexpr std::string_view kBlanks = " \t\r";

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Section and key names compare ignoring the case of ASCII letters, and only of characters that
// are letters of their own, never of a byte inside a longer character.
bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t at = 0; at < a.size();) {
    const std::size_t length = vl::CharacterLength(a, at);
    if (length == 1 ? AsciiLower(a[at]) != AsciiLower(b[at]) : a.substr(at, length) != b.substr(at, length)) {
      return false;
    }
    at += length;
  }
  return true;
}

// The lines of the file's first section called `name`, each trimmed; blank lines and comments
// (";...") left out.
std::vector<std::string_view> SectionLines(std::string_view file, std::string_view name) {
  std::vector<std::string_view> lines;
  bool inside = false;
  while (!file.empty()) {
    const std::size_t end = file.find('\n');
    const std::string_view line = Trimmed(file.substr(0, end));
    file.remove_prefix(end == std::string_view::npos ? file.size() : end + 1);
    if (line.starts_with('[')) {
      if (inside) break;
      // The name ends at the line's last ']' that is a character of its own.
      std::size_t close = std::string_view::npos;
      for (std::size_t at = 1; at < line.size(); at += vl::CharacterLength(line, at)) {
        if (line[at] == ']') close = at;
      }
      inside = close != std::string_view::npos && SameKey(Trimmed(line.substr(1, close - 1)), name);
    } else if (inside && !line.empty() && !line.starts_with(';')) {
      lines.push_back(line);
    }
  }
  return lines;
}

// A number as the profile reader reads one: an optional sign, then decimal digits up to the
// first other character; 0 when there are none.
int ReadNumber(std::string_view text) {
  const bool negative = text.starts_with('-');
  if (negative || text.starts_with('+')) text.remove_prefix(1);
  long long value = 0;
  for (std::size_t i = 0; i < text.size() && text[i] >= '0' && text[i] <= '9' && value <= 0x7FFFFFFF; ++i) {
    value = value * 10 + (text[i] - '0');
  }
  if (value > 0x7FFFFFFF) value = 0x7FFFFFFF;
  return static_cast<int>(negative ? -value : value);
}

// The configuration file's bytes, read as they are: its texts are GBK whatever the system's code
// page. Empty when it cannot be read.
std::string ReadConfigFile(const std::string& path) {
  const vl::WideText widePath(path);
  if (!widePath.Valid()) return {};
  const vl::UniqueFile file(CreateFileW(widePath.Get(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart > kLargestConfigFile) return {};
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) return {};
  bytes.resize(read);
  return bytes;
}

// The offset just after the last backslash that is a character of its own.
std::size_t AfterLastBackslash(const std::string& path) {
  std::size_t after = 0;
  for (std::size_t at = 0; at < path.size(); at += vl::CharacterLength(path, at)) {
    if (path[at] == '\\') after = at + 1;
  }
  return after;
}

}  // namespace

std::string ConfigPathBeside(const std::string& programPath) {
  return programPath.substr(0, AfterLastBackslash(programPath)) + kConfigFile;
}

Track ParseTrack(const std::string& number, const std::string& value) {
  std::string fields[5];
  std::size_t field = 0;
  for (std::size_t at = 0; at < value.size();) {
    const std::size_t length = vl::CharacterLength(value, at);
    if (length == 1 && value[at] == '|' && field < 4) {
      ++field;
    } else {
      fields[field].append(value, at, length);
    }
    at += length;
  }
  return Track{number, fields[0], fields[1], fields[2], fields[3], fields[4]};
}

std::string DescribeTrack(const Track& track) {
  std::string text = track.number + ". " + track.artist + " - " + track.title;
  if (!track.duration.empty()) text += " (" + track.duration + ")";
  return text;
}

Playlist ReadPlaylist(const std::string& configPath) {
  Playlist playlist;
  const std::string file = ReadConfigFile(configPath);
  for (const std::string_view line : SectionLines(file, kPlaylistSection)) {
    const std::size_t equals = line.find('=');
    const std::string_view number = Trimmed(line.substr(0, equals));
    if (equals == std::string_view::npos || number.empty()) continue;
    playlist.tracks.push_back(ParseTrack(std::string(number), std::string(Trimmed(line.substr(equals + 1)))));
  }
  for (const std::string_view line : SectionLines(file, kSettingsSection)) {
    const std::size_t equals = line.find('=');
    if (equals != std::string_view::npos && SameKey(Trimmed(line.substr(0, equals)), kLastPositionKey)) {
      playlist.lastPosition = ReadNumber(Trimmed(line.substr(equals + 1)));
      break;
    }
  }
  return playlist;
}

}  // namespace vorlane
