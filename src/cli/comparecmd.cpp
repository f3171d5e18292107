// SPDX-License-Identifier: MIT
#include "comparecmd.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>

#include "comparison.h"
#include "comparisonfilter.h"
#include "exporter.h"
#include "foldercmds.h"
#include "linediff.h"
#include "pathtext.h"
#include "sidebyside.h"

namespace fs = std::filesystem;

namespace marlox::cli {

namespace {

std::string TypeName(TObjectType type) {
  return std::string(ObjectTypeNames[std::size_t(type)]);
}

std::string ObjectLine(const TObjectTextObject& object) {
  return TypeName(object.ObjectType()) + '\t' + std::to_string(object.ID()) + '\t' + object.Name() +
         '\n';
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(vexa::PathOf(a), vexa::PathOf(b), ec);
}

// One side of a comparison: a file, or a folder's set of objects.
class TSide {
 public:
  void Load(const std::string& name, bool readProperties, std::FILE* err, bool errIsTerminal) {
    if (IsObjectFolder(name)) {
      FFolder = std::make_unique<TObjectFolder>();
      FFolder->SetReadProperties(readProperties);
      LoadFolder(*FFolder, name, err, false);
    } else {
      FFile.SetReadProperties(readProperties);
      LoadFile(FFile, name, err, errIsTerminal);
    }
  }
  const TObjectSet& Set() const {
    return FFolder ? static_cast<const TObjectSet&>(*FFolder) : FFile;
  }
  // The file, unless this side is a folder or not loaded yet.
  TObjectTextFile* File() { return FFolder ? nullptr : &FFile; }

