// SPDX-License-Identifier: MIT
#include "settingslocation.h"

#include <filesystem>

#include "osfile.h"
#include "pathtext.h"
#include "settings.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

bool DirectoryWritable(const std::string& directory) {
#ifdef _WIN32
  // Access rights on Windows are lists that only a real attempt answers.
  const fs::path probe =
      vexa::PathOf(directory) / ("marlox-probe-" + std::to_string(::GetCurrentProcessId()));
  HANDLE handle = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(handle);
  return true;
#else
  return ::access(directory.c_str(), W_OK | X_OK) == 0;
#endif
}

std::string ChooseSettingsFile(const std::string& executablePath,
                               const std::string& userConfigDir) {
  const std::string beside = SettingsFileBeside(executablePath);
  if (vexa::FileExists(beside) ||
      DirectoryWritable(vexa::PathText(vexa::PathOf(beside).parent_path())) ||
      userConfigDir.empty())
    return beside;
  try {
    vexa::ForceDirectories(userConfigDir);
  } catch (const FileError&) {
  }
  return vexa::PathText(vexa::PathOf(userConfigDir) / vexa::PathOf(std::string(SettingsFileName)));
}
