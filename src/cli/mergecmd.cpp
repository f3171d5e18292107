// SPDX-License-Identifier: MIT
#include "mergecmd.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "filemerge.h"
#include "pathtext.h"

namespace fs = std::filesystem;

namespace marlox::cli {

namespace {

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(vexa::PathOf(a), vexa::PathOf(b), ec);
}

// Values of options given as "--name VALUE" or "--name=VALUE".
bool TakeValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
               std::string& value) {
  const std::string& arg = args[i];
  if (arg == name) {
    if (i + 1 == args.size()) throw UsageError(name + " needs a value");
    value = args[++i];
  } else if (arg.rfind(name + "=", 0) == 0) {
    value = arg.substr(name.size() + 1);
  } else {
    return false;
  }
  if (value.empty()) throw UsageError(name + " needs a value");
  return true;
}

class TInputs {
 public:
  // One load per distinct file: a file is held exclusively, so naming it
  // twice reads it through the one open file.
  TInputs(const TCommandLine& line, std::FILE* err, bool errIsTerminal) {
    for (std::size_t i = 0; i < 3; ++i) {
      const std::string& name = line.operands[i + 1];
      for (std::size_t j = 0; j < i && !FSide[i]; ++j)
        if (SameFile(name, line.operands[j + 1])) FSide[i] = FSide[j];
      if (FSide[i]) continue;
      FFiles.push_back(std::make_unique<TObjectTextFile>());
      // Only the two changed sides' dates are ever compared.
      FFiles.back()->SetReadProperties(i > 0);
      if (errIsTerminal) FFiles.back()->SetOnProgress(TerminalProgress(err, 1 << 20));
      FFiles.back()->LoadFromFile(name);
      FFiles.back()->SetOnProgress(nullptr);
      FSide[i] = FFiles.back().get();
    }
  }
  const TObjectTextFile& Original() const { return *FSide[0]; }
  const TObjectTextFile& Modified() const { return *FSide[1]; }
  const TObjectTextFile& Target() const { return *FSide[2]; }

 private:
  std::vector<std::unique_ptr<TObjectTextFile>> FFiles;
  const TObjectTextFile* FSide[3] = {nullptr, nullptr, nullptr};
};

void RefuseInput(const TCommandLine& line, const std::string& path) {
  for (std::size_t i = 1; i <= 3; ++i)
    if (SameFile(path, line.operands[i]))
      throw VexaError("\"" + path + "\" is a file being merged; nothing written");
}

// Replaces a file only once it is written whole; a device or a pipe such
// as /dev/stdout is written into.
void WriteOut(const TCommandLine& line, const std::string& path,
              const std::function<void(std::ostream&)>& write) {
  RefuseInput(line, path);
  vexa::WriteFileReplacing(path, write, nullptr);
}

void WriteText(const TCommandLine& line, const std::string& path, std::string_view text) {
  WriteOut(line, path, [&](std::ostream& stream) {
    stream.write(text.data(), std::streamsize(text.size()));
    if (!stream) throw StreamError(StreamWriteErrorText);
  });
}

std::string Stem(const TObjectTextObject& object) {
  std::string name = object.GetExportFileName();
  return name.substr(0, name.rfind('.'));
}

// The three versions of every object in conflict, as DIR/tab18.original.txt,
// .modified.txt and .target.txt; a side without the object gets no file.
void WriteConflictVersions(const TCommandLine& line, const merge::TFileMerge& result,
                           const TInputs& in) {
  vexa::ForceDirectories(line.conflictsDir);
  for (const merge::TMergeItem& item : result.Items) {
    if (item.Status != merge::TMergeStatus::msConflict) continue;
    const std::string stem =
        Stem(merge::ItemObject(item, in.Original(), in.Modified(), in.Target()));
    const std::pair<const TObjectTextFile*, std::int32_t> sides[3] = {
        {&in.Original(), item.OriginalIndex},
        {&in.Modified(), item.ModifiedIndex},
        {&in.Target(), item.TargetIndex}};
    const char* const names[3] = {".original.txt", ".modified.txt", ".target.txt"};
    for (int s = 0; s < 3; ++s)
      if (sides[s].second >= 0)
        WriteText(line,
                  vexa::PathText(vexa::PathOf(line.conflictsDir) / vexa::PathOf(stem + names[s])),
                  sides[s].first->GetObject(sides[s].second).GetText());
  }
}

}  // namespace

