#include "control_kind.h"

#include "pages/page_format.h"
#include "runtime/runtime_object.h"

namespace vl {

bool IsByteSetType(std::uint16_t type) noexcept {
  return type == ptype::kPicture || type == ptype::kIcon || type == ptype::kCursor || type == ptype::kSound ||
         type == ptype::kFont;
}

bool IsTextType(std::uint16_t type) noexcept { return type == ptype::kText; }

const KindDescriptor* FindKindDescriptor(std::uint32_t kind) noexcept {
  // (library number << 16) | type number, both from 1, into the program's library table.
  const auto libraries = TheRuntime().Header().libraries;
  const std::uint32_t library = kind >> 16;
  const std::uint32_t type = kind & 0xFFFF;
  if (library == 0 || library > libraries.size() || type == 0) return nullptr;
  const LibraryRecord* record = libraries[library - 1];
  if (type > record->dataTypeCount) return nullptr;
  const KindDescriptor* descriptor = record->dataTypes[type - 1].kind;
  return descriptor != nullptr && descriptor->kind == kind ? descriptor : nullptr;
}

int PropertyCount(const KindDescriptor& kind) noexcept {
  return kFirstKindProperty + static_cast<int>(kind.properties.size());
}

std::uint16_t PropertyType(const KindDescriptor& kind, int number) noexcept {
  static constexpr std::uint16_t kCommon[] = {ptype::kInt,  ptype::kInt,  ptype::kInt,  ptype::kInt,
                                              ptype::kText, ptype::kBool, ptype::kBool, ptype::kCursor};
  if (number < 0 || number >= PropertyCount(kind)) return 0;
  if (number < kFirstKindProperty) return kCommon[number];
  return kind.properties[static_cast<std::size_t>(number - kFirstKindProperty)].type;
}

int PropertyField(const KindDescriptor& kind, int number) noexcept {
  if (number < kFirstKindProperty || number >= PropertyCount(kind)) return -1;
  return kind.properties[static_cast<std::size_t>(number - kFirstKindProperty)].field;
}

int FieldOfType(const KindDescriptor& kind, std::uint16_t type) noexcept {
  for (const PropertyDef& property : kind.properties) {
    if (property.type == type) return property.field;
  }
  return -1;
}

}  // namespace vl
