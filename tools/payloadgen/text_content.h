#pragma once

// The carried text files: UTF-8 sources with LF line ends become GBK bytes with CRLF line ends.

#include <map>
#include <string>
#include <string_view>

#include "common/result.h"
#include "gbk_encoding.h"

namespace payloadgen {

// GBK texts by name (from a texts.txt), for the {kName} placeholders of the sources.
using NamedTexts = std::map<std::string, std::string, std::less<>>;

// The GBK bytes of a text file. Every LF (or CRLF) of `source` becomes CRLF, so a source that
// ends without a line end gives a file without one; "{kName}" is replaced by the GBK text of
// that name. Fails (naming `file`) on an unknown name, an unclosed brace, a lone CR, a byte
// order mark, or a character GBK cannot represent.
gen::Result<std::string> MakeTextContent(std::string_view source, const NamedTexts& texts,
                                         constgen::GbkEncoder& encoder,
                                         const std::string& file);

// Reads a texts.txt and encodes each of its texts to GBK.
gen::Result<NamedTexts> LoadNamedTexts(const std::string& path,
                                       constgen::GbkEncoder& encoder);

}  // namespace payloadgen
