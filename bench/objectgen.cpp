// SPDX-License-Identifier: MIT
#include "objectgen.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace marlox::bench {

namespace {

constexpr std::array<std::string_view, 48> Words = {
    "Sales",     "Purchase", "Line",    "Header",    "Item",     "Customer", "Vendor",
    "Ledger",    "Entry",    "Journal", "Batch",     "Posting",  "Setup",    "Buffer",
    "Price",     "Discount", "Amount",  "Quantity",  "Location", "Bin",      "Shipment",
    "Receipt",   "Invoice",  "Credit",  "Memo",      "Account",  "Bank",     "Currency",
    "Dimension", "Value",    "Budget",  "Resource",  "Job",      "Task",     "Planning",
    "Routing",   "Machine",  "Center",  "Warehouse", "Activity", "Reminder", "Terms",
    "Contact",   "Campaign", "Segment", "Service",   "Contract", "Archive"};

constexpr std::array<std::string_view, 16> Verbs = {
    "Calc", "Post",  "Check", "Update", "Insert", "Find",     "Get",      "Set",
    "Copy", "Apply", "Test",  "Init",   "Create", "Validate", "Transfer", "Release"};

constexpr std::array<std::string_view, 10> FieldTypes = {
    "Code20",  "Text50", "Decimal", "Integer", "Date",
    "Boolean", "Option", "Code10",  "Text30",  "DateFormula"};

// Accented words as the OEM code page 850 stores them.
constexpr std::array<std::string_view, 6> GermanWords = {"Men\x84ge",
                                                         "Gr\x94\xE1"
                                                         "e",
                                                         "f\x81r",
                                                         "\x8E"
                                                         "nderung",
                                                         "Verk\x84ufer",
                                                         "Best\x84tigung"};

struct TTypeShare {
  std::string_view word;
  std::uint32_t share;  // per thousand
  std::uint32_t firstID;
};

// Type words with the first letter that selects the type; the last three
// are words no type answers to.
constexpr std::array<TTypeShare, 12> TypeShares = {{{"Table", 240, 3},
                                                    {"Form", 140, 21},
                                                    {"Report", 110, 101},
                                                    {"Dataport", 25, 5001},
                                                    {"Codeunit", 150, 11},
                                                    {"XMLport", 35, 1201},
                                                    {"MenuSuite", 10, 1010},
                                                    {"Page", 220, 16},
                                                    {"Query", 40, 301},
                                                    {"Enum", 12, 9001},
                                                    {"Interface", 8, 9501},
                                                    {"WebService", 10, 9801}}};

}  // namespace