TCommandLine ParseMergeCommandLine(const std::vector<std::string>& args) {
  TCommandLine result;
  result.command = args.at(0);
  result.operands.push_back(result.command);
  bool operandsOnly = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string value;
    if (TakeOperandOrHelp(arg, operandsOnly, result)) {
      if (result.command == "help") return result;
    } else if (arg == "--split") {
      if (result.split) throw UsageError("--split given twice");
      result.split = true;
    } else if (TakeValue(args, i, "--out", value)) {
      if (!result.outPath.empty()) throw UsageError("--out given twice");
      result.outPath = value;
    } else if (TakeValue(args, i, "--conflicts", value)) {
      if (!result.conflictsDir.empty()) throw UsageError("--conflicts given twice");
      result.conflictsDir = value;
    } else if (TakeValue(args, i, "--version-list", value)) {
      if (value != "merge" && value != "modified" && value != "target")
        throw UsageError("--version-list takes merge, modified or target, not '" + value + "'");
      result.versionList = value;
    } else {
      throw UsageError("unknown option '" + arg + "'");
    }
  }
  if (result.operands.size() < 4) throw UsageError("missing operand for merge");
  if (result.operands.size() > 4) throw UsageError("too many operands for merge");
  if (result.outPath.empty()) throw UsageError("merge needs --out RESULT");
  return result;
}

int RunMergeCommand(const TCommandLine& line, std::FILE* out, std::FILE* err, bool errIsTerminal) {
  // Nothing is read when the result would replace an input.
  if (!line.split) RefuseInput(line, line.outPath);
  const TInputs in(line, err, errIsTerminal);
  merge::TMergeOptions options;
  options.VersionList = line.versionList == "modified" ? merge::TVersionListMode::vlModified
                        : line.versionList == "target" ? merge::TVersionListMode::vlTarget
                                                       : merge::TVersionListMode::vlMerge;
  options.ModifiedDates = in.Modified().DateOrder();
  options.TargetDates = in.Target().DateOrder();
  merge::TFileMerge result;
  if (line.split) {
    vexa::ForceDirectories(line.outPath);
    result = merge::MergeFiles(in.Original(), in.Modified(), in.Target(), options,
                               [&](const merge::TMergeItem* item, std::string_view text) {
                                 if (!item || text.empty()) return;
                                 const TObjectTextObject& object = merge::ItemObject(
                                     *item, in.Original(), in.Modified(), in.Target());
                                 WriteText(line,
                                           vexa::PathText(vexa::PathOf(line.outPath) /
                                                          vexa::PathOf(object.GetExportFileName())),
                                           text);
                               });
  } else {
    WriteOut(line, line.outPath, [&](std::ostream& stream) {
      // Objects are gathered into large writes: one write each cost a
      // fifth of a merge.
      constexpr std::size_t WriteSize = 1 << 20;
      std::string pending;
      auto drain = [&] {
        stream.write(pending.data(), std::streamsize(pending.size()));
        pending.clear();
      };
      result = merge::MergeFiles(in.Original(), in.Modified(), in.Target(), options,
                                 [&](const merge::TMergeItem*, std::string_view text) {
                                   pending.append(text);
                                   if (pending.size() >= WriteSize) drain();
                                 });
      drain();
      if (!stream.flush()) throw StreamError(StreamWriteErrorText);
    });
  }
  if (!line.conflictsDir.empty()) WriteConflictVersions(line, result, in);
  for (const merge::TMergeItem& item : result.Items) {
    const TObjectTextObject& object =
        merge::ItemObject(item, in.Original(), in.Modified(), in.Target());
    WriteBytes(out, std::string(merge::MergeStatusName(item.Status)) + '\t' +
                        std::string(ObjectTypeNames[std::size_t(object.ObjectType())]) + '\t' +
                        std::to_string(object.ID()) + '\t' + object.Name() + '\n');
  }
  std::fprintf(err, "%s\n", merge::MergeSummaryText(result.Counts).c_str());
  if (std::fflush(out) != 0) throw StreamError(StreamWriteErrorText);
  return result.Counts[merge::TMergeStatus::msConflict] > 0 ? ecNotFound : ecSuccess;
}

}  // namespace marlox::cli