 private:
  TObjectTextFile FFile;
  std::unique_ptr<TObjectFolder> FFolder;
};

// Writes the new version of every object that differs, and the list of the
// removed ones, under the conflict rules of export.
void ExportDifferences(const TCommandLine& line, const TComparison& comparison,
                       const TObjectSet& oldFile, const TObjectSet& newFile, std::FILE* err) {
  const std::string& dir = line.exportDir;
  std::vector<std::int32_t> rows;
  std::string removed;
  for (const TComparisonItem& item : comparison.Items) {
    if (item.Status == TComparisonStatus::csRemoved)
      removed += ObjectLine(oldFile.GetObject(item.OldIndex));
    else if (item.Status != TComparisonStatus::csIdentical)
      rows.push_back(item.NewIndex);
  }
  std::vector<TExportTarget> targets;
  for (std::int32_t row : rows)
    targets.push_back(
        {row, vexa::PathText(vexa::PathOf(dir) /
                             vexa::PathOf(newFile.GetObject(row).GetExportFileName()))});
  const std::string removedPath = vexa::PathText(vexa::PathOf(dir) / "removed.txt");
  targets.push_back({-1, removedPath});

  if (line.exportMode == TExportMode::emRefuse) RefuseExportConflicts(targets, err);
  for (const TExportTarget& target : targets) {
    if (oldFile.Reads(target.path) || newFile.Reads(target.path))
      throw VexaError("\"" + target.path + "\" is a file being compared; nothing written");
  }

  const bool skip = line.exportMode == TExportMode::emSkipExisting;
  const bool replace = line.exportMode == TExportMode::emOverwrite;
  const TExportResult result = ExportObjects(newFile, rows, dir, [replace](const std::string&) {
    return replace ? TOverwriteAnswer::oaYesToAll : TOverwriteAnswer::oaNo;
  });
  std::size_t written = result.Written.size();
  if (!(skip && vexa::FileExists(removedPath))) {
    vexa::WriteFileReplacing(
        removedPath,
        [&](std::ostream& out) {
          out.write(removed.data(), std::streamsize(removed.size()));
          if (!out) throw StreamError(StreamWriteErrorText);
        },
        nullptr);
    ++written;
  }
  std::fprintf(err, "%zu file(s) written, %zu skipped\n", written, targets.size() - written);
}

int RunCompare(const TCommandLine& line, const TComparisonFilter& matcher,
               const TObjectFilter& filter, const TObjectSet& oldFile, const TObjectSet& newFile,
               const TSameBytes* same, std::FILE* out, std::FILE* err) {
  TComparisonOptions options;
  options.IgnoreLineBreaks = line.ignoreLineBreaks;
  options.IgnoreProperties = line.ignoreProperties;
  const TComparison comparison =
      matcher.Select(filter, CompareFiles(oldFile, newFile, options, same), oldFile, newFile);
  for (const TDuplicateKey& d : comparison.Duplicates)
    std::fprintf(err,
                 "marlox-cli: %s %d occurs %d time(s) in %s and %d time(s) in %s; "
                 "paired in order of occurrence\n",
                 TypeName(d.Type).c_str(), d.ID, d.OldCount, line.operands[1].c_str(), d.NewCount,
                 line.operands[2].c_str());
  // Export first: when it is refused, no list suggests that it went well.
  if (!line.exportDir.empty()) ExportDifferences(line, comparison, oldFile, newFile, err);
  for (const TComparisonItem& item : comparison.Items) {
    if (item.Status == TComparisonStatus::csIdentical) continue;
    const TObjectTextObject& object =
        item.NewIndex >= 0 ? newFile.GetObject(item.NewIndex) : oldFile.GetObject(item.OldIndex);
    WriteBytes(out, std::string(StatusName(item.Status)) + '\t' + ObjectLine(object));
  }
  std::fprintf(err, "%s\n", SummaryText(comparison.Counts).c_str());
  return comparison.Counts.AnyDifference() ? ecNotFound : ecSuccess;
}

int RunDiff(const TCommandLine& line, const TObjectSet& oldFile, const TObjectSet& newFile,
            std::FILE* out, std::FILE* err) {
  const std::int32_t oldIndex = FindObject(oldFile, line.type, line.id);
  const std::int32_t newIndex = FindObject(newFile, line.type, line.id);
  const std::string what = TypeName(line.type) + ' ' + std::to_string(line.id);
  if (oldIndex < 0 && newIndex < 0) {
    std::fprintf(err, "marlox-cli: no %s in %s or %s\n", what.c_str(), line.operands[1].c_str(),
                 line.operands[2].c_str());
    return ecFailure;
  }
  // An object on one side only is all added or all removed.
  auto label = [&](const TObjectSet& file, std::int32_t index, const std::string& name) {
    return name + '\t' +
           (index >= 0 ? file.GetObject(index).GetDisplayName() : what + " (not in this file)");
  };
  const std::string oldText = oldIndex >= 0 ? oldFile.GetObject(oldIndex).GetText() : "";
  const std::string newText = newIndex >= 0 ? newFile.GetObject(newIndex).GetText() : "";
  if (oldIndex >= 0 && newIndex >= 0 && oldText == newText) return ecSuccess;
  std::string diff;
  WriteUnifiedDiff(diff, DiffLines(oldText, newText), oldText, newText,
                   label(oldFile, oldIndex, line.operands[1]),
                   label(newFile, newIndex, line.operands[2]));
  WriteBytes(out, diff);
  return ecNotFound;
}

}  // namespace

bool IsCompareCommand(const std::string& command) {
  return command == "compare" || command == "diff";
}

TCommandLine ParseCompareCommandLine(const std::vector<std::string>& args) {
  TCommandLine result;
  result.command = args.at(0);
  const bool compare = result.command == "compare";
  bool operandsOnly = false;
  bool overwrite = false;
  bool skip = false;
  bool exportGiven = false;
  bool filterGiven = false;
  bool dateOrderGiven = false;
  auto once = [](bool& flag, const std::string& option) {
    if (flag) throw UsageError(option + " given twice");
    flag = true;
  };
  result.operands.push_back(result.command);
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (TakeOperandOrHelp(arg, operandsOnly, result)) {
      if (result.command == "help") return result;
    } else if (compare && arg == "--ignore-properties") {
      once(result.ignoreProperties, arg);
    } else if (compare && arg == "--ignore-line-breaks") {
      once(result.ignoreLineBreaks, arg);
    } else if (compare && arg == "--overwrite") {
      once(overwrite, arg);
    } else if (compare && arg == "--skip-existing") {
      once(skip, arg);
    } else if (compare && (arg == "--export" || arg.rfind("--export=", 0) == 0)) {
      once(exportGiven, "--export");
      if (arg == "--export" && i + 1 == args.size()) throw UsageError("--export needs a directory");
      result.exportDir = arg == "--export" ? args[++i] : arg.substr(9);
      if (result.exportDir.empty()) throw UsageError("--export needs a directory");
    } else if (compare && (arg == "--filter" || arg == "--date-order" ||
                           arg.rfind("--filter=", 0) == 0 || arg.rfind("--date-order=", 0) == 0)) {
      const std::size_t eq = arg.find('=');
      const std::string name = arg.substr(0, eq);
      once(name == "--filter" ? filterGiven : dateOrderGiven, name);
      if (eq == std::string::npos && i + 1 == args.size())
        throw UsageError(name + " needs a value");
      const std::string value = eq == std::string::npos ? args[++i] : arg.substr(eq + 1);
      SetFilterOption(result, name, value);
    } else {
      const bool known = arg.rfind("--export", 0) == 0 || arg.rfind("--filter", 0) == 0 ||
                         arg.rfind("--date-order", 0) == 0 || arg == "--ignore-properties" ||
                         arg == "--ignore-line-breaks" || arg == "--overwrite" ||
                         arg == "--skip-existing" || arg == "--match-case" ||
                         arg.rfind("--index", 0) == 0;
      throw UsageError(known ? arg + " is not an option of " + result.command
                             : "unknown option '" + arg + "'");
    }
  }
  const std::size_t operandCount = result.operands.size() - 1;
  const std::size_t wanted = compare ? 2 : 4;
  if (operandCount < wanted) throw UsageError("missing operand for " + result.command);
  if (operandCount > wanted) throw UsageError("too many operands for " + result.command);
  if (overwrite && skip) throw UsageError("--overwrite and --skip-existing exclude each other");
  if ((overwrite || skip) && !exportGiven)
    throw UsageError(std::string(overwrite ? "--overwrite" : "--skip-existing") +
                     " needs --export");
  result.exportMode = overwrite ? TExportMode::emOverwrite
                      : skip    ? TExportMode::emSkipExisting
                                : TExportMode::emRefuse;
  if (!compare) {
    if (!ObjectTypeFromName(result.operands[3], result.type))
      throw UsageError("unknown object type '" + result.operands[3] + "'");
    try {
      result.id = StrToInt32(result.operands[4]);
    } catch (const ConversionError& e) {
      throw UsageError(e.what());
    }
  }
  return result;
}

