#include "common/assembly.h"

#include <cstddef>
#include <utility>

namespace gen {
namespace {

constexpr std::size_t kBytesPerLine = 16;

}  // namespace

AssemblyWriter::AssemblyWriter(AsmFormat format, std::string_view heading) : m_format(format) {
  m_text += "/* ";
  m_text += heading;
  m_text += " */\n";
}

void AssemblyWriter::Line(std::string_view line) {
  m_text += '\t';
  m_text += line;
  m_text += '\n';
}

void AssemblyWriter::ReadOnlySection() {
  Line(m_format == AsmFormat::Coff ? ".section .rdata,\"dr\"" : ".section .rodata");
}

std::string AssemblyWriter::Symbol(std::string_view name) const {
  return (m_format == AsmFormat::Coff ? "_" : "") + std::string(name);
}

void AssemblyWriter::Label(std::string_view name) {
  const std::string symbol = Symbol(name);
  Line(".globl " + symbol);
  m_text += symbol + ":\n";
}

void AssemblyWriter::Bytes(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    m_text += i % kBytesPerLine == 0 ? "\t.byte " : ",";
    const auto byte = static_cast<unsigned char>(bytes[i]);
    m_text += "0x";
    m_text += kHex[byte >> 4];
    m_text += kHex[byte & 0x0F];
    if (i % kBytesPerLine == kBytesPerLine - 1 || i + 1 == bytes.size()) m_text += '\n';
  }
}

void AssemblyWriter::Long(std::uint32_t value) { Line(".long " + std::to_string(value)); }

void AssemblyWriter::IncludeBinary(std::string_view file, std::uint64_t length) {
  std::string quoted = "\"";
  for (const char c : file) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  Line(".incbin " + quoted + "\",0," + std::to_string(length));
}

std::string AssemblyWriter::Finish() {
  if (m_format == AsmFormat::Elf) Line(".section .note.GNU-stack,\"\",@progbits");
  return std::move(m_text);
}

}  // namespace gen