std::uint64_t TRandom::Next() {
  // splitmix64
  std::uint64_t z = (FState += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

TObjectGenerator::TObjectGenerator(std::uint64_t seed, bool newSyntax)
    : FRandom(seed), FDateFormat(unsigned(seed % 4)), FNewSyntax(newSyntax) {}

void TObjectGenerator::Line(std::string& out, int indent, const std::string& text) {
  out.append(std::size_t(indent), ' ');
  out += text;
  out += "\r\n";
}

void TObjectGenerator::Begin(std::string& out, int indent, const std::string& section) {
  Line(out, indent, section);
  Line(out, indent, "{");
}

std::string TObjectGenerator::Word() {
  return std::string(Words[FRandom.Below(Words.size())]);
}

std::string TObjectGenerator::ObjectName() {
  // Mostly one to three words; now and then a long one that the model cuts.
  std::uint32_t count = FRandom.Chance(5) ? FRandom.Between(5, 7) : FRandom.Between(1, 3);
  std::string name = Word();
  for (std::uint32_t i = 1; i < count; ++i) {
    name += FRandom.Chance(15) ? '-' : ' ';
    name += Word();
  }
  return name;
}

std::string TObjectGenerator::FieldName() {
  std::string name = Word();
  if (FRandom.Chance(60)) name += " " + Word();
  if (FRandom.Chance(20)) name += " No.";
  return name;
}

std::string TObjectGenerator::Multilingual(const std::string& english) {
  std::string text = "ENU=" + english;
  if (FRandom.Chance(30))
    text += ";DEU=" + std::string(GermanWords[FRandom.Below(GermanWords.size())]) + " " + Word();
  return text;
}

std::string TObjectGenerator::Caption(const std::string& english) {
  return "CaptionML=[" + Multilingual(english) + "]";
}

std::string TObjectGenerator::Guid() {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string guid = "[{";
  for (int i = 0; i < 32; ++i) {
    if (i == 8 || i == 12 || i == 16 || i == 20) guid += '-';
    guid += Hex[FRandom.Below(16)];
  }
  return guid + "}]";
}

std::uint32_t TObjectGenerator::TableNumber() {
  // One draw as before, so the rest of the file stays as it was; one
  // reference in fifty goes to a popular table.
  const std::uint32_t number = FRandom.Between(3, 9999);
  return number < 3 + 200 ? FirstPopularTable + number % PopularTableCount : number;
}

std::string TObjectGenerator::RelatedTable() {
  const std::uint32_t pick = FRandom.Below(Words.size() * 4);
  const std::string& popular = FPopularNames[pick % PopularTableCount];
  if (pick < 8 && !popular.empty()) return "\"" + popular + "\"";
  return std::string(Words[pick % Words.size()]);
}

std::string TObjectGenerator::TableName(std::uint32_t number) const {
  if (const auto made = FTableNames.find(number); made != FTableNames.end()) return made->second;
  // A table of another file: a name of its own that draws nothing, so the
  // rest of the file stays as the classic syntax has it.
  return std::string(Words[number % Words.size()]) + " " +
         std::string(Words[number / Words.size() % Words.size()]);
}

std::string TObjectGenerator::RecordOf(std::uint32_t number) {
  if (!FNewSyntax) return "Record " + std::to_string(number);
  return "Record " + TableValue(number);
}

std::string TObjectGenerator::TableValue(std::uint32_t number) {
  if (!FNewSyntax) return "Table" + std::to_string(number);
  const std::string name = TableName(number);
  const bool plain = std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  });
  return plain ? name : "\"" + name + "\"";
}

void TObjectGenerator::AppendPreamble(std::string& out) {
  Line(out, 0, "Generated object text for benchmarks; every object below is invented.");
  Line(out, 0, "");
}

std::size_t TObjectGenerator::DrawObjectSize() {
  std::uint32_t r = FRandom.Below(1000);
  if (r < 450) return FRandom.Between(300, 3000);
  if (r < 900) return FRandom.Between(3000, 15000);
  if (r < 990) return FRandom.Between(12000, 60000);
  if (r < 999) return FRandom.Between(64000, 400000);
  return FRandom.Between(1000000, 4000000);
}

void TObjectGenerator::ObjectProperties(std::string& out) {
  // Each file has the short date format of the machine that exported it.
  static const char* const DateFormats[] = {"Date=%02u-%02u-%02u;", "Date=%02u/%02u/%02u;",
                                            "Date=%02u/%02u/%02u;", "Date=%02u.%02u.%02u;"};
  static const char* const Releases[] = {"NAVW17.00",          "NAVW17.10",  "NAVW18.00",
                                         "NAVW19.00",          "NAVW110.00", "NAVW111.00",
                                         "NAVW111.00.00.27667"};
  static const char* const AddOns[] = {"NAVDACH7.00", "NAVNL8.00", "ABC1.02", "ABC1.03",
                                       "HH12",        "PRJ2.01",   "LS10.02"};
  const unsigned day = FRandom.Between(1, 28);
  const unsigned month = FRandom.Between(1, 12);
  const bool monthFirst = FDateFormat == 2;
  // The draws stay inside the calls, in the order the classic lines always
  // had them, so that classic files stay as they were.
  char date[32];
  char time[32];
  if (FNewSyntax) {
    std::snprintf(date, sizeof date, "Date=20%02u%02u%02uD;", FRandom.Between(5, 26), month, day);
    std::snprintf(time, sizeof time, "Time=%02u%02u%02u.%03uT;", FRandom.Between(7, 19),
                  FRandom.Below(60), FRandom.Below(60), (day * 37 + month * 11) % 1000);
  } else {
    std::snprintf(date, sizeof date, DateFormats[FDateFormat], monthFirst ? month : day,
                  monthFirst ? day : month, FRandom.Between(5, 26));
    std::snprintf(time, sizeof time, "Time=%02u:%02u:%02u;", FRandom.Between(7, 19),
                  FRandom.Below(60), FRandom.Below(60));
  }
  Begin(out, 2, "OBJECT-PROPERTIES");
  Line(out, 4, date);
  Line(out, 4, time);
  if (FRandom.Chance(15)) Line(out, 4, FNewSyntax ? "Modified=true;" : "Modified=Yes;");
  // Version lists repeat: a release, often with one or two add-ons.
  std::string versions;
  if (!FRandom.Chance(5)) {
    versions = Releases[FRandom.Below(7)];
    // At most two different add-ons, in the order of the table.
    const unsigned first = FRandom.Below(8);
    const unsigned second = FRandom.Below(8);
    if (first < 7) versions += std::string(",") + AddOns[first];
    if (second < 7 && second > first) versions += std::string(",") + AddOns[second];
  }
  Line(out, 4, "Version List=" + versions + ";");
  Line(out, 2, "}");
}

