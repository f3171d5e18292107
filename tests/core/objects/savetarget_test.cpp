// SPDX-License-Identifier: MIT
// Saving onto targets that are not plain writable files: write-protected
// files and symbolic links, checked as a user without special rights.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "testfiles.h"
#include "vexafile.h"

namespace fs = std::filesystem;
using testing_support::MessageOf;
using testing_support::ReadAll;
using testing_support::TempDir;

namespace {

constexpr int SkipCode = 77;
constexpr uid_t Nobody = 65534;

// Runs body in a child process as an ordinary user; the child's exit code is
// the number of failed checks, or SkipCode when the rights cannot be dropped.
int RunAsOrdinaryUser(const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0))
      ::_exit(SkipCode);
    ::_exit(body());
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace

TEST(SaveTarget, WriteProtectedFilesAreRefusedAndLinksStayLinks) {
  TempDir dir;
  fs::permissions(dir.path(), fs::perms::all);
  const std::string text = "OBJECT Table 1 One\r\n  a\r\nOBJECT Codeunit 2 Two\r\n  b\r\n";
  const std::string loaded = dir.write("objects.txt", text);
  fs::permissions(loaded, fs::perms::all);
  TObjectTextFile file;
  file.LoadFromFile(loaded);

  const int failures = RunAsOrdinaryUser([&] {
    int failed = 0;
    auto check = [&](bool ok, const std::string& what) {
      if (!ok) std::fprintf(stderr, "failed: %s\n", what.c_str()), ++failed;
    };
    const TObjectTextObject& object = file.GetObject(1);
    auto entries = [&] {
      return std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator());
    };

    const std::string readOnly = dir.write("tab1.txt", "kept");
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read);
    const auto before = entries();
    const std::string message = MessageOf([&] { object.SaveToFile(readOnly); });
    check(message == "Cannot create file \"" + readOnly + "\". Permission denied", message);
    check(ReadAll(readOnly) == "kept", "the write-protected file was changed");
    check(entries() == before, "a temporary file was left behind");

    fs::create_directory(dir.file("real"));
    const std::string real = dir.write("real/cod2.txt", "old");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("real/cod2.txt", dir.file("hop.txt"));
    fs::create_symlink("hop.txt", dir.file("cod2.txt"));
    object.SaveToFile(dir.file("cod2.txt"));
    check(fs::is_symlink(dir.file("cod2.txt")) && fs::is_symlink(dir.file("hop.txt")),
          "a link was replaced");
    check(ReadAll(real) == object.GetText(), "the linked file was not written");
    check(fs::status(real).permissions() ==
              (fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read),
          "the linked file lost its permissions");
    // A link to a file not there yet is no free name: the file appears behind it.
    fs::create_symlink("real/tab3.txt", dir.file("tab3.txt"));
    object.SaveToFile(dir.file("tab3.txt"));
    check(fs::is_symlink(dir.file("tab3.txt")) &&
              ReadAll(dir.file("real/tab3.txt")) == object.GetText(),
          "a dangling link was replaced");

    fs::create_symlink(dir.file("objects.txt"), dir.file("viewed.txt"));
    const std::string refused = MessageOf([&] { object.SaveToFile(dir.file("viewed.txt")); });
    check(refused.rfind("Cannot create file \"", 0) == 0, refused);
    check(fs::is_symlink(dir.file("viewed.txt")) && ReadAll(loaded) == text,
          "the loaded file was written through a link");
    return failed;
  });
  if (failures == SkipCode) GTEST_SKIP() << "cannot drop root rights to check as a user";
  EXPECT_EQ(failures, 0) << "see the failed checks above";
}
