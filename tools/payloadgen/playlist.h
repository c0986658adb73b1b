#pragma once

// The player's playlist as its configuration file holds it: the section [播放列表] with numbered
// lines "<n>=<artist>|<title>|<album>|<duration>|<file>".

#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"

namespace payloadgen {

struct Track {
  int number = 0;
  std::string artist;  // the artist's folder name under tade
  std::string title;
  std::string album;
  std::string duration;  // m:ss
  std::string file;      // relative to the product folder
};

// The tracks of a UTF-8 configuration text, in file order. Fails (naming `file` and the line)
// when the section is missing or empty, or a line of it is not a numbered track with five
// fields.
gen::Result<std::vector<Track>> ParsePlaylist(std::string_view text, const std::string& file);

}  // namespace payloadgen
