// SPDX-License-Identifier: MIT
#include "mergegen.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "objectgen.h"

namespace marlox::bench {

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  while (from < text.size()) {
    const std::size_t end = text.find("\r\n", from);
    lines.push_back(text.substr(from, end - from));
    from = end + 2;
  }
  return lines;
}

std::string Trimmed(const std::string& line) {
  const std::size_t first = line.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : line.substr(first);
}

bool StartsWith(const std::string& line, std::string_view prefix) {
  return line.compare(0, prefix.size(), prefix) == 0;
}

// A statement line that neither opens nor closes a block, inside a procedure.
bool SimpleStatement(const std::string& line) {
  if (!StartsWith(line, "      ") || line.empty() || line.back() != ';') return false;
  for (std::string_view word :
       {"BEGIN", "END", "REPEAT", "UNTIL", "CASE", "THEN", "ELSE", "//", "@", "::", "'"})
    if (line.find(word) != std::string::npos) return false;
  return true;
}

// The edits one side makes to one object, by line of the original.
struct TEdits {
  std::map<std::size_t, std::string> Replace;
  std::map<std::size_t, std::vector<std::string>> InsertBefore;
  std::string Date, Time;  // empty: unchanged
  bool Modified = false;
  std::string VersionList;  // the new value; only when changed
  bool VersionChanged = false;
  bool Any() const {
    return !Replace.empty() || !InsertBefore.empty() || !Date.empty() || Modified || VersionChanged;
  }
};

struct TObjectLines {
  std::vector<std::string> Lines;
  std::size_t Date = 0, Time = 0, Modified = 0, Version = 0;  // 0: none
  std::size_t FieldsEnd = 0;                                  // the line that closes FIELDS
  std::size_t DocBegin = 0;                          // the BEGIN of the documentation trigger
  std::size_t Company = 0;                           // DataPerCompany=Yes;
  std::vector<std::vector<std::size_t>> Procedures;  // simple statements of each
};

TObjectLines Analyse(const std::string& text) {
  TObjectLines o;
  o.Lines = SplitLines(text);
  bool inFields = false;
  std::vector<std::size_t>* body = nullptr;
  for (std::size_t i = 0; i < o.Lines.size(); ++i) {
    const std::string& line = o.Lines[i];
    if (StartsWith(line, "    Date=")) o.Date = o.Date ? o.Date : i;
    if (StartsWith(line, "    Time=")) o.Time = o.Time ? o.Time : i;
    if (StartsWith(line, "    Modified=")) o.Modified = o.Modified ? o.Modified : i;
    if (StartsWith(line, "    Version List=")) o.Version = o.Version ? o.Version : i;
    if (line == "    DataPerCompany=Yes;") o.Company = i;
    if (line == "  FIELDS") inFields = true;
    if (inFields && line == "  }") {
      o.FieldsEnd = i;
      inFields = false;
    }
    if (StartsWith(line, "    PROCEDURE ") || StartsWith(line, "    LOCAL PROCEDURE ")) {
      o.Procedures.emplace_back();
      body = &o.Procedures.back();
    } else if (line == "    END;") {
      body = nullptr;
    } else if (body && SimpleStatement(line)) {
      body->push_back(i);
    }
    if (line == "    BEGIN" && i + 1 < o.Lines.size() && o.Lines[i + 1] == "    END.")
      o.DocBegin = i;
  }
  return o;
}

std::string Value(const std::string& line) {
  const std::size_t eq = line.find('=');
  return line.substr(eq + 1, line.size() - eq - 2);
}

std::string Apply(const TObjectLines& o, const TEdits& a, const TEdits* b) {
  std::string out;
  for (std::size_t i = 0; i < o.Lines.size(); ++i) {
    for (const TEdits* e : {&a, b})
      if (e && e->InsertBefore.count(i))
        for (const std::string& line : e->InsertBefore.at(i)) out += line + "\r\n";
    std::string line = o.Lines[i];
    for (const TEdits* e : {&a, b})
      if (e && e->Replace.count(i)) line = e->Replace.at(i);
    out += line + "\r\n";
  }
  return out;
}

class TMergeSetWriter {
 public:
  TMergeSetWriter(std::uint64_t seed, const std::string& dir)
      : FDice(seed * 31 + 7), FFormat(unsigned(seed % 4)) {
    for (const char* name : {"original", "modified", "target", "expected"})
      FOut.emplace_back(dir + "/" + name + ".txt", std::ios::binary);
    FBoth.open(dir + "/both.txt", std::ios::binary);
    for (auto& out : FOut)
      if (!out) throw std::runtime_error("cannot write into " + dir);
  }

