#pragma once

// Splitting a readable source into its lines.

#include <string_view>
#include <vector>

namespace gen {

// The lines of `text`, each without its line break ('\n' or "\r\n"); a break at the very end
// starts no further line. Line n of the source is element n - 1.
inline std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

}  // namespace gen
