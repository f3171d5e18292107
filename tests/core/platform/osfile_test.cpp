// SPDX-License-Identifier: MIT
// The operating-system layer on the paths and files of the platform it runs
// on: held files, native path forms, missing directory levels and replacing.
#include "osfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "testfiles.h"
#include "vexafile.h"

using testing_support::MessageOf;
using testing_support::ReadAll;
using testing_support::TempDir;

namespace fs = std::filesystem;

namespace {

// path in the form users type on this platform: backslashes on Windows.
std::string Native(std::string path) {
#ifdef _WIN32
  std::replace(path.begin(), path.end(), '/', '\\');
#endif
  return path;
}

TEST(ExclusiveFile, ASecondOpenOfAHeldFileFailsNamingTheFile) {
  TempDir dir;
  const std::string path = dir.write("held.txt", "OBJECT Table 1 A\r\n");
  std::string secondOpen;
  {
    const vexa::ExclusiveFile held(path);
    secondOpen = MessageOf([&] { vexa::ExclusiveFile again(path); });
#ifdef _WIN32
    // Without sharing nobody reads or writes it, not even this process.
    EXPECT_FALSE(std::ifstream(path).is_open());
    EXPECT_FALSE(std::ofstream(path, std::ios::app).is_open());
    EXPECT_EQ(secondOpen, "Cannot open file \"" + vexa::FullPath(path) + "\". " +
                              vexa::SystemErrorText(32));  // ERROR_SHARING_VIOLATION
#else
    EXPECT_EQ(secondOpen, "Cannot open file \"" + vexa::FullPath(path) +
                              "\". The file is in use by another process.");
#endif
  }
  EXPECT_NO_THROW(vexa::ExclusiveFile again(path)) << "closing releases it";
}

TEST(ExclusiveFile, ReadersThatShareReadingOpenSideBySideButNeverBesideAHold) {
  TempDir dir;
  const std::string path = dir.write("shared.txt", "OBJECT Table 1 A\r\n");
  const std::string inUse = MessageOf([&] {
    const vexa::ExclusiveFile held(path);
    vexa::ExclusiveFile again(path);
  });
  {
    const vexa::ExclusiveFile first(path, vexa::THold::hSharedRead);
    const vexa::ExclusiveFile second(path, vexa::THold::hSharedRead);
    char byte = 0;
    second.ReadAt(0, &byte, 1);
    EXPECT_EQ(byte, 'O');
    // The window's hold is refused while readers share the file.
    EXPECT_EQ(MessageOf([&] { vexa::ExclusiveFile held(path); }), inUse);
  }
  const vexa::ExclusiveFile held(path);
  EXPECT_EQ(MessageOf([&] { vexa::ExclusiveFile reader(path, vexa::THold::hSharedRead); }), inUse);
}

TEST(NativePaths, EveryFormOfOnePathReachesTheSameFile) {
  TempDir dir;
  const std::string text = "OBJECT Codeunit 7 Seven\r\n  code;\r\n";
  dir.write("objects.txt", text);
  const std::string full = vexa::FullPath(dir.file("objects.txt"));
#ifdef _WIN32
  ASSERT_GE(full.size(), 3u);
  EXPECT_EQ(full[1], ':') << "a drive letter: " << full;
  EXPECT_EQ(full.find('/'), std::string::npos) << full;
#endif
  fs::create_directory(dir.file("sub"));
  const std::string detour = dir.file("sub") + "/../objects.txt";
  EXPECT_EQ(vexa::FullPath(Native(detour)), full);
  EXPECT_EQ(vexa::FullPath(detour), full);
  for (const std::string& path : {full, Native(detour), detour}) {
    TObjectTextFile file;
    file.LoadFromFile(path);
    ASSERT_EQ(file.GetCount(), 1) << path;
    EXPECT_EQ(file.GetObject(0).GetText(), text);
    EXPECT_EQ(file.FileName(), path) << "kept as given";
    EXPECT_TRUE(vexa::FileExists(path));
  }
  EXPECT_FALSE(vexa::FileExists(Native(dir.path().string())));
}

TEST(ForceDirectories, CreatesEveryMissingLevelAndRefusesAFileInTheWay) {
  TempDir dir;
  const std::string deep = Native(dir.file("a/b/c"));
  vexa::ForceDirectories(deep);
  EXPECT_TRUE(fs::is_directory(deep));
  EXPECT_NO_THROW(vexa::ForceDirectories(deep + Native("/"))) << "existing, trailing delimiter";

  dir.write("plain", "x");
  const std::string blocked = Native(dir.file("plain/d"));
  const std::string message = MessageOf([&] { vexa::ForceDirectories(blocked); });
  EXPECT_EQ(message.rfind("Unable to create directory \"" + vexa::FullPath(blocked) + "\". ", 0),
            0u)
      << message;
}

TEST(WriteFileReplacing, ReplacesOnlyOnceEveryByteIsWritten) {
  TempDir dir;
  const std::string target = Native(dir.file("out/tab18.txt"));
  fs::create_directories(dir.file("out"));
  const auto writeText = [](const std::string& text) {
    return [text](std::ostream& out) { out << text; };
  };
  vexa::WriteFileReplacing(target, writeText("first\r\n"), nullptr);
  vexa::WriteFileReplacing(target, writeText("second, longer\r\n"), nullptr);
  EXPECT_EQ(ReadAll(target), "second, longer\r\n") << "bytes kept exactly, no CR added";

  EXPECT_THROW(vexa::WriteFileReplacing(
                   target,
                   [](std::ostream& out) {
                     out << "partial";
                     throw StreamError("Stream write error");
                   },
                   nullptr),
               StreamError);
  EXPECT_EQ(ReadAll(target), "second, longer\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("out")), fs::directory_iterator()), 1)
      << "no temporary file is left behind";
}

TEST(WriteFileReplacing, ANewNameAppearsOnlyWithEveryByte) {
  TempDir dir;
  fs::create_directories(dir.file("out"));
  const std::string target = Native(dir.file("out/cod5.txt"));
  const auto entries = [&] {
    return std::distance(fs::directory_iterator(dir.file("out")), fs::directory_iterator());
  };
  EXPECT_THROW(vexa::WriteFileReplacing(
                   target,
                   [&](std::ostream& out) {
                     out << "partial";
                     out.flush();
                     EXPECT_FALSE(fs::exists(target)) << "not under its name while writing";
                     throw StreamError("Stream write error");
                   },
                   nullptr),
               StreamError);
  EXPECT_EQ(entries(), 0) << "a failed write leaves nothing behind";

  // Another program takes the name while the object is written: it is
  // replaced, as it would be had it been there before.
  vexa::WriteFileReplacing(
      target,
      [&](std::ostream& out) {
        out << "OBJECT Codeunit 5 A\r\n";
        std::ofstream(target, std::ios::binary) << "theirs";
      },
      nullptr);
  EXPECT_EQ(ReadAll(target), "OBJECT Codeunit 5 A\r\n");
  EXPECT_EQ(entries(), 1) << "no temporary file is left behind";
}

TEST(WriteFileReplacing, NeverWritesOverTheHeldFileByAnyName) {
  TempDir dir;
  const std::string path = dir.write("held.txt", "OBJECT Table 1 A\r\n");
  const vexa::ExclusiveFile held(path);
  for (const std::string& name :
       {path, Native(dir.file("sub/../held.txt")), vexa::FullPath(path)}) {
    const std::string message = MessageOf([&] {
      vexa::WriteFileReplacing(
          name, [](std::ostream& out) { out << "x"; }, &held);
    });
    EXPECT_EQ(message, "Cannot create file \"" + vexa::FullPath(name) +
                           "\". It is the file being viewed and is never overwritten.");
  }
  std::string bytes(std::size_t(held.Size()), '\0');
  held.ReadAt(0, bytes.data(), bytes.size());
  EXPECT_EQ(bytes, "OBJECT Table 1 A\r\n");
}

}  // namespace
