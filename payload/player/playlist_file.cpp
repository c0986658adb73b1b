#include "playlist_file.h"

#include <windows.h>

#include <cstdlib>

#include "player_texts.h"

namespace vorlane {
namespace {

// The largest section the player reads; the file holds a few hundred bytes.
constexpr DWORD kSectionBufferSize = 64 * 1024;

// The offset just after the last backslash, stepping over double-byte characters, whose second
// byte may be 0x5C.
std::size_t AfterLastBackslash(const std::string& path) {
  std::size_t after = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
      ++i;
      continue;
    }
    if (path[i] == '\\') after = i + 1;
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
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < value.size()) {
      fields[field] += c;
      fields[field] += value[++i];
      continue;
    }
    if (c == '|' && field < 4) {
      ++field;
      continue;
    }
    fields[field] += c;
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
  std::string buffer(kSectionBufferSize, '\0');
  const DWORD length = GetPrivateProfileSectionA(kPlaylistSection, buffer.data(),
                                                 kSectionBufferSize, configPath.c_str());
  // The section comes back as "key=value" strings, each ended by a zero byte.
  std::size_t at = 0;
  while (at < length) {
    const std::string line(buffer.c_str() + at);
    at += line.size() + 1;
    const std::size_t equals = line.find('=');
    if (line.empty() || equals == std::string::npos || equals == 0) continue;
    playlist.tracks.push_back(ParseTrack(line.substr(0, equals), line.substr(equals + 1)));
  }
  playlist.lastPosition = static_cast<int>(
      GetPrivateProfileIntA(kSettingsSection, kLastPositionKey, 0, configPath.c_str()));
  return playlist;
}

}  // namespace vorlane
