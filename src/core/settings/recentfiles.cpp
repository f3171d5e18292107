// SPDX-License-Identifier: MIT
#include "recentfiles.h"

#include <algorithm>

namespace {

std::string KeyOf(std::size_t number) {
  return std::string(KeyRecentFilePrefix) + std::to_string(number);
}

#ifdef _WIN32
char Folded(char c) {
  if (c == '/') return '\\';
  return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}
#endif

}  // namespace

bool SamePath(std::string_view a, std::string_view b) {
#ifdef _WIN32
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Folded(x) == Folded(y); });
#else
  return a == b;
#endif
}

void TRecentFiles::Add(const std::string& path) {
  if (path.empty()) return;
  Remove(path);
  FFiles.insert(FFiles.begin(), path);
  if (FFiles.size() > MaxCount) FFiles.resize(MaxCount);
}

void TRecentFiles::Remove(const std::string& path) {
  std::erase_if(FFiles, [&](const std::string& file) { return SamePath(file, path); });
}

void TRecentFiles::Read(const TIniProfile& profile) {
  FFiles.clear();
  for (std::size_t i = 1; i <= MaxCount; ++i) {
    const std::string path = profile.ReadString(SectionRecentFiles, KeyOf(i), "");
    const bool known = std::any_of(FFiles.begin(), FFiles.end(),
                                   [&](const std::string& file) { return SamePath(file, path); });
    if (!path.empty() && !known) FFiles.push_back(path);
  }
}

void TRecentFiles::Write(TIniProfile& profile) const {
  // Each write replaces the whole file; a list that did not change, as when
  // a listed file opens again, leaves it as it is.
  for (std::size_t i = 1; i <= MaxCount; ++i) {
    if (i <= FFiles.size()) {
      if (profile.ReadString(SectionRecentFiles, KeyOf(i), "\n") != FFiles[i - 1])
        profile.WriteString(SectionRecentFiles, KeyOf(i), FFiles[i - 1]);
      continue;
    }
    // A line break never comes back from the file, so it tells a missing key;
    // an entry no longer used is emptied, once.
    const std::string old = profile.ReadString(SectionRecentFiles, KeyOf(i), "\n");
    if (old != "\n" && !old.empty()) profile.WriteString(SectionRecentFiles, KeyOf(i), "");
  }
}

std::string ReadExportFolder(const TIniProfile& profile) {
  return profile.ReadString(SectionExport, KeyExportFolder, "");
}

void WriteExportFolder(TIniProfile& profile, const std::string& folder) {
  profile.WriteString(SectionExport, KeyExportFolder, folder);
}
