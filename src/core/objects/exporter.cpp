// SPDX-License-Identifier: MIT
#include "exporter.h"

#include <algorithm>
#include <ostream>

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

namespace {

// A set of many files guards them all, not only the object's own.
void RefuseReadFile(const TObjectSet& set, const std::string& target) {
  if (set.Reads(target))
    throw FileError("Cannot create file \"" + vexa::FullPath(target) +
                    "\". It is the file being viewed and is never overwritten.");
}

}  // namespace

void SaveObject(const TObjectSet& set, const TObjectTextObject& object, const std::string& target) {
  RefuseReadFile(set, target);
  object.SaveToFile(target);
}

void WriteObjectFile(const TObjectTextObject& object, const std::string& target,
                     TObjectReader& reader) {
  // Read before the target is touched, so that a failed read creates nothing.
  const std::string_view text = reader.Text(object);
  vexa::WriteFileReplacing(
      target,
      [text](std::ostream& out) {
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!out) throw StreamError(StreamWriteErrorText);
      },
      object.Owner().Stream());
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
  TObjectReader reader;
  bool replaceAll = false;
  for (std::int32_t row : rows) {
    const TObjectTextObject& object = file.GetObject(row);
    const std::string target = ExportPath(directory, object);
    const bool exists = vexa::FileExists(target);
    if (exists && !replaceAll) {
      switch (askOverwrite(target)) {
        case TOverwriteAnswer::oaYes: break;
        case TOverwriteAnswer::oaYesToAll: replaceAll = true; break;
        case TOverwriteAnswer::oaNo: continue;
        case TOverwriteAnswer::oaCancel: result.Cancelled = true; return result;
      }
    }
    // Nothing at the name cannot be a file the set reads: a new file of
    // thousands is spared a lookup.
    if (exists) RefuseReadFile(file, target);
    WriteObjectFile(object, target, reader);
    result.Written.push_back(target);
  }
  return result;
}
