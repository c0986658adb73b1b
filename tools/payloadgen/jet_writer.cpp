#include "jet_writer.h"

#include <array>

#include "common/byte_writer.h"
#include "utf8.h"

namespace payloadgen {
namespace {

constexpr std::size_t kPage = kJetPageSize;
constexpr std::uint32_t kCatalogueDefinitionPage = 2;  // readers start from page 2
constexpr std::uint32_t kMapPage = 3;
constexpr std::uint32_t kCataloguePage = 4;
constexpr std::uint32_t kTableDefinitionPage = 5;
constexpr std::uint32_t kTableDataPage = 6;
constexpr std::size_t kMapLength = 69;
constexpr std::size_t kDataPageHeader = 14;

// The database was created with version 2.6 of the player: 2012-03-15 10:30, in days since
// 1899-12-30.
constexpr double kCreated = 40983.4375;

// The RC4 key stream of the key C7 DA 39 6B that masks header bytes 0x18 to 0x97.
constexpr std::array<std::uint8_t, 128> kHeaderMask = {
    0xB5, 0x6F, 0x03, 0x62, 0x61, 0x08, 0xC2, 0x55, 0xEB, 0xA9, 0x67, 0x72, 0x43, 0x3F, 0x00, 0x9C,
    0x7A, 0x9F, 0x90, 0xFF, 0x80, 0x9A, 0x31, 0xC5, 0x79, 0xBA, 0xED, 0x30, 0xBC, 0xDF, 0xCC, 0x9D,
    0x63, 0xD9, 0xE4, 0xC3, 0x7B, 0x42, 0xFB, 0x8A, 0xBC, 0x4E, 0x86, 0xFB, 0xEC, 0x37, 0x5D, 0x44,
    0x9C, 0xFA, 0xC6, 0x5E, 0x28, 0xE6, 0x13, 0xB6, 0x8A, 0x60, 0x54, 0x94, 0x7B, 0x36, 0xF5, 0x72,
    0xDF, 0xB1, 0x77, 0xF4, 0x13, 0x43, 0xCF, 0xAF, 0xB1, 0x33, 0x34, 0x61, 0x79, 0x5B, 0x92, 0xB5,
    0x7C, 0x2A, 0x05, 0xF1, 0x7C, 0x99, 0x01, 0x1B, 0x98, 0xFD, 0x12, 0x4F, 0x4A, 0x94, 0x6C, 0x3E,
    0x60, 0x26, 0x5F, 0x95, 0xF8, 0xD0, 0x89, 0x24, 0x85, 0x67, 0xC6, 0x1F, 0x27, 0x44, 0xD2, 0xEE,
    0xCF, 0x65, 0xED, 0xFF, 0x07, 0xC7, 0x46, 0xA1, 0x78, 0x16, 0x0C, 0xED, 0xE9, 0x2D, 0x62, 0xD4,
};

enum ColumnType : std::uint8_t { kLong = 0x04, kInteger = 0x03, kDateTime = 0x08,
                                 kBinary = 0x09, kText = 0x0A, kOle = 0x0B, kMemo = 0x0C };

struct Column {
  const char* name;
  ColumnType type;
  std::uint16_t size;  // bytes for fixed columns, 2 x characters for texts, 0 for long values
};

bool IsFixed(ColumnType type) { return type == kLong || type == kInteger || type == kDateTime; }
bool IsLongValue(ColumnType type) { return type == kOle || type == kMemo; }

constexpr std::uint32_t RowPointer(std::uint32_t page, std::uint32_t row) { return page << 8 | row; }

std::string Ucs2(std::string_view utf8) {
  gen::ByteWriter out;
  while (!utf8.empty()) {
    const std::size_t length = constgen::Utf8SequenceLength(utf8);
    const char32_t code = constgen::DecodeUtf8(utf8);
    out.U16(static_cast<std::uint16_t>(code));
    utf8.remove_prefix(length == 0 ? 1 : length);
  }
  return out.Take();
}

// A table definition page: header, column descriptors, names, long-value list, terminator.
std::string TableDefinition(std::uint8_t tableType, const std::vector<Column>& columns,
                            std::uint32_t rows, std::uint32_t ownedMap, std::uint32_t freeMap,
                            std::uint32_t firstLongValueMapRow, bool system) {
  std::uint16_t variable = 0;
  for (const Column& column : columns) {
    if (!IsFixed(column.type)) ++variable;
  }
  gen::ByteWriter out;
  out.U8(0x02);
  out.U8(0x01);
  out.U16(0);  // free space, patched below
  out.U32(0);  // no continuation page
  out.U32(0);  // definition length, patched below
  out.U32(1625);
  out.U32(rows);
  out.U32(0);  // next autonumber
  out.U8(1);
  out.Zeros(15);
  out.U8(tableType);
  out.U16(static_cast<std::uint16_t>(columns.size()));
  out.U16(variable);
  out.U16(static_cast<std::uint16_t>(columns.size()));
  out.U32(0);  // logical indexes
  out.U32(0);  // physical indexes
  out.U32(ownedMap);
  out.U32(freeMap);
  std::uint16_t fixedOffset = 0;
  std::uint16_t variableIndex = 0;
  for (std::size_t number = 0; number < columns.size(); ++number) {
    const Column& column = columns[number];
    const bool fixed = IsFixed(column.type);
    out.U8(column.type);
    out.U32(1625);
    out.U16(static_cast<std::uint16_t>(number));
    out.U16(fixed ? 0 : variableIndex++);
    out.U16(static_cast<std::uint16_t>(number));
    if (column.type == kText || column.type == kMemo) {
      out.U16(1033);  // sort order "General", version 0
      out.U16(0);
    } else {
      out.U32(0);
    }
    out.U8(static_cast<std::uint8_t>((fixed ? 0x03 : 0x02) | (system ? 0x10 : 0)));
    out.U8(!system && column.type == kText ? 1 : 0);  // text may be stored compressed
    out.U32(0);
    out.U16(fixed ? fixedOffset : 0);
    out.U16(column.size);
    if (fixed) fixedOffset = static_cast<std::uint16_t>(fixedOffset + column.size);
  }
  for (const Column& column : columns) {
    const std::string name = Ucs2(column.name);
    out.U16(static_cast<std::uint16_t>(name.size()));
    out.Bytes(name);
  }
  std::uint32_t mapRow = firstLongValueMapRow;
  for (std::size_t number = 0; number < columns.size(); ++number) {
    if (!IsLongValue(columns[number].type)) continue;
    out.U16(static_cast<std::uint16_t>(number));
    out.U32(RowPointer(kMapPage, mapRow++));
    out.U32(RowPointer(kMapPage, mapRow++));
  }
  out.U8(0xFF);
  out.U8(0xFF);
  const auto length = static_cast<std::uint32_t>(out.Size());
  out.PatchU32(8, length);
  out.PatchU16(2, static_cast<std::uint16_t>(kPage - length - 8));
  std::string page = out.Take();
  page.resize(kPage, '\0');
  return page;
}

// A data page holding `rows`, packed from the end of the page in order.
std::string DataPage(std::uint32_t owner, const std::vector<std::string>& rows) {
  gen::ByteWriter head;
  head.U8(0x01);
  head.U8(0x01);
  std::size_t used = kDataPageHeader;
  for (const std::string& row : rows) used += row.size() + 2;
  head.U16(static_cast<std::uint16_t>(kPage - used));
  head.U32(owner);
  head.U32(0);
  head.U16(static_cast<std::uint16_t>(rows.size()));
  std::string page(kPage, '\0');
  std::size_t end = kPage;
  for (const std::string& row : rows) {
    end -= row.size();
    head.U16(static_cast<std::uint16_t>(end));
    page.replace(end, row.size(), row);
  }
  page.replace(0, head.Size(), head.View());
  return page;
}

// An inline usage map (type 0, from page 0) with the given pages set.
std::string UsageMap(std::initializer_list<std::uint32_t> pages) {
  std::string map(kMapLength, '\0');
  for (const std::uint32_t page : pages) map[5 + page / 8] |= static_cast<char>(1 << (page % 8));
  return map;
}

// A row: column count, fixed area, variable values, end of data, variable offsets (last
// column first), variable count, null bitmap. `values` holds one entry per column: the fixed
// bytes, the variable bytes, or nothing for null.
std::string Row(const std::vector<Column>& columns, const std::vector<const std::string*>& values) {
  gen::ByteWriter row;
  row.U16(static_cast<std::uint16_t>(columns.size()));
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (!IsFixed(columns[i].type)) continue;
    if (values[i] != nullptr) {
      row.Bytes(*values[i]);
    } else {
      row.Zeros(columns[i].size);
    }
  }
  std::vector<std::uint16_t> offsets;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (IsFixed(columns[i].type)) continue;
    offsets.push_back(static_cast<std::uint16_t>(row.Size()));
    if (values[i] != nullptr) row.Bytes(*values[i]);
  }
  row.U16(static_cast<std::uint16_t>(row.Size()));
  for (auto offset = offsets.rbegin(); offset != offsets.rend(); ++offset) row.U16(*offset);
  row.U16(static_cast<std::uint16_t>(offsets.size()));
  std::string bitmap((columns.size() + 7) / 8, '\0');
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (values[i] != nullptr) bitmap[i / 8] |= static_cast<char>(1 << (i % 8));
  }
  row.Bytes(bitmap);
  return row.Take();
}