void TObjectGenerator::TableSections(std::string& out, std::size_t targetBytes, std::size_t start) {
  Begin(out, 2, "PROPERTIES");
  Line(out, 4, "DataPerCompany=Yes;");
  Line(out, 4, "LookupFormID=Form" + std::to_string(FRandom.Between(1, 9999)) + ";");
  Line(out, 4, Caption(Word() + " " + Word()) + ";");
  Line(out, 2, "}");
  Begin(out, 2, "FIELDS");
  const std::size_t fieldBudget = start + targetBytes / 3;
  for (int number = 1; number == 1 || out.size() < fieldBudget; ++number) {
    char field[160];
    std::string name = FieldName();
    std::string_view type = FieldTypes[FRandom.Below(FieldTypes.size())];
    std::snprintf(field, sizeof field, "{ %-4d;   ;%-20.20s;%-14.*s", number, name.c_str(),
                  int(type.size()), type.data());
    std::string line = field;
    if (FRandom.Chance(35)) line += ";" + Caption(name) + " ";
    if (FRandom.Chance(15)) line += ";TableRelation=" + RelatedTable() + " ";
    Line(out, 4, line + "}");
    if (FRandom.Chance(10)) {
      Line(out, 50, "OnValidate=BEGIN");
      Line(out, 61, "TESTFIELD(\"" + FieldName() + "\");");
      Line(out, 59, "END;");
      Line(out, 0, "");
    }
  }
  Line(out, 2, "}");
  Begin(out, 2, "KEYS");
  Line(out, 4, "{    ;No.                                     ;Clustered=Yes }");
  for (std::uint32_t i = FRandom.Below(4); i > 0; --i)
    Line(out, 4, "{    ;" + FieldName() + "," + FieldName() + " }");
  Line(out, 2, "}");
}

void TObjectGenerator::ControlSections(std::string& out, std::size_t targetBytes, std::size_t start,
                                       bool page) {
  Begin(out, 2, "PROPERTIES");
  Line(out, 4, "SourceTable=" + TableValue(TableNumber()) + ";");
  Line(out, 4, Caption(Word() + " " + Word()) + ";");
  if (page) Line(out, 4, FRandom.Chance(50) ? "PageType=Card;" : "PageType=List;");
  Line(out, 2, "}");
  Begin(out, 2, "CONTROLS");
  const std::size_t controlBudget = start + targetBytes / 2;
  for (int number = 1; number == 1 || out.size() < controlBudget; ++number) {
    char control[200];
    if (page)
      std::snprintf(control, sizeof control, "{ %-4d;%-4d;Field     ;SourceExpr=\"%s\" }", number,
                    int(FRandom.Below(3)), FieldName().c_str());
    else
      std::snprintf(control, sizeof control,
                    "{ %-4d;TextBox      ;%-5u;%-5u;%-5u;440  ;SourceExpr=\"%s\" }", number,
                    FRandom.Between(0, 9000), FRandom.Between(0, 7000), FRandom.Between(1000, 4400),
                    FieldName().c_str());
    Line(out, 4, control);
  }
  Line(out, 2, "}");
}

