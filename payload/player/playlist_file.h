#pragma once
// The playlist as the player's configuration file (tade\配置文件.ini beside the player) holds it:
// the section [播放列表] with lines "<n>=<artist>|<title>|<album>|<duration>|<file>", and the
// section [配置] with "最后位置=<n>", the track played last. All texts are GBK bytes, read as they
// are whatever the system's code page, and stay so inside the player.
#include <string>
#include <vector>

namespace vorlane {

struct Track {
  std::string number;
  std::string artist;
  std::string title;
  std::string album;
  std::string duration;
  std::string file;
};

struct Playlist {
  std::vector<Track> tracks;  // in file order
  int lastPosition = 0;       // 1-based; 0 when the file names none
};

// The configuration file's path: the folder of `programPath` and tade\配置文件.ini.
std::string ConfigPathBeside(const std::string& programPath);

// Reads the playlist as the system's profile reader would: names ignore the case of ASCII
// letters, blanks around names and values do not count, the first section of a name is the one
// read, comments (";...") are no lines. An unreadable file or a missing section gives an empty
// playlist, and a line that is not a track is left out.
Playlist ReadPlaylist(const std::string& configPath);

// Splits a track line's value at '|' without mistaking a byte inside a longer character for
// one. Fields beyond the fifth stay in the fifth; missing ones are empty.
Track ParseTrack(const std::string& number, const std::string& value);

// How the player lists a track: "1. brasto - 晨雾中的灯塔 (04:12)".
std::string DescribeTrack(const Track& track);

}  // namespace vorlane
