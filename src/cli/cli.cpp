// SPDX-License-Identifier: MIT
#include "cli.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <unordered_set>

#include "codecmds.h"
#include "codepage.h"
#include "comparecmd.h"
#include "exporter.h"
#include "foldercmds.h"
#include "mergecmd.h"
#include "pathtext.h"

namespace fs = std::filesystem;

namespace marlox::cli {

const char* const UsageText =
    "Usage: marlox-cli COMMAND FILE [ARGUMENTS]\n"
    "Lists, shows, searches, compares and exports the objects of an object text file.\n"
    "FILE is only read, never changed; all output is byte for byte. FILE, OLD,\n"
    "NEW and SOURCE may also be folders: their *.txt files, subfolders included,\n"
    "read as one set of objects in export order (by type, then number).\n"
    "\n"
    "Commands:\n"
    "  list FILE              one line per object: type, number, name, start offset\n"
    "                         and length, separated by tabs; the count goes to stderr\n"
    "  show FILE TYPE ID      the text of the first object of that type and number\n"
    "  show FILE --index N    the text of the object at index N (0 is the first)\n"
    "  find FILE TEXT [--match-case]\n"
    "                         every match in file order, each search going on after\n"
    "                         the previous match: object index, object name, 1-based\n"
    "                         position and line number within the object\n"
    "  export FILE DIR [--overwrite | --skip-existing]\n"
    "                         writes every object into DIR (created when missing) as\n"
    "                         its export name, for example tab18.txt; without a flag\n"
    "                         nothing is written when any target exists already\n"
    "  compare OLD NEW [--ignore-properties] [--ignore-line-breaks] [--filter EXPR]\n"
    "                         one line per object that differs, in NEW's order, then\n"
    "                         the removed ones: status, type, number, name; the\n"
    "                         counts go to stderr. --export DIR [--overwrite |\n"
    "                         --skip-existing] writes the NEW version of every\n"
    "                         object that differs into DIR and the removed ones to\n"
    "                         DIR/removed.txt, under the rules of export.\n"
    "                         --filter lists, counts and exports only the matching\n"
    "                         objects: an added one is tested in NEW, a removed one\n"
    "                         in OLD, a pair when either of its objects matches; EXPR\n"
    "                         may also hold status:added|removed|changed|\n"
    "                         propertiesonly|identical (prefixes such as prop will do)\n"
    "  diff OLD NEW TYPE ID   a unified diff of that object with 3 lines of context\n"
    "  merge ORIGINAL MODIFIED TARGET --out RESULT [--split] [--conflicts DIR]\n"
    "          [--version-list merge|modified|target]\n"
    "                         brings the change from ORIGINAL to MODIFIED into\n"
    "                         TARGET, object by object and inside objects changed on\n"
    "                         both sides element by element; one line per object on\n"
    "                         stdout (status, type, number, name), the counts on\n"
    "                         stderr. --split writes RESULT as a folder of object\n"
    "                         files; --conflicts writes the three versions of each\n"
    "                         object in conflict into DIR\n"
    "  outline FILE TYPE ID   the sections, fields, triggers and procedures of the\n"
    "                         object: kind, name and line number, separated by tabs\n"
    "  uses FILE TYPE ID      every reference to the object in the file: object\n"
    "                         index, object name, line number and the line's text\n"
    "  join SOURCE... OUT [--overwrite]\n"
    "                         writes every object of the files and folders into OUT,\n"
    "                         byte for byte, in export order; OUT is never an input\n"
    "\n"
    "list, find, export and compare also take --filter EXPR to act on the matching\n"
    "objects only; list also takes --properties. FILE is held while a command runs:\n"
    "other runs of marlox-cli may read it at the same time; a window that has loaded\n"
    "it keeps every other program out until it loads another file or ends.\n"
    "\n"
    "Options:\n"
    "  --match-case           find: letters must match in case too\n"
    "  --overwrite            export: replace existing files; join: replace OUT\n"
    "  --skip-existing        export: keep existing files and skip their objects\n"
    "  --index N              show: choose the object by its index\n"
    "  --ignore-properties    compare: a change only in OBJECT-PROPERTIES is none\n"
    "  --ignore-line-breaks   compare: CR LF, CR and LF count as the same\n"
    "  --export DIR           compare: write the objects that differ into DIR\n"
    "  --filter EXPR          only objects that match every term of EXPR, e.g.\n"
    "                         'type:table|page id:50000..59999 name:*Sales* modified:yes\n"
    "                         version:*ABC1* date:2018-01-01..2018-12-31 word'\n"
    "  --properties           list: add date, time, modified and version list\n"
    "  --date-order dmy|mdy|ymd\n"
    "                         how the file writes its dates (decided from them if not given)\n"
    "  --                     every later argument is an operand (TEXT may start with -)\n"
    "  -h, --help             show this text\n"
    "\n"
    "Exit status:\n"
    "  0                      success; compare and diff: nothing differs; merge: no\n"
    "                         conflict\n"
    "  1                      nothing found (find, show, outline, uses); compare and\n"
    "                         diff: something differs; merge: conflicts (marked in\n"
    "                         RESULT)\n"
    "  2                      an error or bad arguments\n";

namespace {

struct TCommandRule {
  std::string_view name;
  std::size_t minOperands;  // FILE included
  std::size_t maxOperands;
  std::vector<std::string_view> options;
};

const std::vector<TCommandRule>& CommandRules() {
  static const std::vector<TCommandRule> rules = {
      {"list", 1, 1, {"--filter", "--properties", "--date-order"}},
      {"show", 1, 3, {"--index"}},
      {"find", 2, 2, {"--match-case", "--filter", "--date-order"}},
      {"export", 2, 2, {"--overwrite", "--skip-existing", "--filter", "--date-order"}},
      {"outline", 3, 3, {}},
      {"uses", 3, 3, {}},
      {"join", 2, std::size_t(-1), {"--overwrite"}},
  };
  return rules;
}

bool IsOption(std::string_view arg) {
  return arg == "-h" || (arg.size() > 2 && arg.substr(0, 2) == "--");
}

std::int32_t NumberArgument(const std::string& text) {
  try {
    return StrToInt32(text);
  } catch (const ConversionError& e) {
    throw UsageError(e.what());
  }
}

std::string ToString(std::int32_t value) {
  return std::to_string(value);
}

void AppendProperties(std::string& line, const TObjectTextObject& object) {
  for (const std::string_view value :
       {object.Date(), object.Time(), std::string_view(object.Modified() ? "Yes" : "No"),
        object.VersionList()}) {
    line += '\t';
    line += value;
  }
}

// folder: the set's folder, whose objects also name their file.
int RunList(const TCommandLine& command, const TObjectSet& file, const TObjectFilter& filter,
            const TObjectFolder* folder, std::FILE* out, std::FILE* err) {
  std::string line;
  std::int32_t shown = 0;
  for (std::int32_t i = 0; i < file.GetCount(); ++i) {
    const TObjectTextObject& object = file.GetObject(i);
    if (!filter.Matches(object)) continue;
    ++shown;
    line.assign(ObjectTypeNames[std::size_t(object.ObjectType())]);
    line += '\t';
    line += ToString(object.ID());
    line += '\t';
    line += object.Name();
    line += '\t';
    line += ToString(object.StartOffset());
    line += '\t';
    line += ToString(object.Length());
    if (command.properties) AppendProperties(line, object);
    if (folder) line += '\t' + folder->RelativePath(i);
    line += '\n';
    WriteBytes(out, line);
  }
  if (!filter.Empty())
    std::fprintf(err, "%d of %d object(s)\n", shown, file.GetCount());
  else
    std::fprintf(err, "%d object(s)\n", file.GetCount());
  return ecSuccess;
}

int RunShow(const TCommandLine& line, const TObjectSet& file, std::FILE* out, std::FILE* err) {
  std::int32_t index = line.index;
  if (!line.hasIndex) {
    index = FindObject(file, line.type, line.id);
    if (index < 0) {
      std::fprintf(err, "marlox-cli: no %s %d in %s\n",
                   std::string(ObjectTypeNames[std::size_t(line.type)]).c_str(), line.id,
                   line.operands[1].c_str());
      return ecNotFound;
    }
  }
  WriteBytes(out, file.GetObject(index).GetText());
  return ecSuccess;
}

// Loads the file itself, searching as it reads. Rows come while it loads,
// so no progress line is drawn between them.
int RunFind(const TCommandLine& line, TObjectTextFile& file, const TObjectFilter& filter,
            std::FILE* out) {
  std::string row;
  TObjectAccept accept;
  if (!filter.Empty())
    accept = [&](std::int32_t index) { return filter.Matches(file.GetObject(index)); };
  const std::size_t count = FindAll(
      file, line.operands[1], line.operands[2], line.matchCase,
      [&](const TMatch& m) {
        row = ToString(m.Index);
        row += '\t';
        row += file.GetObject(m.Index).GetDisplayName();
        row += '\t';
        row += ToString(m.Pos);
        row += '\t';
        row += ToString(m.Line);
        row += '\n';
        WriteBytes(out, row);
      },
      accept, !filter.Empty() && !line.dateOrder && MayReadDates(line.filter));
  return count > 0 ? ecSuccess : ecNotFound;
}

bool PathTaken(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(vexa::PathOf(path), ec));
}

int RunExport(const TCommandLine& line, const TObjectSet& file, const TObjectFilter& filter,
              std::FILE* err) {
  const std::string& dir = line.operands[2];
  std::vector<TExportTarget> targets = ExportTargets(file, dir);
  std::erase_if(targets,
                [&](const TExportTarget& t) { return !filter.Matches(file.GetObject(t.index)); });

  if (line.exportMode == TExportMode::emRefuse) {
    RefuseExportConflicts(targets, err);
  } else if (line.exportMode == TExportMode::emOverwrite) {
    // The core refuses too, but only when it gets there; stop before any write.
    for (const TExportTarget& target : targets) {
      if (file.Reads(target.path))
        throw VexaError("\"" + target.path + "\" is the file being read; nothing written");
    }
  }

  vexa::ForceDirectories(dir);
  std::size_t written = 0;
  std::size_t skipped = 0;
  TObjectReader reader;
  for (const TExportTarget& target : targets) {
    if (line.exportMode == TExportMode::emSkipExisting && PathTaken(target.path)) {
      ++skipped;
      continue;
    }
    WriteObjectFile(file.GetObject(target.index), target.path, reader);
    ++written;
  }
  std::fprintf(err, "%zu file(s) written, %zu skipped\n", written, skipped);
  return ecSuccess;
}

// Clears a progress line that an error cut short before the error is printed.
class TProgressLine {
 public:
  TProgressLine(std::FILE* err, std::int64_t minSize) : FErr(err), FMinSize(minSize) {}
  ~TProgressLine() { Close(); }

