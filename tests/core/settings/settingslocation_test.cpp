// SPDX-License-Identifier: MIT
// Where an installed and a portable program keep their settings.
#include "settingslocation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "osfile.h"
#include "testfiles.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

using testing_support::TempDir;

namespace fs = std::filesystem;

namespace {

TEST(SettingsLocation, APortableCopyKeepsItsFileBesideTheExecutable) {
  TempDir dir;
  const std::string program = dir.file("bin/marlox");
  fs::create_directories(dir.file("bin"));
  const std::string config = dir.file("home/.config/marlox");
  EXPECT_EQ(ChooseSettingsFile(program, config), vexa::FullPath(dir.file("bin/marlox.zup")));
  EXPECT_FALSE(fs::exists(config)) << "nothing is created for a portable copy";
}

#ifndef _WIN32

// Runs checks in a child that has dropped root's rights (root may write
// anywhere); returns what the child reported, or why it could not run.
std::string AsOrdinaryUser(const std::function<std::string()>& checks) {
  int channel[2];
  if (::pipe(channel) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    std::string report;
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
      report = "cannot drop root's rights";
    else
      report = checks();
    [[maybe_unused]] auto written = ::write(channel[1], report.data(), report.size());
    ::_exit(0);
  }
  ::close(channel[1]);
  std::string report;
  char chunk[512];
  for (ssize_t got; (got = ::read(channel[0], chunk, sizeof chunk)) > 0;)
    report.append(chunk, std::size_t(got));
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return report;
}

TEST(SettingsLocation, AnInstalledCopyUsesTheUsersConfigurationDirectory) {
  TempDir dir;
  fs::create_directories(dir.file("usr/bin"));
  fs::create_directories(dir.file("home"));
  fs::permissions(dir.path(), fs::perms::all);
  fs::permissions(dir.file("home"), fs::perms::all);
  fs::permissions(dir.file("usr/bin"), fs::perms::owner_all | fs::perms::group_read |
                                           fs::perms::group_exec | fs::perms::others_read |
                                           fs::perms::others_exec);
  const std::string program = dir.file("usr/bin/marlox");
  const std::string config = dir.file("home/.config/marlox");

  // An ordinary user who owns the scratch directory gives up writing to it.
  const bool root = ::geteuid() == 0;
  if (!root) fs::permissions(dir.file("usr/bin"), fs::perms::owner_write, fs::perm_options::remove);
  const std::string report = AsOrdinaryUser([&] {
    std::string seen = ChooseSettingsFile(program, config);
    seen += fs::is_directory(config) ? " (created)" : " (missing)";
    return seen;
  });
  if (!root) fs::permissions(dir.file("usr/bin"), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(report, dir.file("home/.config/marlox/marlox.zup") + " (created)");

  // A settings file put beside it by an administrator stays in use.
  dir.write("usr/bin/marlox.zup", "[Window]\n");
  fs::permissions(dir.file("usr/bin/marlox.zup"), fs::perms::all);
  if (!root) fs::permissions(dir.file("usr/bin"), fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_EQ(AsOrdinaryUser([&] { return ChooseSettingsFile(program, config); }),
            vexa::FullPath(dir.file("usr/bin/marlox.zup")));
  if (!root) fs::permissions(dir.file("usr/bin"), fs::perms::owner_write, fs::perm_options::add);
}

#endif

}  // namespace
