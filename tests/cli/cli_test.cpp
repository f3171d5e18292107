// SPDX-License-Identifier: MIT
// marlox-cli end to end: the real binary on files written here.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "testfiles.h"

extern char** environ;

using testing_support::ReadAll;
using testing_support::TempDir;

namespace fs = std::filesystem;

namespace {

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string CliPath() {
  const char* path = std::getenv("MARLOX_CLI");
  return path ? path : "marlox-cli";
}

std::vector<char*> Argv(std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return argv;
}

int WaitExit(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs marlox-cli with stdout going to outPath and stderr to a file.
RunResult RunCli(std::vector<std::string> args, const std::string& outPath = {}) {
  static TempDir captures;
  const std::string out = outPath.empty() ? captures.file("out") : outPath;
  const std::string err = captures.file("err");
  args.insert(args.begin(), CliPath());
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv = Argv(args);
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return {};
  RunResult result;
  result.exitCode = WaitExit(pid);
  result.out = outPath.empty() ? ReadAll(out) : "";
  result.err = ReadAll(err);
  return result;
}

// Runs marlox-cli with stderr on a pseudo terminal; returns what the terminal got.
std::string RunCliOnTerminal(std::vector<std::string> args, int& exitCode) {
  int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return "(no pty)";
  const std::string slave = ::ptsname(master);
  args.insert(args.begin(), CliPath());
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, slave.c_str(), O_RDWR | O_NOCTTY, 0);
  posix_spawn_file_actions_addclose(&actions, master);
  std::vector<char*> argv = Argv(args);
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  std::string seen;
  if (spawned == 0) {
    // Drain as it comes, so a full terminal buffer never stalls the child.
    int status = 0;
    for (bool exited = false; !exited;) {
      exited = ::waitpid(pid, &status, WNOHANG) == pid;
      pollfd ready{master, POLLIN, 0};
      while (::poll(&ready, 1, exited ? 0 : 20) > 0) {
        char chunk[4096];
        const ssize_t got = ::read(master, chunk, sizeof chunk);
        if (got <= 0) break;
        seen.append(chunk, std::size_t(got));
      }
    }
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  ::close(master);
  return seen;
}

std::string Lines(const std::vector<std::string>& lines, const std::string& lineBreak = "\r\n") {
  std::string text;
  for (const std::string& line : lines) text += line + lineBreak;
  return text;
}

// Three objects with CR LF, bytes of the upper half, a NUL, a long name and
// text before the first header; the last one has no final line break.
const std::string Preamble = "Exported for the tests\r\n\r\n";
const std::string Table18 = Lines({"OBJECT Table 18 Kunde M\x81ller", "{", "  Caption=\x94l;",
                                   "  PROCEDURE Total@1();", "}", ""});
const std::string Codeunit80 =
    Lines({"OBJECT Codeunit 80 Sales-Post Routine With A Very Long Name", "{",
           std::string("  x := 'a\0b';", 13), "  EXIT(total);", "}"},
          "\n");
const std::string Word7 = "OBJECT word 7 Lower Case Type\rtotal TOTAL Total\r";

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    text = Preamble + Table18 + Codeunit80 + Word7;
    file = dir.write("objects.txt", text);
    modified = fs::last_write_time(file);
  }

  // No command may touch FILE: same bytes, same time.
  void TearDown() override {
    EXPECT_EQ(ReadAll(file), text);
    EXPECT_EQ(fs::last_write_time(file), modified);
  }

  TempDir dir;
  std::string text;
  std::string file;
  fs::file_time_type modified;
};

std::string ListRow(const std::string& type, int id, const std::string& name, std::size_t start,
                    std::size_t length) {
  return type + "\t" + std::to_string(id) + "\t" + name + "\t" + std::to_string(start) + "\t" +
         std::to_string(length) + "\n";
}

}  // namespace

