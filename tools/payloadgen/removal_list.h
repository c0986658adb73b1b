#pragma once

// What the uninstaller needs to know of the catalogue: every file the installation writes and
// every folder it creates, without the contents (the uninstaller is itself one of them). Two
// generated files: a texts.txt source of the uninstaller's constant segment (the target paths
// and folder texts, UTF-8 there, GBK in the segment) and a C++ header naming them in order.

#include <string>

#include "catalogue.h"

namespace payloadgen {

struct RemovalList {
  std::string texts;
  std::string header;
};

// `catalogueName` (a file name only) appears in the generated files. Cannot fail: the catalogue
// has been checked by ParseCatalogue.
RemovalList RenderRemovalList(const Catalogue& catalogue, const std::string& catalogueName);

// The label names, with the entry or folder number in two digits.
std::string InstalledFileLabel(int ordinal);
std::string InstalledFolderLabel(int number);

}  // namespace payloadgen
