// SPDX-License-Identifier: MIT
#include "codecmds.h"

#include <string>

#include "objectoutline.h"
#include "objectreferences.h"

namespace marlox::cli {

namespace {

// The object named by TYPE ID, or -1 after saying so on err.
std::int32_t TargetObject(const TCommandLine& line, const TObjectSet& file, std::FILE* err) {
  const std::int32_t index = FindObject(file, line.type, line.id);
  if (index < 0)
    std::fprintf(err, "marlox-cli: no %s %d in %s\n",
                 std::string(ObjectTypeNames[std::size_t(line.type)]).c_str(), line.id,
                 line.operands[1].c_str());
  return index;
}

int RunOutline(const TCommandLine& line, const TObjectSet& file, std::FILE* out, std::FILE* err) {
  const std::int32_t index = TargetObject(line, file, err);
  if (index < 0) return ecFailure;
  const std::string text = file.GetObject(index).GetText();
  const std::vector<cal::TOutlineEntry> outline = cal::BuildOutline(text);
  for (const cal::TOutlineEntry& entry : outline) {
    std::string row = cal::OutlineKindName(entry) + '\t';
    row += entry.Owner.empty() ? entry.Name : entry.Owner + " - " + entry.Name;
    row += '\t' + std::to_string(entry.Line);
    if (!entry.Attributes.empty()) row += '\t' + entry.Attributes;
    WriteBytes(out, row + '\n');
  }
  return outline.empty() ? ecNotFound : ecSuccess;
}

int WriteUses(const TObjectSet& file, const std::vector<cal::TObjectUse>& uses, std::FILE* out) {
  for (const cal::TObjectUse& use : uses) {
    std::string row = std::to_string(use.ObjIndex) + '\t';
    row += file.GetObject(use.ObjIndex).GetDisplayName();
    row += '\t' + std::to_string(use.Reference.Line) + '\t' + use.LineText + '\n';
    WriteBytes(out, row);
  }
  return uses.empty() ? ecNotFound : ecSuccess;
}

int RunUses(const TCommandLine& line, const TObjectSet& file, std::FILE* out, std::FILE* err) {
  const std::int32_t index = TargetObject(line, file, err);
  if (index < 0) return ecFailure;
  std::vector<cal::TObjectUse> uses;
  cal::FindUses(file, index, uses);
  return WriteUses(file, uses, out);
}

}  // namespace

bool IsCodeCommand(const std::string& command) {
  return command == "outline" || command == "uses";
}

void ParseCodeOperands(TCommandLine& line) {
  if (line.operands.size() != 4) throw UsageError(line.command + " needs FILE TYPE ID");
  if (!ObjectTypeFromName(line.operands[2], line.type))
    throw UsageError("unknown object type '" + line.operands[2] + "'");
  try {
    line.id = StrToInt32(line.operands[3]);
  } catch (const ConversionError& e) {
    throw UsageError(e.what());
  }
}

int RunCodeCommand(const TCommandLine& line, const TObjectSet& file, std::FILE* out,
                   std::FILE* err) {
  return line.command == "outline" ? RunOutline(line, file, out, err)
                                   : RunUses(line, file, out, err);
}

int RunUsesOfFile(const TCommandLine& line, TObjectTextFile& file, std::FILE* out, std::FILE* err,
                  bool errIsTerminal) {
  // One read of the file: the load's parts search their objects as they pass.
  cal::TOnePassUses search(file, line.type, line.id);
  struct TListening {
    TObjectTextFile& File;
    ~TListening() { File.SetOnPartScanned(nullptr); }
  } listening{file};
  file.SetOnPartScanned([&search](const TPartScannedText& text) { search.Scanned(text); });
  LoadFile(file, line.operands[1], err, errIsTerminal);
  if (search.Target() < 0) {
    TargetObject(line, file, err);  // says that there is none
    return ecFailure;
  }
  std::vector<cal::TObjectUse> uses;
  search.Finish(uses);
  return WriteUses(file, uses, out);
}

}  // namespace marlox::cli