  void Event(TObjectTextFile& file, TProgressKind kind, std::uint8_t percent) {
    switch (kind) {
      case TProgressKind::pkStart:
        FActive = file.Stream() && file.Stream()->Size() >= FMinSize;
        break;
      case TProgressKind::pkProgress:
        if (FActive) {
          std::fprintf(FErr, "\rmarlox-cli: loading... %3u%%", unsigned(percent));
          std::fflush(FErr);
          FOpen = true;
        }
        break;
      case TProgressKind::pkDone: Close(); break;
    }
  }

 private:
  void Close() {
    if (FOpen) std::fprintf(FErr, "\r%30s\r", "");
    FOpen = false;
  }

  std::FILE* FErr;
  std::int64_t FMinSize;
  bool FActive = false;
  bool FOpen = false;
};

}  // namespace

void SetFilterOption(TCommandLine& line, const std::string& name, const std::string& value) {
  if (name == "--filter") {
    line.filter = value;
    return;
  }
  line.dateOrder = DateOrderFromName(value);
  if (!line.dateOrder) throw UsageError("--date-order takes dmy, mdy or ymd, not '" + value + "'");
}

bool TakeOperandOrHelp(const std::string& arg, bool& operandsOnly, TCommandLine& line) {
  if (!operandsOnly && arg == "--")
    operandsOnly = true;
  else if (operandsOnly || !(arg == "-h" || (arg.size() > 2 && arg.rfind("--", 0) == 0)))
    line.operands.push_back(arg);
  else if (arg == "-h" || arg == "--help")
    line.command = "help";
  else
    return false;
  return true;
}

