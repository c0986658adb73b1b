#pragma once

// Reading inputs and writing outputs, with errors as values.

#include <string>
#include <string_view>

#include "result.h"

namespace constgen {

Result<std::string> read_file(const std::string& path);

// Writes `content` to `path` unless the file already holds exactly that (so that an unchanged
// output keeps its time stamp). Writes a temporary file beside it and renames it into place:
// readers never see a partial file. Creates the parent folder when missing.
Status write_file_if_changed(const std::string& path, std::string_view content);

}  // namespace constgen
