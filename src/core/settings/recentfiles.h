// SPDX-License-Identifier: MIT
// The files opened last, newest first, as the File menu lists them, and the
// folder of the last export of many objects. Both live in sections of their
// own in the settings file, written only once there is something to keep.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "profile.h"

inline constexpr std::string_view SectionRecentFiles = "Recent Files";
// "File1" (the newest) to "File8".
inline constexpr std::string_view KeyRecentFilePrefix = "File";
inline constexpr std::string_view SectionExport = "Export";
inline constexpr std::string_view KeyExportFolder = "Folder";

class TRecentFiles {
 public:
  static constexpr std::size_t MaxCount = 8;

  const std::vector<std::string>& Files() const { return FFiles; }
  bool Empty() const { return FFiles.empty(); }
  // The newest, or empty.
  std::string Last() const { return FFiles.empty() ? std::string() : FFiles.front(); }

  // Puts path first; an entry naming the same path goes, and the list keeps
  // the newest MaxCount.
  void Add(const std::string& path);
  void Remove(const std::string& path);

  // Empty values and repeated paths are skipped.
  void Read(const TIniProfile& profile);
  // Writes File1 to FileN; the keys after them are emptied where the file has
  // them, so that a shorter list does not bring old entries back.
  void Write(TIniProfile& profile) const;

 private:
  std::vector<std::string> FFiles;
};

// Paths name one file when they are equal as the platform compares them:
// on Windows without regard to case and whichever slash parts the names.
bool SamePath(std::string_view a, std::string_view b);

std::string ReadExportFolder(const TIniProfile& profile);  // empty
void WriteExportFolder(TIniProfile& profile, const std::string& folder);