TEST_F(CliTest, ListGivesOneTabSeparatedRowPerObjectAndTheCountOnStderr) {
  const RunResult r = RunCli({"list", file});
  const std::size_t codeunitAt = Preamble.size() + Table18.size();
  const std::size_t wordAt = codeunitAt + Codeunit80.size();
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, ListRow("Table", 18, "Kunde M\x81ller", Preamble.size(), Table18.size()) +
                       ListRow("Codeunit", 80, "Sales-Post Routine With A Very", codeunitAt,
                               Codeunit80.size()) +
                       ListRow("Unknown", 7, "Lower Case Type", wordAt, Word7.size()));
  EXPECT_EQ(r.err, "3 object(s)\n");
}

TEST_F(CliTest, ListOfAnEmptyFileHasNoRows) {
  const RunResult r = RunCli({"list", dir.write("empty.txt", "")});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "0 object(s)\n");
}

class CliShow : public CliTest,
                public ::testing::WithParamInterface<std::tuple<std::vector<std::string>, int>> {};

TEST_P(CliShow, WritesTheObjectsBytesExactly) {
  std::vector<std::string> args = std::get<0>(GetParam());
  args.insert(args.begin() + 1, file);
  const RunResult r = RunCli(args);
  const std::string expected[] = {Table18, Codeunit80, Word7};
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, expected[std::get<1>(GetParam())]);
  EXPECT_EQ(r.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    ByTypeOrIndex, CliShow,
    ::testing::Values(std::make_tuple(std::vector<std::string>{"show", "Table", "18"}, 0),
                      std::make_tuple(std::vector<std::string>{"show", "CODEUNIT", "$50"}, 1),
                      std::make_tuple(std::vector<std::string>{"show", "unknown", "7"}, 2),
                      std::make_tuple(std::vector<std::string>{"show", "--index", "1"}, 1),
                      std::make_tuple(std::vector<std::string>{"show", "--index=2"}, 2),
                      std::make_tuple(std::vector<std::string>{"show", "--index", "0"}, 0)));

TEST_F(CliTest, ShowTakesTheFirstOfTwoObjectsWithTheSameTypeAndNumber) {
  const std::string second = "OBJECT Table 18 Second\r\n";
  const RunResult r = RunCli({"show", dir.write("two.txt", Table18 + second), "table", "18"});
  EXPECT_EQ(r.out, Table18);
}