std::string HeaderPage() {
  gen::ByteWriter head;
  head.U32(0x00000100);
  head.Bytes(std::string_view("Standard Jet DB\0", 16));
  head.U32(1);  // Jet 4
  gen::ByteWriter masked;
  static constexpr std::uint8_t kFixedStart[] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00,
                                  0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                                  0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
  for (const std::uint8_t byte : kFixedStart) masked.U8(byte);
  masked.Zeros(0x3C - 0x30);
  masked.U16(1252);  // code page
  masked.U32(0);     // database key: pages are not encrypted
  // No password: the area holds the creation day, repeated.
  for (int i = 0; i < 10; ++i) masked.U32(static_cast<std::uint32_t>(kCreated));
  masked.U32(0);
  masked.U16(1033);  // sort order "General"
  masked.U16(0);
  masked.F64(kCreated);
  masked.Zeros(0x98 - 0x18 - masked.Size());
  std::string maskedBytes = masked.Take();
  for (std::size_t i = 0; i < kHeaderMask.size(); ++i) {
    maskedBytes[i] = static_cast<char>(static_cast<std::uint8_t>(maskedBytes[i]) ^ kHeaderMask[i]);
  }
  head.Bytes(maskedBytes);
  head.U32(0x0654);
  head.Bytes(std::string_view("4.0\0", 4));
  std::string page = head.Take();
  page.resize(kPage, '\0');
  return page;
}

