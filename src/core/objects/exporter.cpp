// SPDX-License-Identifier: MIT
#include "exporter.h"

#include <algorithm>

namespace {

#ifdef _WIN32
constexpr char PathDelimiter = '\\';
bool EndsWithDelimiter(const std::string& path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
}
#else
constexpr char PathDelimiter = '/';
bool EndsWithDelimiter(const std::string& path) {
  return !path.empty() && path.back() == '/';
}
#endif

}  // namespace

std::string ExportPath(const std::string& directory, const TObjectTextObject& object) {
  std::string path = directory;
  if (!EndsWithDelimiter(path)) path += PathDelimiter;
  return path + object.GetExportFileName();
}

void SaveObject(const TObjectSet& set, const TObjectTextObject& object, const std::string& target) {
  // A set of many files guards them all, not only the object's own.
  if (set.Reads(target))
    throw FileError("Cannot create file \"" + vexa::FullPath(target) +
                    "\". It is the file being viewed and is never overwritten.");
  object.SaveToFile(target);
}

TExportResult ExportObjects(const TObjectSet& file, std::vector<std::int32_t> rows,
                            const std::string& directory, const TOverwriteQuestion& askOverwrite) {
  // Only an empty name is an error here; a directory that cannot be created
  // makes the first write into it fail with the file's own message.
  try {
    vexa::ForceDirectories(directory);
  } catch (const FileError&) {
    if (directory.empty()) throw;
  }

  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

  TExportResult result;
  bool replaceAll = false;
  for (std::int32_t row : rows) {
    const TObjectTextObject& object = file.GetObject(row);
    const std::string target = ExportPath(directory, object);
    if (vexa::FileExists(target) && !replaceAll) {
      switch (askOverwrite(target)) {
        case TOverwriteAnswer::oaYes: break;
        case TOverwriteAnswer::oaYesToAll: replaceAll = true; break;
        case TOverwriteAnswer::oaNo: continue;
        case TOverwriteAnswer::oaCancel: result.Cancelled = true; return result;
      }
    }
    SaveObject(file, object, target);
    result.Written.push_back(target);
  }
  return result;
}
