#pragma once

// The player's database: a Jet 4 file of 65 pages of 4096 bytes with the system catalogue and
// one user table, "Playlist", holding the tracks.
//
//   page 0  database header        page 4  catalogue rows
//   page 1  global usage map       page 5  table definition of Playlist
//   page 2  catalogue definition   page 6  the Playlist rows
//   page 3  usage maps             pages 7 to 64 unused

#include <cstdint>
#include <string>
#include <vector>

#include "common/result.h"
#include "playlist.h"

namespace payloadgen {

inline constexpr std::uint32_t kJetPageSize = 4096;
inline constexpr std::uint32_t kJetPageCount = 65;

// The whole file (kJetPageCount pages). Fails when the rows do not fit on one data page or a
// text is longer than its column.
gen::Result<std::string> MakePlaylistDatabase(const std::vector<Track>& tracks,
                                              const std::string& file);

// A Jet 4 text value: "FF FE" and the Latin-1 bytes when every character is in U+0001..U+00FF
// and there are at least 3, otherwise UCS-2 little-endian. `utf8` must be valid UTF-8 of the
// basic plane.
std::string JetText(const std::string& utf8);

}  // namespace payloadgen
