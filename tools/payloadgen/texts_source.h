#pragma once
// Pieces of the readable sources payloadgen writes for the other generators: label names and
// quoted texts of a texts.txt file.
#include <cstdio>
#include <string>

namespace payloadgen {

// "<stem>NN": the label of the NNth entry or folder.
inline std::string NumberedLabel(const char* stem, int number) {
  char label[32];
  std::snprintf(label, sizeof label, "%s%02d", stem, number);
  return label;
}

// A texts.txt string: in quotation marks, backslashes and quotation marks escaped.
inline std::string QuotedText(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

}  // namespace payloadgen
