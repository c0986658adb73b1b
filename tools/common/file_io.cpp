#include "common/file_io.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace gen {
namespace {

Error IoError(const std::string& path, const std::string& what, int errorNumber) {
  return Error{path, 0, what + ": " + std::strerror(errorNumber)};
}

}  // namespace

Result<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return IoError(path, "cannot open", errno);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return IoError(path, "cannot read", errno);
  return content;
}

Status WriteFileIfChanged(const std::string& path, std::string_view content) {
  std::error_code error;
  const bool replacing = std::filesystem::is_regular_file(path, error);
  if (replacing) {
    const Result<std::string> existing = ReadFile(path);
    if (existing.HasValue() && existing.Value() == content) return Done{};
  }
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) {
    std::filesystem::create_directories(parent, error);
    if (error) return Error{path, 0, "cannot create its folder: " + error.message()};
  }
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return IoError(temporary, "cannot create", errno);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out) {
      const int writeError = errno;
      std::filesystem::remove(temporary, error);
      return IoError(temporary, "cannot write", writeError);
    }
  }
  // A file rewritten in place (a linked program patched after its link) keeps its permissions.
  if (replacing) std::filesystem::permissions(temporary, std::filesystem::status(path).permissions(), error);
  std::filesystem::rename(temporary, path, error);
  if (error) {
    const std::string message = "cannot replace it: " + error.message();
    std::filesystem::remove(temporary, error);
    return Error{path, 0, message};
  }
  return Done{};
}

}  // namespace gen
