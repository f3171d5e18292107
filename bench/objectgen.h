// SPDX-License-Identifier: MIT
// A deterministic generator of object text files that look like real exports:
// every object type plus a few unknown type words, CR LF line breaks, some
// bytes of the upper half of the OEM code page, objects from a few hundred
// bytes to several megabytes; each file writes its dates in one of the four
// short date formats of real exports, chosen by the seed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

namespace marlox::bench {

// The same seed gives the same bytes from the same build: no library
// distributions, only a fixed 64-bit mixer. (Another compiler may order the
// draws inside one expression differently.)
class TRandom {
 public:
  explicit TRandom(std::uint64_t seed) : FState(seed) {}
  std::uint64_t Next();
  // Uniform in [0, bound).
  std::uint32_t Below(std::uint32_t bound) { return std::uint32_t(Next() % bound); }
  std::uint32_t Between(std::uint32_t low, std::uint32_t high) {
    return low + Below(high - low + 1);
  }
  bool Chance(std::uint32_t percent) { return Below(100) < percent; }

 private:
  std::uint64_t FState;
};

class TObjectGenerator {
 public:
  // newSyntax writes what newer development environments export: dates as
  // yyyymmddD, times as hhmmss.mmmT, Modified=true, and tables named instead
  // of numbered (Record Customer, SourceTable="Sales Header").
  explicit TObjectGenerator(std::uint64_t seed, bool newSyntax = false);

  // The lines that stand before the first object.
  void AppendPreamble(std::string& out);
  // Appends one whole object of about targetBytes (never less than a few hundred).
  void AppendObject(std::string& out, std::size_t targetBytes);
  // A size drawn from the mix of small, medium, large and huge objects.
  std::size_t DrawObjectSize();
  std::size_t ObjectCount() const { return FObjectCount; }

 private:
  void Line(std::string& out, int indent, const std::string& text);
  // A section title and its opening brace.
  void Begin(std::string& out, int indent, const std::string& section);
  std::string Word();
  std::string ObjectName();
  std::string FieldName();
  std::string Multilingual(const std::string& english);
  std::string Caption(const std::string& english);
  void ObjectProperties(std::string& out);
  void TableSections(std::string& out, std::size_t targetBytes, std::size_t start);
  void ControlSections(std::string& out, std::size_t targetBytes, std::size_t start, bool page);
  void DataItemSections(std::string& out, std::size_t targetBytes, std::size_t start);
  void ElementSections(std::string& out, std::size_t targetBytes, std::size_t start);
  void MenuSections(std::string& out, std::size_t targetBytes, std::size_t start);
  void Procedure(std::string& out, int number);
  void Statement(std::string& out, int indent, int depth);
  void Code(std::string& out, std::size_t targetBytes, std::size_t start);
  std::string Guid();
  // A table number as code refers to it: a few tables, the first ones made,
  // are used all over, as a customer or item table is in real exports.
  std::uint32_t TableNumber();
  // A table name for a relation: a common word, or now and then the quoted
  // name of one of the tables used all over.
  std::string RelatedTable();
  // How a declaration or a property names table number: "Record 18" and
  // "Table18", or in the new syntax the table's name, quoted when it must be.
  std::string RecordOf(std::uint32_t number);
  std::string TableValue(std::uint32_t number);
  std::string TableName(std::uint32_t number) const;

  TRandom FRandom;
  std::size_t FObjectCount = 0;
  std::uint32_t FNextID[12] = {};
  std::string FPopularNames[10];
  unsigned FDateFormat;  // dd-mm-yy, dd/mm/yy, mm/dd/yy or dd.mm.yy, by seed
  bool FNewSyntax;
  std::unordered_map<std::uint32_t, std::string> FTableNames;  // of the tables made so far
};

// The tables that code refers to most: numbers 3 to 12, the first tables made.
inline constexpr std::uint32_t FirstPopularTable = 3;
inline constexpr std::uint32_t PopularTableCount = 10;

// Generates objects until about totalBytes are made, handing the text to
// drain in pieces of at least chunk bytes (drain empties the string it gets).
// Returns the number of objects.
std::size_t GenerateObjects(std::size_t totalBytes, std::uint64_t seed, std::size_t chunk,
                            const std::function<void(std::string&)>& drain, bool newSyntax = false);

// How a variant differs from the file that the same size and seed give: of
// the same objects, some are changed (a line inserted in the middle of the
// code) and some left out, and new objects with numbers of their own come in
// between. Shares are in per mille of the objects; the same seeds give the
// same variant.
struct TVariant {
  std::uint32_t ChangedPerMille = 10;
  std::uint32_t RemovedPerMille = 5;
  std::uint32_t AddedPerMille = 5;
  std::uint64_t Seed = 7;
  bool NewSyntax = false;  // of both files, as TObjectGenerator says
};

// GenerateObjects, but writing the variant of that file.
std::size_t GenerateVariant(std::size_t totalBytes, std::uint64_t seed, std::size_t chunk,
                            const TVariant& variant,
                            const std::function<void(std::string&)>& drain);

// The same content held in memory.
std::string GenerateObjectText(std::size_t totalBytes, std::uint64_t seed);

// text with every line replaced, dropped or followed by a new one with the
// given per mille chance each, spread evenly by a fixed draw.
std::string EditedLines(const std::string& text, std::uint32_t perMille);

}  // namespace marlox::bench
