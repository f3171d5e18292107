// SPDX-License-Identifier: MIT
// The commands of marlox-cli over the object text model. Output goes to the
// given streams so that nothing here depends on the process's own handles.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "findall.h"
#include "objectfilter.h"
#include "vexafile.h"

namespace marlox::cli {

// grep's convention: 1 means "searched and found nothing", so every failure
// must use another code.
enum ExitCode : int { ecSuccess = 0, ecNotFound = 1, ecFailure = 2 };

// Bad arguments; reported with a hint to --help.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class TExportMode { emRefuse, emOverwrite, emSkipExisting };

struct TCommandLine {
  std::string command;  // "list", "show", "find", "export" or "help"
  std::vector<std::string> operands;
  bool matchCase = false;
  TExportMode exportMode = TExportMode::emRefuse;
  // show: either an index or a type and number
  bool hasIndex = false;
  std::int32_t index = 0;
  TObjectType type = TObjectType::otUnknown;
  std::int32_t id = 0;
  // compare
  bool ignoreProperties = false;
  bool ignoreLineBreaks = false;
  std::string exportDir;  // empty: no export
  // list, find, export: only the objects that match; list: the property columns
  std::string filter;
  bool properties = false;
  std::optional<TDateOrder> dateOrder;
  // merge
  std::string outPath;
  bool split = false;
  std::string conflictsDir;  // empty: the conflicts' versions are not written
  std::string versionList = "merge";
};

// Takes the value of --filter or --date-order; throws UsageError for a date
// order other than dmy, mdy or ymd.
void SetFilterOption(TCommandLine& line, const std::string& name, const std::string& value);

// What every command's parser reads alike: "--", after which every argument
// is an operand, operands, and -h or --help, which make the command "help".
// Returns false for an option the command must read itself.
bool TakeOperandOrHelp(const std::string& arg, bool& operandsOnly, TCommandLine& line);

// Throws UsageError for anything the commands cannot run with.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

extern const char* const UsageText;

// Writes bytes to out exactly; throws StreamError when the stream refuses them.
void WriteBytes(std::FILE* out, std::string_view bytes);

// The type whose display name equals word, ignoring ASCII case.
bool ObjectTypeFromName(std::string_view word, TObjectType& type);

// Index of the first object of that type and number, or -1.
std::int32_t FindObject(const TObjectSet& file, TObjectType type, std::int32_t id);

struct TExportTarget {
  std::int32_t index;
  std::string path;
};

// The target path of every object in dir, in file order.
std::vector<TExportTarget> ExportTargets(const TObjectSet& file, const std::string& dir);

// Targets that the export would write over: files that exist now and names
// that an earlier object of the same export takes first.
std::vector<std::string> ExportConflicts(const std::vector<TExportTarget>& targets);

// Lists the conflicts on err and throws when there are any: nothing is written.
void RefuseExportConflicts(const std::vector<TExportTarget>& targets, std::FILE* err);

// Shows load progress on err while a file of at least minSize bytes loads.
TProgressEvent TerminalProgress(std::FILE* err, std::int64_t minSize);

// Loads name into file, held shared with other readers, with progress on a
// terminal err for large files.
void LoadFile(TObjectTextFile& file, const std::string& name, std::FILE* err, bool errIsTerminal);

int Run(const TCommandLine& line, std::FILE* out, std::FILE* err, bool errIsTerminal);

}  // namespace marlox::cli