  void All(const std::string& text) {
    for (auto& out : FOut) out << text;
  }

  void Object(const std::string& text, TMergeSetCounts& counts);

  void Added(const std::string& text, bool byModified) {
    (byModified ? FOut[1] : FOut[2]) << text;
    FOut[3] << text;
  }

 private:
  std::string Date(unsigned year) {
    static const char* const Formats[] = {"%02u-%02u-%02u", "%02u/%02u/%02u", "%02u/%02u/%02u",
                                          "%02u.%02u.%02u"};
    const unsigned day = FDice.Between(1, 28), month = FDice.Between(1, 12);
    char text[16];
    std::snprintf(text, sizeof text, Formats[FFormat], FFormat == 2 ? month : day,
                  FFormat == 2 ? day : month, year);
    return text;
  }
  std::string Time() {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", FDice.Between(7, 19), FDice.Below(60),
                  FDice.Below(60));
    return text;
  }
  void Update(const TObjectLines& o, TEdits& e, std::size_t n);
  // Returns whether it edited the update's line, when conflict asks for that.
  bool Customise(const TObjectLines& o, TEdits& e, const TEdits& update, std::size_t n,
                 bool conflict);
  void Stamp(const TObjectLines& o, TEdits& e) {
    if (o.Date) e.Replace[o.Date] = "    Date=" + e.Date + ";";
    if (o.Time) e.Replace[o.Time] = "    Time=" + e.Time + ";";
    if (o.Version && e.VersionChanged)
      e.Replace[o.Version] = "    Version List=" + e.VersionList + ";";
    if (e.Modified && !o.Modified && o.Time)
      e.InsertBefore[o.Time + 1].push_back("    Modified=Yes;");
  }

  TRandom FDice;
  unsigned FFormat;
  std::vector<std::ofstream> FOut;
  std::ofstream FBoth;
  std::size_t FCount = 0;
};

// An update: a new release tag and date, and one or two of its kinds of change.
void TMergeSetWriter::Update(const TObjectLines& o, TEdits& e, std::size_t n) {
  e.Date = Date(27);
  e.Time = Time();
  const std::string old = o.Version ? Value(o.Lines[o.Version]) : std::string();
  const std::size_t comma = old.find(',');
  e.VersionList = "NAVW112.00." + std::to_string(30000 + n % 1000) +
                  (comma == std::string::npos ? std::string() : old.substr(comma));
  e.VersionChanged = true;
  if (!o.Procedures.empty() && !o.Procedures.front().empty()) {
    const std::size_t line = o.Procedures.front().front();
    e.Replace[line] = o.Lines[line] + " // CU" + std::to_string(n);
  }
  if (o.FieldsEnd && FDice.Chance(60))
    e.InsertBefore[o.FieldsEnd].push_back("    { 90000;  ;Update Field        ;Code20         }");
  if (o.DocBegin && FDice.Chance(40))
    e.InsertBefore[o.DocBegin] = {"    PROCEDURE UpdateNew" + std::to_string(n) + "@90();",
                                  "    BEGIN", "      EXIT;", "    END;", ""};
  if (o.Company && FDice.Chance(30)) e.Replace[o.Company] = "    DataPerCompany=No;";
  Stamp(o, e);
}

// Customisations on elements the update leaves alone, unless a conflict is wanted.
bool TMergeSetWriter::Customise(const TObjectLines& o, TEdits& e, const TEdits& update,
                                std::size_t n, bool conflict) {
  // Now before, now after the update's date.
  e.Date = Date(FDice.Chance(50) ? 26 : 28);
  e.Time = Time();
  e.Modified = true;
  const std::string old = o.Version ? Value(o.Lines[o.Version]) : std::string();
  e.VersionList = (old.empty() ? "" : old + ",") + "ACME1.0" + std::to_string(n % 10);
  e.VersionChanged = o.Version != 0;
  bool edited = false;
  for (const auto& body : o.Procedures) {
    for (std::size_t line : body) {
      // Two lines apart from the update's edits, so that a line between stays.
      bool near = false;
      for (const auto& [changed, text] : update.Replace)
        near = near || (changed + 1 >= line && changed <= line + 1);
      if (conflict ? update.Replace.count(line) == 0 : near) continue;
      e.Replace[line] = "      IF ACMEActive THEN " + Trimmed(o.Lines[line]);
      edited = true;
      break;
    }
    if (edited) break;
  }
  if (o.FieldsEnd)
    e.InsertBefore[o.FieldsEnd].push_back("    { 95000;  ;ACME Field          ;Text30         }");
  if (o.DocBegin)
    e.InsertBefore[o.DocBegin] = {"    PROCEDURE ACMEHook" + std::to_string(n) + "@50000();",
                                  "    BEGIN", "    END;", ""};
  Stamp(o, e);
  return conflict && edited;
}