void TObjectGenerator::DataItemSections(std::string& out, std::size_t targetBytes,
                                        std::size_t start) {
  Begin(out, 2, "PROPERTIES");
  Line(out, 4, Caption(Word() + " " + Word()) + ";");
  Line(out, 2, "}");
  Begin(out, 2, "DATAITEMS");
  const std::size_t itemBudget = start + targetBytes / 3;
  do {
    Line(out, 4, "{ PROPERTIES");
    Line(out, 6, "{");
    Line(out, 8, "DataItemTable=" + TableValue(TableNumber()) + ";");
    Line(out, 8, "DataItemTableView=SORTING(" + FieldName() + ");");
    if (FRandom.Chance(50)) Line(out, 8, "ReqFilterFields=" + FieldName() + ";");
    Line(out, 6, "}");
    Begin(out, 6, "SECTIONS");
    for (std::uint32_t i = FRandom.Between(1, 6); i > 0; --i) {
      Line(out, 8, "{ PROPERTIES");
      Line(out, 10, "{");
      Line(out, 12, "SectionType=Body;");
      Line(out, 12, "SectionWidth=" + std::to_string(FRandom.Between(5000, 18000)) + ";");
      Line(out, 10, "}");
      Begin(out, 10, "CONTROLS");
      for (std::uint32_t c = FRandom.Between(1, 8); c > 0; --c)
        Line(out, 12,
             "{ " + std::to_string(FRandom.Between(1, 99)) +
                 "  ;TextBox  ;0 ;0 ;1650 ;423 ;SourceExpr=\"" + FieldName() + "\" }");
      Line(out, 10, "}");
      Line(out, 9, "}");
    }
    Line(out, 6, "}");
    Line(out, 5, "}");
  } while (out.size() < itemBudget);
  Line(out, 2, "}");
}

void TObjectGenerator::ElementSections(std::string& out, std::size_t targetBytes,
                                       std::size_t start) {
  Begin(out, 2, "PROPERTIES");
  Line(out, 4, FRandom.Chance(50) ? "Direction=Export;" : "Direction=Both;");
  Line(out, 2, "}");
  Begin(out, 2, "ELEMENTS");
  const std::size_t elementBudget = start + targetBytes / 2;
  int number = 1;
  do {
    Line(out, 4,
         "{ " + Guid() + ";" + std::to_string(number++) + " ;" + Word() +
             "                ;Element ;Field   ;");
    Line(out, 50, "DataType=Code;");
    Line(out, 50, "SourceField=" + Word() + "::" + FieldName() + " }");
  } while (out.size() < elementBudget);
  Line(out, 2, "}");
}

void TObjectGenerator::MenuSections(std::string& out, std::size_t targetBytes, std::size_t start) {
  Begin(out, 2, "MENUNODES");
  do {
    Line(out, 4, "{ MenuItem       ;" + Guid() + " ;Name=" + Word() + ";");
    Line(out, 50, Caption(Word() + " " + Word()) + ";");
    Line(out, 50, "RunObjectType=Page;");
    Line(out, 50, "RunObjectID=" + std::to_string(FRandom.Between(1, 9999)) + " }");
  } while (out.size() < start + targetBytes * 2 / 3);
  Line(out, 2, "}");
}

void TObjectGenerator::Statement(std::string& out, int indent, int depth) {
  const std::string record = Word();
  switch (FRandom.Below(depth < 3 ? 9 : 6)) {
    case 0:
      Line(out, indent, record + ".SETRANGE(\"" + FieldName() + "\",\"" + FieldName() + "\");");
      break;
    case 1:
      Line(out, indent, record + ".VALIDATE(\"" + FieldName() + "\"," + Word() + "Amount);");
      break;
    case 2:
      Line(out, indent,
           "\"" + FieldName() + "\" := ROUND(" + Word() + "Amount * " +
               std::to_string(FRandom.Between(2, 99)) + " / 100,0.01);");
      break;
    case 3: Line(out, indent, record + ".MODIFY(TRUE);"); break;
    case 4:
      Line(out, indent,
           "// " + Word() + " " + Word() +
               (FRandom.Chance(20)
                    ? " " + std::string(GermanWords[FRandom.Below(GermanWords.size())])
                    : "") +
               " " + Word());
      break;
    case 5:
      Line(out, indent,
           "ERROR(Text" + std::to_string(FRandom.Between(0, 30)) + ",\"" + FieldName() + "\");");
      break;
    case 6:
      Line(out, indent, "IF " + record + ".FINDSET THEN");
      Line(out, indent + 2, "REPEAT");
      for (std::uint32_t i = FRandom.Between(1, 4); i > 0; --i)
        Statement(out, indent + 4, depth + 1);
      Line(out, indent + 2, "UNTIL " + record + ".NEXT = 0;");
      break;
    case 7:
      Line(out, indent,
           "IF \"" + FieldName() + "\" <> " + record + ".\"" + FieldName() + "\" THEN BEGIN");
      for (std::uint32_t i = FRandom.Between(1, 4); i > 0; --i)
        Statement(out, indent + 2, depth + 1);
      Line(out, indent, "END;");
      break;
    default:
      Line(out, indent, "CASE " + Word() + "Type OF");
      for (std::uint32_t i = FRandom.Between(2, 4); i > 0; --i) {
        Line(out, indent + 2, Word() + "Type::" + Word() + ":");
        Statement(out, indent + 4, depth + 1);
      }
      Line(out, indent, "END;");
      break;
  }
}

