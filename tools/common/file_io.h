#pragma once

// Reading the generators' inputs and writing their outputs, with errors as values.

#include <string>
#include <string_view>

#include "common/result.h"

namespace gen {

Result<std::string> ReadFile(const std::string& path);

// Writes `content` to `path` unless the file already holds exactly that (so that an unchanged
// output keeps its time stamp). Writes a temporary file beside it and renames it into place:
// readers never see a partial file. Creates the parent folder when missing.
Status WriteFileIfChanged(const std::string& path, std::string_view content);

}  // namespace gen