TEST_F(CliTest, ShowOfAMissingObjectFails) {
  RunResult r = RunCli({"show", file, "Page", "18"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "marlox-cli: no Page 18 in " + file + "\n");

  r = RunCli({"show", file, "--index", "3"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "marlox-cli: List index out of bounds (3)\n");
}

std::string At(const std::string& object, const std::string& part, std::size_t from = 0) {
  return std::to_string(object.find(part, from) + 1);
}

TEST_F(CliTest, FindReportsEveryMatchInFileOrderWithPositionAndLine) {
  const RunResult r = RunCli({"find", file, "total"});
  EXPECT_EQ(r.exitCode, 0);
  // CR LF, LF, CR and NUL each end one line.
  const std::string word7 = "2\tUnknown 7 Lower Case Type\t";
  EXPECT_EQ(r.out, "0\tTable 18 Kunde M\x81ller\t" + At(Table18, "Total") + "\t4\n" +
                       "1\tCodeunit 80 Sales-Post Routine With A Very\t" + At(Codeunit80, "total") +
                       "\t5\n" +                               //
                       word7 + At(Word7, "total") + "\t2\n" +  //
                       word7 + At(Word7, "TOTAL") + "\t2\n" +  //
                       word7 + At(Word7, "Total") + "\t2\n");
}

TEST_F(CliTest, FindWithMatchCaseKeepsOnlyExactMatches) {
  const RunResult r = RunCli({"find", file, "TOTAL", "--match-case"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "2\tUnknown 7 Lower Case Type\t" + At(Word7, "TOTAL") + "\t2\n");
}

TEST_F(CliTest, FindGoesOnAfterEachMatchWithoutOverlap) {
  const RunResult r =
      RunCli({"find", dir.write("a.txt", "OBJECT Table 1 A\r\naaaaa\r\n"), "aa", "--match-case"});
  EXPECT_EQ(r.out, "0\tTable 1 A\t19\t2\n0\tTable 1 A\t21\t2\n");
}

class CliFindNothing : public CliTest,
                       public ::testing::WithParamInterface<std::tuple<std::string, bool>> {};

TEST_P(CliFindNothing, ExitsWithOne) {
  std::vector<std::string> args = {"find", file, std::get<0>(GetParam())};
  if (std::get<1>(GetParam())) args.push_back("--match-case");
  const RunResult r = RunCli(args);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliFindNothing,
    ::testing::Values(std::make_tuple("absent", false), std::make_tuple("ExIt(", true),
                      // Only a to z fold: 0x81 and 0x9A are not the same letter here.
                      std::make_tuple("M\x9Aller", false),
                      // A match may not run from one object into the next.
                      std::make_tuple("\nOBJECT", false),
                      // Text before the first header belongs to no object.
                      std::make_tuple("Exported", false), std::make_tuple("", false)));

TEST_F(CliTest, FindOfAnUpperHalfByteMatchesOnlyItself) {
  const RunResult r = RunCli({"find", file, "\x94l"});
  EXPECT_EQ(r.out, "0\tTable 18 Kunde M\x81ller\t" + At(Table18, "\x94") + "\t3\n");
}

// Arguments are UTF-8: "ö" is searched as its code page byte 0x94, and a
// character the code page lacks is a usage error, in a filter as well.
TEST_F(CliTest, FindTakesUtf8TextAsTheCodePagesBytes) {
  const RunResult r = RunCli({"find", file, "\xC3\xB6l"});
  EXPECT_EQ(r.out, "0\tTable 18 Kunde M\x81ller\t" + At(Table18, "\x94") + "\t3\n");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"find", file, "\xE2\x82\xAC"},
        std::vector<std::string>{"list", file, "--filter", "name:\xE2\x82\xAC"}}) {
    const RunResult refused = RunCli(args);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err,
              "marlox-cli: \"\xE2\x82\xAC\" (U+20AC) is not a character of code page 850\n"
              "Try 'marlox-cli --help' for more information.\n");
  }
}

// The search reads the file in chunks far smaller than these objects; with
// matches back to back, some chunk ends cut one in two.
TEST_F(CliTest, FindInALargeObjectFindsEveryMatchWhereverTheReadsEnd) {
  const std::string needle = "{Needle" + std::string(40, '.') + "}";
  std::string object = "OBJECT Table 5 Big\r\n";
  std::string expected;
  for (int line = 2; object.size() < (2u << 20); ++line) {
    object.append(std::size_t(line % 7), ' ');
    for (int k = 0; k < 10; ++k) {
      expected += "0\tTable 5 Big\t" + std::to_string(object.size() + 1) + "\t" +
                  std::to_string(line) + "\n";
      object += needle;
    }
    object += "\r\n";
  }
  const std::string big = dir.write("big.txt", object);
  EXPECT_EQ(RunCli({"find", big, needle, "--match-case"}).out, expected);
  EXPECT_EQ(RunCli({"find", big, "{needle" + std::string(40, '.') + "}"}).out, expected);
}

// The search and the line count read the file in pieces that grow as they
// go; a match far into an object has the right position and line whichever
// piece holds it. The model's tests cut matches with every chunk size.
class CliFindAcrossReads : public CliTest, public ::testing::WithParamInterface<int> {};