std::string Long(std::uint32_t value) {
  gen::ByteWriter out;
  out.U32(value);
  return out.Take();
}

std::string Date(double value) {
  gen::ByteWriter out;
  out.F64(value);
  return out.Take();
}

std::string Short(std::uint16_t value) {
  gen::ByteWriter out;
  out.U16(value);
  return out.Take();
}

const std::vector<Column> kCatalogueColumns = {
    {"Id", kLong, 4},           {"ParentId", kLong, 4},     {"Name", kText, 510},
    {"Type", kInteger, 2},      {"DateCreate", kDateTime, 8}, {"DateUpdate", kDateTime, 8},
    {"Owner", kBinary, 510},    {"Flags", kLong, 4},        {"Database", kMemo, 0},
    {"Connect", kMemo, 0},      {"ForeignName", kText, 510}, {"RmtInfoShort", kBinary, 510},
    {"RmtInfoLong", kOle, 0},   {"Lv", kOle, 0},            {"LvProp", kOle, 0},
    {"LvModule", kOle, 0},      {"LvExtra", kOle, 0},
};

const std::vector<Column> kPlaylistColumns = {
    {"TrackNo", kLong, 4},       {"Artist", kText, 200},  {"Title", kText, 200},
    {"Album", kText, 200},       {"Duration", kText, 20}, {"FileName", kText, 510},
};