int RunCompareCommand(const TCommandLine& line, std::FILE* out, std::FILE* err,
                      bool errIsTerminal) {
  // A bad expression fails before either file is read.
  const TComparisonFilter matcher;
  TFilterOptions filterOptions;
  filterOptions.DateOrder = line.dateOrder;
  const TObjectFilter filter = matcher.Compile(line.filter, filterOptions);
  TSide oldSide;
  TSide otherSide;
  // Pairs are compared by their bytes; properties only matter to a filter.
  const bool readProperties = !filter.Empty();
  // A folder holds none of its files after its load, so it goes first: a
  // file of it given as the other side can then still be opened.
  const bool folderFirst = !IsObjectFolder(line.operands[1]) && IsObjectFolder(line.operands[2]);
  if (folderFirst) otherSide.Load(line.operands[2], readProperties, err, errIsTerminal);
  // A file is held exclusively, so it cannot be opened twice; compared with
  // itself it is simply read twice through the one open file.
  const bool sameFile =
      !IsObjectFolder(line.operands[1]) && SameFile(line.operands[1], line.operands[2]);
  // Two files load side by side, learning where their bytes lie the same at
  // the same offsets, so that a pair there is not read a second time. The
  // new file's progress is the pair's.
  std::optional<TSameBytes> same;
  if (!sameFile && !folderFirst && !IsObjectFolder(line.operands[1]) &&
      !IsObjectFolder(line.operands[2])) {
    same.emplace(*oldSide.File(), *otherSide.File());
    LoadSideBySide(
        *oldSide.File(), *otherSide.File(), *same,
        [&] { oldSide.Load(line.operands[1], readProperties, err, false); },
        [&] { otherSide.Load(line.operands[2], readProperties, err, errIsTerminal); });
  } else {
    oldSide.Load(line.operands[1], readProperties, err, errIsTerminal);
    if (!sameFile && !folderFirst)
      otherSide.Load(line.operands[2], readProperties, err, errIsTerminal);
  }
  const TObjectSet& oldFile = oldSide.Set();
  const TObjectSet& newFile = sameFile ? oldFile : otherSide.Set();
  const TSameBytes* known = same ? &*same : nullptr;
  const int code = line.command == "compare"
                       ? RunCompare(line, matcher, filter, oldFile, newFile, known, out, err)
                       : RunDiff(line, oldFile, newFile, out, err);
  if (std::fflush(out) != 0) throw StreamError(StreamWriteErrorText);
  return code;
}

}  // namespace marlox::cli