namespace {

TCommandLine ParseFileCommandLine(const std::vector<std::string>& args) {
  TCommandLine result;
  std::vector<std::string> options;
  std::string indexText;
  bool operandsOnly = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!operandsOnly && arg == "--") {
      operandsOnly = true;
    } else if (operandsOnly || !IsOption(arg)) {
      result.operands.push_back(arg);
    } else if (arg == "-h" || arg == "--help") {
      result.command = "help";
      return result;
    } else if (arg == "--index" || arg.rfind("--index=", 0) == 0) {
      if (arg == "--index") {
        if (i + 1 == args.size()) throw UsageError("--index needs a number");
        indexText = args[++i];
      } else {
        indexText = arg.substr(8);
      }
      result.hasIndex = true;
      options.push_back("--index");
    } else if (arg == "--filter" || arg == "--date-order" || arg.rfind("--filter=", 0) == 0 ||
               arg.rfind("--date-order=", 0) == 0) {
      const std::size_t eq = arg.find('=');
      const std::string name = arg.substr(0, eq);
      std::string value;
      if (eq == std::string::npos) {
        if (i + 1 == args.size()) throw UsageError(name + " needs a value");
        value = args[++i];
      } else {
        value = arg.substr(eq + 1);
      }
      SetFilterOption(result, name, value);
      options.push_back(name);
    } else if (arg == "--match-case" || arg == "--overwrite" || arg == "--skip-existing" ||
               arg == "--properties") {
      options.push_back(arg);
    } else {
      throw UsageError("unknown option '" + arg + "'");
    }
  }
  if (result.operands.empty()) throw UsageError("missing command");
  result.command = result.operands.front();
  const auto& rules = CommandRules();
  auto rule = std::find_if(rules.begin(), rules.end(),
                           [&](const TCommandRule& r) { return r.name == result.command; });
  if (rule == rules.end()) throw UsageError("unknown command '" + result.command + "'");
  for (const std::string& option : options) {
    if (std::find(rule->options.begin(), rule->options.end(), option) == rule->options.end())
      throw UsageError(option + " is not an option of " + result.command);
    if (std::count(options.begin(), options.end(), option) > 1)
      throw UsageError(option + " given twice");
  }

  const std::size_t operandCount = result.operands.size() - 1;
  if (operandCount < rule->minOperands) throw UsageError("missing operand for " + result.command);
  if (operandCount > rule->maxOperands) throw UsageError("too many operands for " + result.command);
  if (result.command == "show") {
    if (result.hasIndex ? operandCount != 1 : operandCount != 3)
      throw UsageError("show needs FILE TYPE ID or FILE --index N");
    if (!result.hasIndex && !ObjectTypeFromName(result.operands[2], result.type))
      throw UsageError("unknown object type '" + result.operands[2] + "'");
    if (result.hasIndex)
      result.index = NumberArgument(indexText);
    else
      result.id = NumberArgument(result.operands[3]);
  }
  if (IsCodeCommand(result.command)) ParseCodeOperands(result);
  result.matchCase = std::count(options.begin(), options.end(), "--match-case") > 0;
  result.properties = std::count(options.begin(), options.end(), "--properties") > 0;
  const bool overwrite = std::count(options.begin(), options.end(), "--overwrite") > 0;
  const bool skip = std::count(options.begin(), options.end(), "--skip-existing") > 0;
  if (overwrite && skip) throw UsageError("--overwrite and --skip-existing exclude each other");
  result.exportMode = overwrite ? TExportMode::emOverwrite
                      : skip    ? TExportMode::emSkipExisting
                                : TExportMode::emRefuse;
  return result;
}

