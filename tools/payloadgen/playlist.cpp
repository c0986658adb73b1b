#include "playlist.h"

#include <charconv>

#include "common/lines.h"

namespace payloadgen {

gen::Result<std::vector<Track>> ParsePlaylist(std::string_view text,
                                              const std::string& file) {
  std::vector<Track> tracks;
  bool inPlaylist = false;
  bool found = false;
  int lineNumber = 0;
  for (const std::string_view line : gen::SplitLines(text)) {
    ++lineNumber;
    if (line.empty()) continue;
    if (line.front() == '[') {
      inPlaylist = line == "[播放列表]";
      found = found || inPlaylist;
      continue;
    }
    if (!inPlaylist) continue;
    const std::size_t equals = line.find('=');
    Track track;
    const std::string_view number = line.substr(0, equals);
    const auto [stop, error] =
        std::from_chars(number.data(), number.data() + number.size(), track.number);
    if (equals == std::string_view::npos || error != std::errc() ||
        stop != number.data() + number.size() || track.number < 1) {
      return gen::Error{file, lineNumber, "a playlist line starts with its number and '='"};
    }
    std::vector<std::string> fields;
    std::string_view rest = line.substr(equals + 1);
    for (;;) {
      const std::size_t bar = rest.find('|');
      fields.emplace_back(rest.substr(0, bar));
      if (bar == std::string_view::npos) break;
      rest.remove_prefix(bar + 1);
    }
    if (fields.size() != 5) {
      return gen::Error{file, lineNumber,
                        "a track is <artist>|<title>|<album>|<duration>|<file>"};
    }
    track.artist = fields[0];
    track.title = fields[1];
    track.album = fields[2];
    track.duration = fields[3];
    track.file = fields[4];
    tracks.push_back(std::move(track));
  }
  if (!found || tracks.empty()) return gen::Error{file, 0, "no tracks in [播放列表]"};
  return tracks;
}

}  // namespace payloadgen
