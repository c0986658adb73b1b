#pragma once

// Writing GNU assembler sources: global labels, sections, rows of bytes and files the assembler
// reads in itself. The same calls always give the same text.

#include <cstdint>
#include <string>
#include <string_view>

namespace gen {

enum class AsmFormat {
  Coff,  // i686 Windows: C symbols take a leading underscore
  Elf,   // x86-64 Linux (host tests): no prefix, a non-executable stack note at the end
};

class AssemblyWriter {
 public:
  // Starts the source with `heading` as a comment line.
  AssemblyWriter(AsmFormat format, std::string_view heading);

  // One line of its own: a directive or an instruction, indented.
  void Line(std::string_view line);
  // The read-only data section: .rdata for Windows, .rodata for Linux.
  void ReadOnlySection();
  // `name` as a global label (the C symbol of the format) at this point.
  void Label(std::string_view name);
  // `name` as the format spells the C symbol.
  std::string Symbol(std::string_view name) const;
  // The bytes as .byte rows of 16.
  void Bytes(std::string_view bytes);
  void Long(std::uint32_t value);
  // The first `length` bytes of `file`, read by the assembler.
  void IncludeBinary(std::string_view file, std::uint64_t length);

  // The whole source, closed as the format needs.
  std::string Finish();

 private:
  AsmFormat m_format;
  std::string m_text;
};

}  // namespace gen