// Arguments are UTF-8; what is matched against the file's bytes must be in
// the file's code page.
void ToFileCodePage(TCommandLine& line) {
  try {
    line.filter = vexa::Cp850FromUtf8(line.filter);
    if (line.command == "find") line.operands[2] = vexa::Cp850FromUtf8(line.operands[2]);
  } catch (const vexa::CodePageError& e) {
    throw UsageError(e.what());
  }
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  TCommandLine line = !args.empty() && IsCompareCommand(args[0]) ? ParseCompareCommandLine(args)
                      : !args.empty() && args[0] == "merge"      ? ParseMergeCommandLine(args)
                                                                 : ParseFileCommandLine(args);
  if (line.command != "help") ToFileCodePage(line);
  return line;
}

void WriteBytes(std::FILE* out, std::string_view bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size())
    throw StreamError(StreamWriteErrorText);
}

bool ObjectTypeFromName(std::string_view word, TObjectType& type) {
  for (std::size_t i = 0; i < ObjectTypeNames.size(); ++i) {
    std::string_view name = ObjectTypeNames[i];
    if (name.size() == word.size() &&
        std::equal(name.begin(), name.end(), word.begin(), [](char a, char b) {
          auto fold = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; };
          return fold(a) == fold(b);
        })) {
      type = static_cast<TObjectType>(i);
      return true;
    }
  }
  return false;
}

std::int32_t FindObject(const TObjectSet& file, TObjectType type, std::int32_t id) {
  for (std::int32_t i = 0; i < file.GetCount(); ++i) {
    const TObjectTextObject& object = file.GetObject(i);
    if (object.ObjectType() == type && object.ID() == id) return i;
  }
  return -1;
}

