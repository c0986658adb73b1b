#pragma once

// The payload catalogue as read from payload/catalogue.txt: the carried files in write order,
// the folders in creation order and the order in which the marked files are hidden.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"

namespace payloadgen {

using gen::Error;
using gen::Result;

enum class ContentKind { Exe, Dll, Text, Module, Gif, Jfif, Exif, Jet4, Same };

struct CatalogueEntry {
  int ordinal = 0;
  std::uint32_t size = 0;
  bool marked = false;  // hidden and system after writing
  ContentKind kind = ContentKind::Text;
  std::string source;      // what the content is made from; its meaning depends on the kind
  std::string targetPath;  // UTF-8, relative to the install root, starts with a backslash
  int line = 0;
};

struct Catalogue {
  std::vector<std::string> folders;  // UTF-8, in creation order
  // The folders that hold the user's own data (indexes into `folders`): every user may change
  // what is in them, and they hold no carried file.
  std::vector<std::size_t> userWritableFolders;
  std::vector<CatalogueEntry> entries;
  std::vector<int> markOrder;  // ordinals
};

// A picture source "<width>x<height>:<artist>".
struct PictureSource {
  int width = 0;
  int height = 0;
  std::string artist;
};

// Parses and checks a whole catalogue: ordinals 1..n in order, every target path inside a
// listed folder, every "same" entry naming an earlier stored entry of equal size, the mark
// order naming each marked entry exactly once. Errors name `file` and the line.
Result<Catalogue> ParseCatalogue(std::string_view text, const std::string& file);

// Fails (naming `file` and `line`) on anything but "<width>x<height>:<artist>".
Result<PictureSource> ParsePictureSource(const std::string& source, const std::string& file,
                                         int line);

// Whether the entry's content is stored under its own label (not shared with an earlier one).
inline bool StoresContent(const CatalogueEntry& entry) { return entry.kind != ContentKind::Same; }

// Whether the content is a Windows image built by the cross compiler.
inline bool IsImage(const CatalogueEntry& entry) {
  return entry.kind == ContentKind::Exe || entry.kind == ContentKind::Dll;
}

// The entry a "same" entry shares its content with (the entry itself otherwise).
const CatalogueEntry& ContentOwner(const Catalogue& catalogue, const CatalogueEntry& entry);

}  // namespace payloadgen