void TObjectGenerator::Procedure(std::string& out, int number) {
  const std::string name = std::string(Verbs[FRandom.Below(Verbs.size())]) + Word() + Word();
  const std::string record = Word();
  Line(out, 4,
       (FRandom.Chance(30) ? "LOCAL PROCEDURE " : "PROCEDURE ") + name + "@" +
           std::to_string(number) + "(VAR " + record + "@1000 : " + RecordOf(TableNumber()) + ")" +
           (FRandom.Chance(40) ? " : Decimal;" : ";"));
  if (FRandom.Chance(70)) {
    Line(out, 4, "VAR");
    for (std::uint32_t i = FRandom.Between(1, 4); i > 0; --i)
      Line(out, 6, Word() + "@" + std::to_string(1000 + i) + " : " + RecordOf(TableNumber()) + ";");
  }
  Line(out, 4, "BEGIN");
  for (std::uint32_t i = FRandom.Between(2, 10); i > 0; --i) Statement(out, 6, 0);
  Line(out, 4, "END;");
  Line(out, 0, "");
}

void TObjectGenerator::Code(std::string& out, std::size_t targetBytes, std::size_t start) {
  Begin(out, 2, "CODE");
  if (FRandom.Chance(70)) {
    Line(out, 4, "VAR");
    for (std::uint32_t i = FRandom.Between(1, 5); i > 0; --i)
      Line(out, 6,
           "Text" + std::to_string(i) + "@" + std::to_string(1000 + i) + " : TextConst '" +
               Multilingual(Word() + " %1 " + Word()) + "';");
    Line(out, 0, "");
  }
  for (int number = 1; out.size() < start + targetBytes; ++number) Procedure(out, number);
  Line(out, 4, "BEGIN");
  Line(out, 4, "END.");
  Line(out, 2, "}");
}

void TObjectGenerator::AppendObject(std::string& out, std::size_t targetBytes) {
  const std::size_t start = out.size();
  std::uint32_t pick = FRandom.Below(1000);
  std::size_t type = 0;
  while (pick >= TypeShares[type].share) pick -= TypeShares[type++].share;
  const std::uint32_t id = TypeShares[type].firstID + FNextID[type]++;
  const std::string name = ObjectName();
  if (type == 0 && id - FirstPopularTable < PopularTableCount)
    FPopularNames[id - FirstPopularTable] = name;
  if (type == 0) FTableNames.emplace(id, name);
  Line(out, 0,
       "OBJECT " + std::string(TypeShares[type].word) + " " + std::to_string(id) + " " + name);
  Line(out, 0, "{");
  ObjectProperties(out);
  switch (type) {
    case 0: TableSections(out, targetBytes, start); break;
    case 1: ControlSections(out, targetBytes, start, false); break;
    case 7: ControlSections(out, targetBytes, start, true); break;
    case 2:
    case 3: DataItemSections(out, targetBytes, start); break;
    case 5:
    case 8: ElementSections(out, targetBytes, start); break;
    case 6: MenuSections(out, targetBytes, start); break;
    default:
      Begin(out, 2, "PROPERTIES");
      Line(out, 2, "}");
      break;
  }
  Code(out, targetBytes, start);
  Line(out, 0, "}");
  Line(out, 0, "");
  ++FObjectCount;
}

