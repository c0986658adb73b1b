#pragma once

// Making the carried contents that are not Windows images, each exactly its catalogue size.

#include <string>

#include "catalogue.h"
#include "gbk_encoding.h"
#include "text_content.h"

namespace payloadgen {

// Where the readable sources are.
struct ContentSources {
  std::string contentFolder;  // payload/content
  NamedTexts texts;           // payload/texts.txt, GBK
};

// The content of one stored entry that is not a Windows image. Fails when its source is
// unreadable or malformed, or when the content does not come out at exactly the entry's size
// (the message tells the size it has).
Result<std::string> MakeContent(const CatalogueEntry& entry, const ContentSources& sources,
                                constgen::GbkEncoder& encoder, const std::string& catalogueFile);

// The file name under which a stored entry's content is kept in the build: its two-digit
// number.
std::string ContentFileName(const CatalogueEntry& entry);

}  // namespace payloadgen