std::vector<TExportTarget> ExportTargets(const TObjectSet& file, const std::string& dir) {
  std::vector<TExportTarget> targets;
  targets.reserve(std::size_t(file.GetCount()));
  for (std::int32_t i = 0; i < file.GetCount(); ++i)
    targets.push_back({i, vexa::PathText(vexa::PathOf(dir) /
                                         vexa::PathOf(file.GetObject(i).GetExportFileName()))});
  return targets;
}

std::vector<std::string> ExportConflicts(const std::vector<TExportTarget>& targets) {
  std::vector<std::string> conflicts;
  std::unordered_set<std::string> seen;
  std::unordered_set<std::string> listed;
  for (const TExportTarget& target : targets) {
    const bool taken = !seen.insert(target.path).second || PathTaken(target.path);
    if (taken && listed.insert(target.path).second) conflicts.push_back(target.path);
  }
  return conflicts;
}

void RefuseExportConflicts(const std::vector<TExportTarget>& targets, std::FILE* err) {
  const std::vector<std::string> conflicts = ExportConflicts(targets);
  if (conflicts.empty()) return;
  for (const std::string& path : conflicts) std::fprintf(err, "%s\n", path.c_str());
  throw VexaError(std::to_string(conflicts.size()) +
                  " target(s) exist already or are taken twice; nothing written "
                  "(use --overwrite or --skip-existing)");
}

void LoadFile(TObjectTextFile& file, const std::string& name, std::FILE* err, bool errIsTerminal) {
  // Small files load faster than a progress line could be read.
  constexpr std::int64_t ProgressMinSize = 1 << 20;
  if (errIsTerminal) file.SetOnProgress(TerminalProgress(err, ProgressMinSize));
  file.SetShareReading(true);
  file.LoadFromFile(name);
  file.SetOnProgress(nullptr);
}

TProgressEvent TerminalProgress(std::FILE* err, std::int64_t minSize) {
  auto progress = std::make_shared<TProgressLine>(err, minSize);
  return [progress](TObjectTextFile& file, TProgressKind kind, std::uint8_t percent) {
    progress->Event(file, kind, percent);
  };
}

namespace {

// Loads a folder for the commands, with its notes on err.
std::unique_ptr<TObjectFolder> LoadCommandFolder(const TCommandLine& line, bool readProperties,
                                                 std::FILE* err) {
  auto folder = std::make_unique<TObjectFolder>();
  folder->SetReadProperties(readProperties);
  LoadFolder(*folder, line.operands[1], err, true);
  return folder;
}

}  // namespace

int Run(const TCommandLine& line, std::FILE* out, std::FILE* err, bool errIsTerminal) {
  if (line.command == "help") {
    WriteBytes(out, UsageText);
    return ecSuccess;
  }
  if (IsCompareCommand(line.command)) return RunCompareCommand(line, out, err, errIsTerminal);
  if (line.command == "merge") return RunMergeCommand(line, out, err, errIsTerminal);
  if (line.command == "join") return RunJoin(line, err);
  // A bad expression fails before the file is read.
  TFilterOptions filterOptions;
  filterOptions.DateOrder = line.dateOrder;
  const TObjectFilter filter(line.filter, filterOptions);
  std::unique_ptr<TObjectFolder> folder;
  TObjectTextFile file;
  if (IsObjectFolder(line.operands[1])) {
    folder = LoadCommandFolder(line, line.properties || !filter.Empty(), err);
  } else {
    // Commands only read: runs side by side on one file must not refuse each other.
    file.SetShareReading(true);
    file.SetReadProperties(line.properties || !filter.Empty());
    if (line.command != "find" && line.command != "uses")
      LoadFile(file, line.operands[1], err, errIsTerminal);
  }
  const TObjectSet& set = folder ? static_cast<const TObjectSet&>(*folder) : file;
  int code = ecSuccess;
  if (line.command == "list") code = RunList(line, set, filter, folder.get(), out, err);
  if (line.command == "show") code = RunShow(line, set, out, err);
  // find searches a file while it loads; a folder's objects once it is loaded.
  if (line.command == "find")
    code = folder ? RunFolderFind(line, *folder, filter, out) : RunFind(line, file, filter, out);
  if (line.command == "export") code = RunExport(line, set, filter, err);
  if (line.command == "uses" && !folder)
    code = RunUsesOfFile(line, file, out, err, errIsTerminal);
  else if (IsCodeCommand(line.command))
    code = RunCodeCommand(line, set, out, err);
  if (std::fflush(out) != 0) throw StreamError(StreamWriteErrorText);
  return code;
}

}  // namespace marlox::cli
