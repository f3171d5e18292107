// SPDX-License-Identifier: MIT
// Writing many objects at once into one directory under their export file
// names, asking before an existing file is replaced.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "objectreader.h"
#include "vexafile.h"

enum class TOverwriteAnswer { oaYes, oaNo, oaCancel, oaYesToAll };

// Asked with the full target path of a file that already exists.
using TOverwriteQuestion = std::function<TOverwriteAnswer(const std::string& fileName)>;

struct TExportResult {
  // Target paths in the order they were written.
  std::vector<std::string> Written;
  // The user answered Cancel; the rows after that one were not visited.
  bool Cancelled = false;
};

// The target path of an object's export file in directory: a path delimiter
// goes in between unless directory already ends with one.
std::string ExportPath(const std::string& directory, const TObjectTextObject& object);

// Writes object of set into target, refused when target is a file set reads.
void SaveObject(const TObjectSet& set, const TObjectTextObject& object, const std::string& target);

// Writes object into target, its text read through reader: objects written
// in file order share a few large reads.
void WriteObjectFile(const TObjectTextObject& object, const std::string& target,
                     TObjectReader& reader);

// Writes the objects at rows into directory, in ascending row order, each row
// once. Missing levels of directory are created; an empty directory name fails
// with "Unable to create directory" before anything is written. An existing
// file (a directory does not count) is replaced only when askOverwrite says
// so, or after it answered Yes to All. A failure to write ends the export with
// its error; the files written before it stay.
TExportResult ExportObjects(const TObjectSet& file, std::vector<std::int32_t> rows,
                            const std::string& directory, const TOverwriteQuestion& askOverwrite);