TEST_P(CliFindAcrossReads, FindsAMatchFarIntoAnObjectWithItsLine) {
  const std::string needle = "{Needle" + std::string(40, '.') + "}";
  const std::size_t cut = (std::size_t(1) << GetParam()) - needle.size() / 2;
  std::string object = "OBJECT Table 7 Cut\r\n";
  int line = 2;
  for (; object.size() + 64 < cut; ++line) object += "  x := x + 1;\r\n";
  object.append(cut - object.size(), ' ');
  object += needle + "\r\n";
  const std::string file = dir.write("cut.txt", object);
  const std::string expected =
      "0\tTable 7 Cut\t" + std::to_string(cut + 1) + "\t" + std::to_string(line) + "\n";
  EXPECT_EQ(RunCli({"find", file, needle, "--match-case"}).out, expected);
  EXPECT_EQ(RunCli({"find", file, needle}).out, expected);
}

INSTANTIATE_TEST_SUITE_P(ChunkSizes, CliFindAcrossReads, ::testing::Range(12, 23));

TEST_F(CliTest, FindCountsACrLfThatTheReadsSplitAsOneLineBreak) {
  // CR at odd offsets, so reads that start at even ones split some pairs.
  std::string object = "OBJECT Table 1 A\n";
  const std::size_t pairs = 600000;
  for (std::size_t i = 0; i < pairs; ++i) object += "\r\n";
  const std::string pos = std::to_string(object.size() + 1);
  object += "Needle\r\n";
  const RunResult r = RunCli({"find", dir.write("breaks.txt", object), "needle"});
  EXPECT_EQ(r.out, "0\tTable 1 A\t" + pos + "\t" + std::to_string(pairs + 2) + "\n");
}

TEST_F(CliTest, FindIgnoringCaseIsRightWhereEveryPlaceAlmostMatches) {
  const std::string header = "OBJECT Table 1 A\r\n";
  const std::string object = header + std::string(300000, 'a') + "ba\r\n";
  const std::string needle = std::string(3000, 'A') + "BA";
  const RunResult r = RunCli({"find", dir.write("aaa.txt", object), needle});
  EXPECT_EQ(r.out, "0\tTable 1 A\t" + std::to_string(header.size() + 300000 - 3000 + 1) + "\t2\n");
}

class CliExport : public CliTest {
 protected:
  std::string Target(const std::string& name) const { return (fs::path(out) / name).string(); }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(out)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  void WriteTarget(const std::string& name, const std::string& bytes) {
    fs::create_directories(out);
    dir.write("a/b/out/" + name, bytes);
  }
  std::string out = dir.file("a/b/out");
};

TEST_F(CliExport, WritesEveryObjectUnderItsExportNameCreatingTheDirectory) {
  const RunResult r = RunCli({"export", file, out});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Names(), (std::vector<std::string>{"cod80.txt", "tab18.txt", "unk7.txt"}));
  EXPECT_EQ(ReadAll(Target("tab18.txt")), Table18);
  EXPECT_EQ(ReadAll(Target("cod80.txt")), Codeunit80);
  EXPECT_EQ(ReadAll(Target("unk7.txt")), Word7);
}