std::size_t GenerateObjects(std::size_t totalBytes, std::uint64_t seed, std::size_t chunk,
                            const std::function<void(std::string&)>& drain, bool newSyntax) {
  TObjectGenerator generator(seed, newSyntax);
  std::string buffer;
  buffer.reserve(chunk + (4u << 20));
  generator.AppendPreamble(buffer);
  std::size_t drained = 0;
  while (drained + buffer.size() < totalBytes) {
    // The last object is cut to what is left, so the file ends near its size.
    const std::size_t left = totalBytes - drained - buffer.size();
    generator.AppendObject(buffer,
                           std::min(generator.DrawObjectSize(), std::max<std::size_t>(left, 300)));
    if (buffer.size() >= chunk) {
      drained += buffer.size();
      drain(buffer);
    }
  }
  if (!buffer.empty()) drain(buffer);
  return generator.ObjectCount();
}

namespace {

// Gives the object at the start of text the number id.
void Renumber(std::string& text, std::size_t start, std::uint32_t id) {
  const std::size_t typeEnd = text.find(' ', start + 7);
  const std::size_t numberEnd = text.find(' ', typeEnd + 1);
  text.replace(typeEnd + 1, numberEnd - typeEnd - 1, std::to_string(id));
}

// Inserts a line of code after the line break nearest the middle of the object.
void ChangeObject(std::string& text, std::size_t start, std::uint32_t n) {
  const std::size_t middle = text.find("\r\n", start + (text.size() - start) / 2);
  if (middle == std::string::npos) return;
  text.insert(middle + 2, "      // reviewed " + std::to_string(n) + "\r\n");
}

}  // namespace

std::size_t GenerateVariant(std::size_t totalBytes, std::uint64_t seed, std::size_t chunk,
                            const TVariant& variant,
                            const std::function<void(std::string&)>& drain) {
  TObjectGenerator generator(seed, variant.NewSyntax);
  TObjectGenerator newcomers(seed ^ variant.Seed, variant.NewSyntax);
  TRandom dice(variant.Seed);
  std::string buffer;
  buffer.reserve(chunk + (8u << 20));
  generator.AppendPreamble(buffer);
  // The loop follows the original's sizes, so both files hold the same objects.
  std::size_t original = buffer.size();
  std::uint32_t added = 0;
  while (original < totalBytes) {
    const std::size_t start = buffer.size();
    const std::size_t left = totalBytes - original;
    generator.AppendObject(buffer,
                           std::min(generator.DrawObjectSize(), std::max<std::size_t>(left, 300)));
    original += buffer.size() - start;
    const std::uint32_t roll = dice.Below(1000);
    if (roll < variant.ChangedPerMille) {
      ChangeObject(buffer, start, roll);
    } else if (roll < variant.ChangedPerMille + variant.RemovedPerMille) {
      buffer.resize(start);
    }
    if (dice.Below(1000) < variant.AddedPerMille) {
      const std::size_t at = buffer.size();
      newcomers.AppendObject(buffer, std::min<std::size_t>(newcomers.DrawObjectSize(), 1 << 20));
      // Far above every number the generator hands out.
      Renumber(buffer, at, 1500000000u + ++added);
    }
    if (buffer.size() >= chunk) drain(buffer);
  }
  if (!buffer.empty()) drain(buffer);
  return generator.ObjectCount() + added;
}

std::string GenerateObjectText(std::size_t totalBytes, std::uint64_t seed) {
  std::string text;
  text.reserve(totalBytes + (8u << 20));
  GenerateObjects(totalBytes, seed, 4u << 20, [&](std::string& buffer) {
    text += buffer;
    buffer.clear();
  });
  return text;
}

std::string EditedLines(const std::string& text, std::uint32_t perMille) {
  TRandom random(perMille);
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find("\r\n", pos);
    end = end == std::string::npos ? text.size() : end + 2;
    const std::uint32_t roll = random.Below(3000);
    if (roll < perMille)
      out += "      Changed := " + std::to_string(roll) + ";\r\n";
    else if (roll >= 3000 - perMille) {
      // dropped
    } else
      out.append(text, pos, end - pos);
    if (roll >= 1000 && roll < 1000 + perMille) out += "      Inserted();\r\n";
    pos = end;
  }
  return out;
}

}  // namespace marlox::bench