void TMergeSetWriter::Object(const std::string& text, TMergeSetCounts& counts) {
  const std::size_t n = ++FCount;
  FOut[0] << text;
  const std::uint32_t roll = FDice.Below(1000);
  const bool updated = roll < 100;
  const bool customised = updated ? FDice.Chance(30) : roll < 150;
  if (!updated && !customised) {
    // Deleted on one side and unchanged on the other, it is deleted.
    const std::uint32_t drop = FDice.Below(1000);
    if (drop >= 3) FOut[2] << text;
    if (drop < 3 || drop >= 6) FOut[1] << text;
    if (drop >= 6) FOut[3] << text;
    return;
  }
  const TObjectLines o = Analyse(text);
  TEdits a, b;
  if (updated) Update(o, a, n);
  const bool conflict = customised && Customise(o, b, a, n, updated && FDice.Chance(10));
  FOut[1] << (updated ? Apply(o, a, nullptr) : text);
  FOut[2] << (customised ? Apply(o, b, nullptr) : text);
  if (!(updated && customised)) {
    FOut[3] << (updated ? Apply(o, a, nullptr) : Apply(o, b, nullptr));
    return;
  }
  ++counts.ChangedBoth;
  counts.Conflicts += conflict;
  const std::size_t header = text.find(' ', 7);
  const std::size_t number = text.find(' ', header + 1);
  FBoth << text.substr(7, header - 7) << '\t' << text.substr(header + 1, number - header - 1)
        << '\t' << (conflict ? 1 : 0) << '\n';
  // The right result: both sides' edits, the later date and time, Modified,
  // the update's release tag with the add-on's tag after it.
  TEdits both = b;
  if (b.Date.substr(6, 2) == "26") {
    if (o.Date) both.Replace[o.Date] = a.Replace[o.Date];
    if (o.Time) both.Replace[o.Time] = a.Replace[o.Time];
  }
  if (o.Version)
    both.Replace[o.Version] =
        "    Version List=" + a.VersionList + ",ACME1.0" + std::to_string(n % 10) + ";";
  for (std::size_t line : {o.Date, o.Time, o.Version})
    if (line) a.Replace.erase(line);
  FOut[3] << Apply(o, a, &both);
}

}  // namespace

TMergeSetCounts GenerateMergeSet(std::size_t totalBytes, std::uint64_t seed,
                                 const std::string& dir) {
  TMergeSetCounts counts;
  TMergeSetWriter writer(seed, dir);
  TObjectGenerator generator(seed);
  TObjectGenerator newcomers(seed ^ 0x5EED);
  TRandom dice(seed + 3);
  std::string buffer;
  generator.AppendPreamble(buffer);
  writer.All(buffer);
  std::size_t written = buffer.size();
  std::uint32_t added = 0;
  while (written < totalBytes) {
    buffer.clear();
    const std::size_t left = totalBytes - written;
    generator.AppendObject(buffer,
                           std::min(generator.DrawObjectSize(), std::max<std::size_t>(left, 300)));
    written += buffer.size();
    writer.Object(buffer, counts);
    ++counts.Objects;
    const std::uint32_t roll = dice.Below(1000);
    if (roll < 10) {
      buffer.clear();
      newcomers.AppendObject(buffer, std::min<std::size_t>(newcomers.DrawObjectSize(), 1 << 18));
      // Numbers of their own: the update's far up, the add-on's in its range.
      const std::size_t typeEnd = buffer.find(' ', 7);
      const std::size_t numberEnd = buffer.find(' ', typeEnd + 1);
      buffer.replace(typeEnd + 1, numberEnd - typeEnd - 1,
                     std::to_string((roll < 5 ? 1400000000u : 50000000u) + ++added));
      writer.Added(buffer, roll < 5);
    }
  }
  return counts;
}

}  // namespace marlox::bench