TEST_F(CliExport, WithoutAFlagListsConflictsAndWritesNothing) {
  WriteTarget("cod80.txt", "mine");
  const RunResult r = RunCli({"export", file, out});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find(Target("cod80.txt") + "\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("marlox-cli: "), std::string::npos);
  EXPECT_EQ(Names(), std::vector<std::string>{"cod80.txt"});
  EXPECT_EQ(ReadAll(Target("cod80.txt")), "mine");
}

TEST_F(CliExport, SkipExistingKeepsExistingFilesAndWritesTheRest) {
  WriteTarget("cod80.txt", "mine");
  const RunResult r = RunCli({"export", file, out, "--skip-existing"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Names(), (std::vector<std::string>{"cod80.txt", "tab18.txt", "unk7.txt"}));
  EXPECT_EQ(ReadAll(Target("cod80.txt")), "mine");
  EXPECT_EQ(ReadAll(Target("tab18.txt")), Table18);
}

TEST_F(CliExport, OverwriteReplacesExistingFiles) {
  WriteTarget("cod80.txt", "mine");
  const RunResult r = RunCli({"--overwrite", "export", file, out});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Names(), (std::vector<std::string>{"cod80.txt", "tab18.txt", "unk7.txt"}));
  EXPECT_EQ(ReadAll(Target("cod80.txt")), Codeunit80);
}

TEST_F(CliExport, TwoObjectsWithOneExportNameNeverReplaceEachOtherSilently) {
  const std::string second = "OBJECT Tablex 18 Second\r\n";
  const std::string twins = dir.write("twins.txt", Table18 + second);
  RunResult r = RunCli({"export", twins, out});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_FALSE(fs::exists(out));

  r = RunCli({"export", twins, out, "--skip-existing"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(ReadAll(Target("tab18.txt")), Table18);

  r = RunCli({"export", twins, out, "--overwrite"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(ReadAll(Target("tab18.txt")), second);
}

TEST_F(CliExport, NeverWritesOverTheFileItReads) {
  out = dir.file("same");
  fs::create_directories(out);
  const std::string source = Target("tab18.txt");
  fs::copy_file(file, source);
  const std::string before = ReadAll(source);

  RunResult r = RunCli({"export", source, out, "--overwrite"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("nothing written"), std::string::npos) << r.err;
  EXPECT_EQ(Names(), std::vector<std::string>{"tab18.txt"});

  r = RunCli({"export", source, out, "--skip-existing"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Names(), (std::vector<std::string>{"cod80.txt", "tab18.txt", "unk7.txt"}));
  EXPECT_EQ(ReadAll(source), before);
}

class CliBadArguments : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(CliBadArguments, GiveAUsageErrorAndExitTwo) {
  const RunResult r = RunCli(GetParam());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("marlox-cli: ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliBadArguments,
    ::testing::Values(std::vector<std::string>{}, std::vector<std::string>{"open", "f"},
                      std::vector<std::string>{"list"}, std::vector<std::string>{"list", "a", "b"},
                      std::vector<std::string>{"list", "f", "--match-case"},
                      std::vector<std::string>{"find", "f"},
                      std::vector<std::string>{"find", "f", "x", "--quiet"},
                      std::vector<std::string>{"show", "f", "Table"},
                      std::vector<std::string>{"show", "f", "Tables", "18"},
                      std::vector<std::string>{"show", "f", "Table", "18x"},
                      std::vector<std::string>{"show", "f", "Table", "18", "--index", "1"},
                      std::vector<std::string>{"show", "f", "--index"},
                      std::vector<std::string>{"show", "f", "--index", "one"},
                      std::vector<std::string>{"export", "f", "d", "--overwrite",
                                               "--skip-existing"},
                      std::vector<std::string>{"export", "f", "d", "--overwrite", "--overwrite"}));

TEST(CliHelp, PrintsUsageAndSucceeds) {
  for (const char* flag : {"--help", "-h"}) {
    const RunResult r = RunCli({flag});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("Usage: marlox-cli", 0), 0u);
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(CliTest, DoubleDashLetsTheSearchTextStartWithDashes) {
  const std::string dashes = dir.write("dashes.txt", "OBJECT Page 1 P\r\n--x\r\n");
  const RunResult r = RunCli({"find", "--", dashes, "--x"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "0\tPage 1 P\t18\t2\n");
}

TEST_F(CliTest, ErrorsOfTheModelArePrintedWithTheProgramName) {
  RunResult r = RunCli({"list", dir.file("missing.txt")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "marlox-cli: Cannot open file \"" + dir.file("missing.txt") +
                       "\". No such file or directory\n");

  r = RunCli({"list", dir.write("bad.txt", "OBJECT Table 18x A\r\n")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "marlox-cli: '18x' is not a valid integer value\n");
}

TEST_F(CliTest, AFileHeldByAnotherViewerIsRefused) {
  const int holder = ::open(file.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  const RunResult r = RunCli({"list", file});
  ::close(holder);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err.rfind("marlox-cli: Cannot open file \"" + file + "\". ", 0), 0u) << r.err;
}

TEST_F(CliTest, RunsOnOneFileShareItButNeverBesideAWindowsHold) {
  // Another run that is reading the file holds it shared.
  const int reader = ::open(file.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(reader, LOCK_SH | LOCK_NB), 0);
  RunResult r = RunCli({"list", file});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  r = RunCli({"compare", file, file});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  // A window that wants the file then is refused, as the CLI is by a window.
  const int window = ::open(file.c_str(), O_RDONLY);
  EXPECT_NE(::flock(window, LOCK_EX | LOCK_NB), 0);
  ::close(window);
  ::close(reader);
}

TEST_F(CliTest, AFailedWriteToStdoutIsAnError) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  const RunResult r = RunCli({"show", file, "--index", "1"}, "/dev/full");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "marlox-cli: Stream write error\n");
}

TEST_F(CliTest, ProgressGoesToStderrOnlyWhenItIsATerminal) {
  std::string large = "OBJECT Table 1 Large\r\n";
  while (large.size() < (3u << 20)) large += "  Line := 'some code of a large object';\r\n";
  const std::string largeFile = dir.write("large.txt", large);

  const RunResult quiet = RunCli({"list", largeFile});
  EXPECT_EQ(quiet.err, "1 object(s)\n");

  int exitCode = -1;
  const std::string seen = RunCliOnTerminal({"list", largeFile}, exitCode);
  EXPECT_EQ(exitCode, 0);
  EXPECT_NE(seen.find("loading... 100%"), std::string::npos) << seen;
  EXPECT_NE(seen.find("1 object(s)"), std::string::npos) << seen;
}

TEST_F(CliTest, OutlineAndUsesOfAnObject) {
  const std::string objects = Lines({"OBJECT Table 18 Customer",
                                     "{",
                                     "  FIELDS",
                                     "  {",
                                     "    { 1 ;   ;No. ;Code20 ;OnValidate=BEGIN",
                                     "                END;",
                                     " }",
                                     "  }",
                                     "}",
                                     "OBJECT Codeunit 80 Sales-Post",
                                     "{",
                                     "  CODE",
                                     "  {",
                                     "    VAR",
                                     "      Cust@1 : Record 18;",
                                     "      Big@2 : Record 180;",
                                     "",
                                     "    [External]",
                                     "    LOCAL PROCEDURE Post@3();",
                                     "    BEGIN",
                                     "      x := DATABASE::Customer;",
                                     "    END;",
                                     "",
                                     "    BEGIN",
                                     "    END.",
                                     "  }",
                                     "}",
                                     ""});
  const std::string path = dir.write("code.txt", objects);
  RunResult r = RunCli({"outline", path, "codeunit", "80"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "section\tCODE\t3\nlocal procedure\tPost\t10\t[External]\n"
            "documentation\tDocumentation\t15\n");
  r = RunCli({"outline", path, "Table", "18"});
  EXPECT_EQ(r.out, "section\tFIELDS\t3\nfield\tNo.\t5\ntrigger\tNo. - OnValidate\t5\n");

  r = RunCli({"uses", path, "Table", "18"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "1\tCodeunit 80 Sales-Post\t6\tCust@1 : Record 18;\n"
            "1\tCodeunit 80 Sales-Post\t12\tx := DATABASE::Customer;\n");
  // No use: 1; no such object or bad operands: 2.
  EXPECT_EQ(RunCli({"uses", path, "Codeunit", "80"}).exitCode, 1);
  r = RunCli({"uses", path, "Page", "18"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "marlox-cli: no Page 18 in " + path + "\n");
  EXPECT_EQ(RunCli({"outline", path, "Table"}).exitCode, 2);
  EXPECT_EQ(RunCli({"uses", path, "Thing", "1"}).exitCode, 2);
}
