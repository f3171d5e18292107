// SPDX-License-Identifier: MIT
// Runs the real marlox-cli (MARLOX_CLI, else from PATH) through the shell, its
// output captured in files of the test's directory.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "testfiles.h"

namespace testing_support {

struct TCliRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

inline std::string ShellQuoted(const std::string& arg) {
  std::string result = "'";
  for (char c : arg) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return result + "'";
}

inline TCliRun RunCliIn(const TempDir& dir, const std::vector<std::string>& args) {
  const char* cli = std::getenv("MARLOX_CLI");
  std::string command = ShellQuoted(cli ? cli : "marlox-cli");
  for (const std::string& arg : args) command += ' ' + ShellQuoted(arg);
  command += " >" + ShellQuoted(dir.file("stdout")) + " 2>" + ShellQuoted(dir.file("stderr"));
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(dir.file("stdout")),
          ReadAll(dir.file("stderr"))};
}

}  // namespace testing_support