std::string CatalogueRow(std::uint32_t id, std::uint32_t parent, const char* name,
                         std::uint16_t type, std::uint32_t flags) {
  const std::string values[] = {Long(id), Long(parent), Ucs2(name), Short(type),
                                Date(kCreated), Long(flags)};
  std::vector<const std::string*> row(kCatalogueColumns.size(), nullptr);
  row[0] = &values[0];
  row[1] = &values[1];
  row[2] = &values[2];
  row[3] = &values[3];
  row[4] = &values[4];
  row[5] = &values[4];
  row[7] = &values[5];
  return Row(kCatalogueColumns, row);
}

}  // namespace

std::string JetText(const std::string& utf8) {
  std::string latin1("\xFF\xFE", 2);
  std::size_t characters = 0;
  std::string_view rest = utf8;
  while (!rest.empty()) {
    const char32_t code = constgen::DecodeUtf8(rest);
    rest.remove_prefix(constgen::Utf8SequenceLength(rest));
    ++characters;
    if (code < 0x01 || code > 0xFF) return Ucs2(utf8);
    latin1.push_back(static_cast<char>(code));
  }
  if (characters < 3) return Ucs2(utf8);
  return latin1;
}

gen::Result<std::string> MakePlaylistDatabase(const std::vector<Track>& tracks,
                                              const std::string& file) {
  constexpr std::uint32_t kContainerId = 0x0F000000;
  constexpr std::uint32_t kTablesId = 0x0F000001;
  constexpr std::uint32_t kSystemObject = 0x80000000;
  const std::vector<std::string> catalogue = {
      CatalogueRow(kTablesId, kContainerId, "Tables", 3, kSystemObject),
      CatalogueRow(0x0F000002, kContainerId, "Databases", 3, kSystemObject),
      CatalogueRow(0x0F000003, kContainerId, "Relationships", 3, kSystemObject),
      CatalogueRow(kCatalogueDefinitionPage, kTablesId, "MSysObjects", 1, kSystemObject),
      CatalogueRow(kTableDefinitionPage, kTablesId, "Playlist", 1, 0),
  };

  std::vector<std::string> rows;
  std::size_t used = kDataPageHeader;
  for (const Track& track : tracks) {
    const std::string values[] = {Long(static_cast<std::uint32_t>(track.number)),
                                  JetText(track.artist), JetText(track.title),
                                  JetText(track.album), JetText(track.duration),
                                  JetText(track.file)};
    std::vector<const std::string*> row;
    for (std::size_t i = 0; i < kPlaylistColumns.size(); ++i) {
      if (i > 0 && values[i].size() > kPlaylistColumns[i].size) {
        return gen::Error{file, 0, "track " + std::to_string(track.number) + ": the " +
                                            kPlaylistColumns[i].name + " is too long"};
      }
      row.push_back(&values[i]);
    }
    rows.push_back(Row(kPlaylistColumns, row));
    used += rows.back().size() + 2;
  }
  if (used > kPage) return gen::Error{file, 0, "the playlist does not fit on one page"};

  std::string out = HeaderPage();
  // The global usage map: a set bit means the page is free.
  std::string global(kMapLength, '\0');
  for (std::uint32_t page = kTableDataPage + 1; page < 512; ++page) {
    global[5 + page / 8] |= static_cast<char>(1 << (page % 8));
  }
  out += DataPage(1, {global, std::string(kMapLength, '\0')});
  out += TableDefinition(0x53, kCatalogueColumns, static_cast<std::uint32_t>(catalogue.size()),
                         RowPointer(kMapPage, 0), RowPointer(kMapPage, 1), 4, true);
  std::vector<std::string> maps = {UsageMap({kCataloguePage}), UsageMap({kCataloguePage}),
                                   UsageMap({kTableDataPage}), UsageMap({kTableDataPage})};
  for (const Column& column : kCatalogueColumns) {
    if (!IsLongValue(column.type)) continue;
    maps.push_back(UsageMap({}));
    maps.push_back(UsageMap({}));
  }
  out += DataPage(0, maps);
  out += DataPage(kCatalogueDefinitionPage, catalogue);
  out += TableDefinition(0x4E, kPlaylistColumns, static_cast<std::uint32_t>(rows.size()),
                         RowPointer(kMapPage, 2), RowPointer(kMapPage, 3), 0, false);
  out += DataPage(kTableDefinitionPage, rows);
  out.resize(static_cast<std::size_t>(kJetPageCount) * kPage, '\0');
  return out;
}

}  // namespace payloadgen
