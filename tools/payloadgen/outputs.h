#pragma once

// What the build makes from the catalogue once every content exists:
//   - the payload list, from which constgen lays out the payload run in the constant segment;
//   - the run itself as a file (the same bytes, for the tests that check it);
//   - the folder texts as a texts.txt source of the constant segment;
//   - the C++ declarations of every path, content and folder label, and the C++ source of the
//     catalogue's views, with the CRC-32C of each stored content.

#include <string>

#include "catalogue.h"
#include "gbk_encoding.h"

namespace payloadgen {

struct PayloadOutputs {
  std::string list;
  std::string run;
  std::string folderTexts;
  std::string declarations;
  std::string views;
};

// Reads each stored content from `contentsFolder` (under ContentFileName) and checks its size.
// `catalogueName` (a file name only) appears in the generated files. Fails on a missing or
// wrongly sized content and on a path or folder text GBK cannot represent.
Result<PayloadOutputs> AssemblePayload(const Catalogue& catalogue,
                                       const std::string& contentsFolder,
                                       const std::string& catalogueName,
                                       constgen::GbkEncoder& encoder);

// For the build's CMake code, which must know before anything is built which contents are
// images to link and pad and which are generated: a CMake script that sets
// VL_CATALOGUE_CONTENTS (each stored content's file name in the contents folder, in order) and,
// for each image among them, VL_CATALOGUE_ENTRY_<file> (its entry number), VL_CATALOGUE_KIND_<file>
// (exe or dll) and VL_CATALOGUE_SOURCE_<file> (what it is built from).
std::string RenderContentList(const Catalogue& catalogue, const std::string& catalogueName);

// The label names, with the entry or folder number in two digits.
std::string PathLabel(int ordinal);
std::string ContentLabel(int ordinal);
std::string FolderLabel(int number);

}  // namespace payloadgen
