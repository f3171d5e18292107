// SPDX-License-Identifier: MIT
// Loading files and reading their text back.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <sstream>
#include <streambuf>
#include <tuple>
#include <vector>

#include "objecttests.h"
#include "osfile.h"
#include "testfiles.h"
#include "vexafile.h"

using testing_support::MessageOf;
using testing_support::ReadAll;
using testing_support::TempDir;

namespace {

// The system's texts for a missing file and for a missing directory on its way.
#ifdef _WIN32
const std::string NoSuchFileText = vexa::SystemErrorText(2);  // ERROR_FILE_NOT_FOUND
const std::string NoSuchPathText = vexa::SystemErrorText(3);  // ERROR_PATH_NOT_FOUND
#else
const std::string NoSuchFileText = "No such file or directory";
const std::string NoSuchPathText = NoSuchFileText;
#endif

// Cuts the file to size behind the back of whoever holds it; false when the
// file cannot be opened for writing, as on Windows while it is held.
bool CutBehindTheHolder(const std::string& path, std::uintmax_t size) {
  std::error_code ec;
  std::filesystem::resize_file(path, size, ec);
  return !ec;
}

}  // namespace

class LoadedFile : public ::testing::Test {
 protected:
  // Three objects; the search text 'needle' occurs only in the third.
  const std::string text_ =
      "preamble\r\n"
      "OBJECT Table 18 Customer\r\n  Name\r\n\r\n"
      "OBJECT Codeunit 80 Sales-Post\r\n  Post\x81\r\n"
      "OBJECT Page 21 Customer Card\r\n  aaaa needle Needle NEEDLE\r\n\r\n";
  TempDir dir_;
  std::string path_ = dir_.write("objects.txt", text_);
  TObjectTextFile file_;

  void SetUp() override { file_.LoadFromFile(path_); }
};

TEST_F(LoadedFile, EntriesAreContiguousAndTextIsByteExact) {
  EXPECT_EQ(file_.FileName(), path_);
  ASSERT_EQ(file_.GetCount(), 3);
  std::string joined;
  for (int i = 0; i < file_.GetCount(); ++i) {
    const auto& entry = file_.GetObject(i);
    if (i > 0) {
      const auto& before = file_.GetObject(i - 1);
      EXPECT_EQ(before.StartOffset() + before.Length(), entry.StartOffset());
    }
    joined += entry.GetText();
  }
  EXPECT_EQ("preamble\r\n" + joined, text_);
  EXPECT_EQ(file_.GetObject(1).GetText(), "OBJECT Codeunit 80 Sales-Post\r\n  Post\x81\r\n");
  const std::string last = file_.GetObject(2).GetText();
  EXPECT_EQ(last.substr(last.size() - 4), "\r\n\r\n");
}

TEST_F(LoadedFile, FindTextInOneObject) {
  const auto& page = file_.GetObject(2);
  const std::string pageText = page.GetText();
  const auto first = static_cast<std::int32_t>(pageText.find("needle") + 1);
  for (std::int32_t start : {0, 1}) {
    std::int32_t pos = start;
    EXPECT_TRUE(page.FindText(pos, "needle", true));
    EXPECT_EQ(pos, first);
  }
  std::int32_t pos = first;
  EXPECT_TRUE(page.FindText(pos, "needle", true)) << "a match at Pos counts";
  EXPECT_EQ(pos, first);
  pos = first + 1;
  EXPECT_FALSE(page.FindText(pos, "needle", true));
  EXPECT_EQ(pos, 0);
  pos = first + 1;
  EXPECT_TRUE(page.FindText(pos, "needle", false));
  EXPECT_EQ(pos, first + 7);
  pos = 10000;
  EXPECT_FALSE(page.FindText(pos, "e", false));
  EXPECT_EQ(pos, 0);
  pos = 1;
  EXPECT_FALSE(page.FindText(pos, "", false));
  EXPECT_EQ(pos, 0);
  pos = 1;
  EXPECT_TRUE(page.FindText(pos, "aa", true));
  std::int32_t next = pos + 2;
  EXPECT_TRUE(page.FindText(next, "aa", true));
  EXPECT_EQ(next, pos + 2) << "repeats do not overlap when started after the match";
}

TEST_F(LoadedFile, CaseFoldingTouchesOnlyAsciiLetters) {
  const auto& table = file_.GetObject(0);
  std::int32_t pos = 1;
  EXPECT_TRUE(table.FindText(pos, "table", false));
  EXPECT_EQ(pos, 8);
  pos = 1;
  EXPECT_FALSE(table.FindText(pos, "table", true));
  pos = 1;
  EXPECT_TRUE(file_.GetObject(1).FindText(pos, "POST\x81", false));
  pos = 1;
  // 0x9A is the upper-case partner of 0x81 in the OEM code page: no match.
  EXPECT_FALSE(file_.GetObject(1).FindText(pos, "POST\x9A", false));
}

TEST_F(LoadedFile, FindTextAcrossObjects) {
  std::int32_t index = 0, pos = 1;
  EXPECT_TRUE(file_.FindText(index, pos, "needle", true));
  EXPECT_EQ(index, 2);
  EXPECT_EQ(pos, static_cast<std::int32_t>(file_.GetObject(2).GetText().find("needle") + 1));

  pos += 6;
  EXPECT_TRUE(file_.FindText(index, pos, "NEEDLE", true));
  pos += 6;
  EXPECT_FALSE(file_.FindText(index, pos, "NEEDLE", true)) << "the search does not wrap";
  EXPECT_EQ(index, 3);
  EXPECT_EQ(pos, 0);

  index = 0, pos = 1;
  EXPECT_FALSE(file_.FindText(index, pos, "absent", false));
  EXPECT_EQ(index, file_.GetCount());
  EXPECT_EQ(pos, 0);

  index = 5, pos = 3;
  EXPECT_FALSE(file_.FindText(index, pos, "needle", false));
  EXPECT_EQ(index, 5);
  EXPECT_EQ(pos, 3);

  index = -1, pos = 0;
  EXPECT_THROW(file_.FindText(index, pos, "needle", false), ListIndexError);
}

TEST_F(LoadedFile, HoldsTheFileAgainstOtherOpenersUntilTheNextLoad) {
  TObjectTextFile other;
  EXPECT_THROW(other.LoadFromFile(path_), FileError);
  file_.Clear();
  EXPECT_EQ(file_.GetCount(), 0);
  EXPECT_EQ(file_.FileName(), "");
  EXPECT_THROW(other.LoadFromFile(path_), FileError) << "Clear keeps the file held";
  file_.LoadFromFile(path_);
  EXPECT_EQ(file_.GetCount(), 3) << "loading the held file again reads it afresh";
  file_.LoadFromFile(dir_.write("other.txt", "OBJECT Table 1 A\r\n"));
  other.LoadFromFile(path_);
  EXPECT_EQ(other.GetCount(), 3);
}

TEST_F(LoadedFile, FailedOpenKeepsEntriesButNeverReadsAReleasedStream) {
  const std::string missing = dir_.file("missing.txt");
  EXPECT_EQ(MessageOf([&] { file_.LoadFromFile(missing); }),
            "Cannot open file \"" + missing + "\". " + NoSuchFileText);
  EXPECT_EQ(file_.FileName(), path_);
  ASSERT_EQ(file_.GetCount(), 3);
  EXPECT_EQ(file_.Stream(), nullptr);
  EXPECT_THROW(file_.GetObject(0).GetText(), VexaError);
  TObjectTextFile other;
  EXPECT_NO_THROW(other.LoadFromFile(path_)) << "the released file is free again";
}

TEST_F(LoadedFile, OpenErrorShowsTheFullPath) {
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  const std::string message = MessageOf([&] { file_.LoadFromFile("./sub/../nothing.txt"); });
  std::filesystem::current_path(cwd);
  EXPECT_EQ(message, "Cannot open file \"" + dir_.file("nothing.txt") + "\". " + NoSuchFileText);
}

TEST_F(LoadedFile, BadHeaderLoadKeepsThePreviousFileName) {
  const std::string bad = dir_.write("bad.txt", "OBJECT Table 1 A\r\nOBJECT Form ? B\r\n");
  EXPECT_EQ(MessageOf([&] { file_.LoadFromFile(bad); }), "'?' is not a valid integer value");
  EXPECT_EQ(file_.FileName(), path_);
  ASSERT_EQ(file_.GetCount(), 1);
  EXPECT_EQ(file_.GetObject(0).GetText(), "OBJECT Table 1 A\r\n");
}

TEST_F(LoadedFile, ShrunkOrRewrittenFileFailsToRead) {
  const std::string before = file_.GetObject(2).GetText();
  // Advisory locks do not stop a writer that ignores them; sharing modes do.
  const bool cut = CutBehindTheHolder(path_, text_.size() - 5);
#ifdef _WIN32
  EXPECT_FALSE(cut) << "a file held without sharing was changed";
  return;
#endif
  ASSERT_TRUE(cut);
  // Every later read names the file, and the error is one of its own kind.
  const std::string changed =
      "The file \"" + vexa::FullPath(path_) + "\" has changed since it was loaded";
  EXPECT_EQ(MessageOf([&] { file_.GetObject(2).GetText(); }), changed);
  EXPECT_EQ(MessageOf([&] { file_.GetObject(0).GetText(); }), changed);
  EXPECT_THROW(file_.GetObject(0).GetText(), FileChangedError);
}

TEST_F(LoadedFile, AFileThatGrowsWhileItLoadsStopsTheLoadNamingIt) {
  const std::string path = dir_.write("growing.txt", text_);
  TObjectTextFile file;
  file.SetReadPieceSize(16);
  bool grown = false;
  file.SetOnProgress([&](TObjectTextFile&, TProgressKind kind, std::uint8_t) {
    if (kind == TProgressKind::pkProgress && !grown)
      grown = CutBehindTheHolder(path, text_.size() + 100);
  });
#ifdef _WIN32
  file.LoadFromFile(path);
  EXPECT_FALSE(grown) << "a file held without sharing was changed";
  return;
#endif
  EXPECT_EQ(MessageOf([&] { file.LoadFromFile(path); }),
            "The file \"" + vexa::FullPath(path) + "\" has changed since it was loaded");
  EXPECT_TRUE(grown);
  EXPECT_TRUE(file.FileName().empty());
}

TEST_F(LoadedFile, SaveToFileWritesTheObjectAndReplacesOtherFiles) {
  const std::string target = dir_.write("tab18.txt", "old content that is longer than the object");
  file_.GetObject(0).SaveToFile(target);
  EXPECT_EQ(ReadAll(target), file_.GetObject(0).GetText());
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_.path())) ++entries;
  EXPECT_EQ(entries, 2u) << "no temporary file is left behind";
}

TEST_F(LoadedFile, SaveToFileNeverReplacesTheLoadedFile) {
  std::filesystem::create_hard_link(path_, dir_.file("link.txt"));
  for (const std::string& target : {path_, dir_.file("link.txt"), dir_.file("./objects.txt")}) {
    const std::string message = MessageOf([&] { file_.GetObject(0).SaveToFile(target); });
    EXPECT_EQ(message.rfind("Cannot create file \"", 0), 0u) << message;
  }
  EXPECT_EQ(file_.GetObject(2).GetText().substr(0, 11), "OBJECT Page");
  file_.LoadFromFile(dir_.write("other.txt", ""));  // lets others read it on Windows too
  EXPECT_EQ(ReadAll(path_), text_);
}

TEST_F(LoadedFile, SaveToFileFailuresNameTheFileAndLeaveNothing) {
  const std::string inMissingDir = dir_.file("no/such/dir/x.txt");
  EXPECT_EQ(MessageOf([&] { file_.GetObject(0).SaveToFile(inMissingDir); }),
            "Cannot create file \"" + vexa::FullPath(inMissingDir) + "\". " + NoSuchPathText);
  dir_.write("plain", "x");
  const std::string message =
      MessageOf([&] { file_.GetObject(0).SaveToFile(dir_.file("plain/x.txt")); });
  EXPECT_EQ(
      message.rfind("Cannot create file \"" + vexa::FullPath(dir_.file("plain/x.txt")) + "\". ", 0),
      0u)
      << message;
  std::filesystem::create_directory(dir_.file("adir"));
  EXPECT_THROW(file_.GetObject(0).SaveToFile(dir_.file("adir")), FileError);
  EXPECT_TRUE(std::filesystem::is_directory(dir_.file("adir")));
}

namespace {
// Accepts a few bytes, then refuses more, as a full disk would.
class FullBuffer : public std::streambuf {
 protected:
  std::streamsize xsputn(const char*, std::streamsize count) override {
    return count > 4 ? 4 : count;
  }
  int_type overflow(int_type) override { return traits_type::eof(); }
};
}  // namespace

TEST_F(LoadedFile, ShortWriteIsAStreamWriteError) {
  FullBuffer full;
  std::ostream out(&full);
  EXPECT_EQ(MessageOf([&] { file_.GetObject(0).SaveToStream(out); }), "Stream write error");
  std::ostringstream ok;
  file_.GetObject(0).SaveToStream(ok);
  EXPECT_EQ(ok.str(), file_.GetObject(0).GetText());
}

TEST(LoadFromFile, EmptyFileLoadsWithNoObjects) {
  TempDir dir;
  TObjectTextFile file;
  ProgressLog log;
  log.attach(file);
  const std::string path = dir.write("empty.txt", "");
  file.LoadFromFile(path);
  EXPECT_EQ(file.GetCount(), 0);
  EXPECT_EQ(file.FileName(), path);
  EXPECT_EQ(log.events, (Events{{kStart, 0}, {kDone, 100}}));
}

TEST(LoadFromFile, RefusesFilesOfTwoGibibytesBeforeReading) {
  TempDir dir;
  const std::string path = dir.file("huge.txt");
  dir.write("huge.txt", "");
  ASSERT_TRUE(CutBehindTheHolder(path, std::uintmax_t(1) << 31));  // sparse: no disk used
  TObjectTextFile file;
  ProgressLog log;
  log.attach(file);
  const std::string message = MessageOf([&] { file.LoadFromFile(path); });
  EXPECT_NE(message.find(path), std::string::npos) << message;
  EXPECT_NE(message.find("2 GiB"), std::string::npos) << message;
  EXPECT_TRUE(log.events.empty());
  EXPECT_EQ(file.Stream(), nullptr);
  EXPECT_EQ(file.FileName(), "");
}

TEST(LoadFromFile, DirectoryIsNotAFile) {
  TempDir dir;
  TObjectTextFile file;
  EXPECT_THROW(file.LoadFromFile(dir.path().string()), FileError);
}

namespace {

struct Reference {
  std::vector<std::tuple<std::int32_t, std::int32_t, std::string>>
      entries;  // start, length, header
  Events events;
};

// The line scanner written as plainly as possible, one line at a time.
Reference ScanPlainly(const std::string& text) {
  Reference r;
  r.events.emplace_back(kStart, 0);
  std::size_t p = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  int last = 0;
  while (p < text.size()) {
    const std::size_t start = p;
    while (p < text.size() && text[p] != '\r' && text[p] != '\n' && text[p] != '\0') ++p;
    const std::string line = text.substr(start, p - start);
    if (line.compare(0, 7, "OBJECT ") == 0 && line.size() >= 7) {
      if (!r.entries.empty())
        std::get<1>(r.entries.back()) = std::int32_t(start) - std::get<0>(r.entries.back());
      r.entries.emplace_back(std::int32_t(start), 0, line.substr(7));
    } else {
      const int percent = int(std::nearbyint(double(p) / double(text.size()) * 100.0));
      if (percent != last) r.events.emplace_back(kProgress, last = percent);
    }
    if (p < text.size() && text[p] == '\0') {
      ++p;
    } else {
      if (p < text.size() && text[p] == '\r') ++p;
      if (p < text.size() && text[p] == '\n') ++p;
    }
  }
  if (!r.entries.empty())
    std::get<1>(r.entries.back()) = std::int32_t(text.size()) - std::get<0>(r.entries.back());
  r.events.emplace_back(kDone, 100);
  return r;
}

void ExpectScannedLike(const TObjectTextFile& file, const Events& events, const Reference& r,
                       const std::string& what) {
  ASSERT_EQ(file.GetCount(), std::int32_t(r.entries.size())) << what;
  for (int i = 0; i < file.GetCount(); ++i) {
    const auto& [start, length, header] = r.entries[std::size_t(i)];
    EXPECT_EQ(file.GetObject(i).StartOffset(), start) << what;
    EXPECT_EQ(file.GetObject(i).Length(), length) << what;
    EXPECT_EQ(file.GetObject(i).Name(), Header(header).entry.Name()) << what;
  }
  EXPECT_EQ(events, r.events) << what;
}

}  // namespace

TEST(LoadFromFile, AnyPieceSizeScansLikeThePlainLineByLineScan) {
  // Line breaks, headers, 'O's and NULs land on every kind of piece boundary.
  const std::string pieces[] = {"\nOBJECT Page 5 P\n",
                                "\rOBJECT Table 7 T\r\n",
                                "Codeunit ",
                                "OBJECT-PROPERTIES",
                                "x",
                                "\r",
                                "\n",
                                "\r\n",
                                "\n\r",
                                std::string(1, '\0'),
                                "  code;",
                                "OBJECTS",
                                "O",
                                "On",
                                "xOBJECT Table 3 Mid"};
  std::mt19937 random(7);
  for (int round = 0; round < 4; ++round) {
    std::string text = round % 2 ? "\xEF\xBB\xBFOBJECT Table 1 First\r\n" : "";
    const int count = round < 2 ? 3000 : 40000;
    for (int i = 0; i < count; ++i) text += pieces[random() % std::size(pieces)];
    text += std::string(1, '\0') + "OBJECT Query 9 End";
    const Reference reference = ScanPlainly(text);
    ASSERT_GT(reference.entries.size(), 50u);

    TObjectTextFile whole;
    ProgressLog wholeLog;
    wholeLog.attach(whole);
    whole.ParseText(text);
    ExpectScannedLike(whole, wholeLog.events, reference, "whole text");

    TempDir dir;
    const std::string path = dir.write("pieces.txt", text);
    for (std::size_t piece : {1u, 2u, 3u, 6u, 7u, 8u, 13u, 64u, 4096u}) {
      TObjectTextFile file;
      ProgressLog log;
      log.attach(file);
      file.SetReadPieceSize(piece);
      file.LoadFromFile(path);
      ExpectScannedLike(file, log.events, reference, "piece " + std::to_string(piece));
    }
  }
}

TEST(LoadFromFile, ALoadSharedOutInPartsGivesWhatOneThreadGives) {
  // Parts start wherever a split lands: inside CR LF pairs, huge lines, headers and
  // property blocks, so that a block cut off by a part's end must be read again.
  const std::string block =
      "OBJECT Table 9 Prop\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n"
      "    Date=24.12.20;\r\n    Time=12:00:00;\r\n    Modified=Yes;\r\n"
      "    Version List=NAVW1;\r\n  }\r\n";
  const std::string pieces[] = {"\nOBJECT Page 5 P\n",
                                "\rOBJECT Table 7 T\r\n",
                                "\r",
                                "\n",
                                "\r\n",
                                std::string(1, '\0'),
                                "  code;",
                                "O",
                                block,
                                std::string(5000, 'x')};
  std::mt19937 random(11);
  std::string text = "\xEF\xBB\xBF" + block;
  while (text.size() < 400000) text += pieces[random() % std::size(pieces)];
  const Reference reference = ScanPlainly(text);
  TempDir dir;
  const std::string path = dir.write("parts.txt", text);
  TObjectTextFile one;
  one.SetLoadParts(1);
  one.LoadFromFile(dir.write("one.txt", text));  // a copy: the file is held

  for (std::size_t parts : {2u, 3u, 7u, 64u}) {
    for (std::size_t piece : {13u, 1u << 20}) {
      const std::string what = std::to_string(parts) + " parts, piece " + std::to_string(piece);
      TObjectTextFile file;
      ProgressLog log;
      log.attach(file);
      file.SetLoadParts(parts);
      file.SetReadPieceSize(piece);
      file.LoadFromFile(path);
      ExpectScannedLike(file, reference.events, reference, what);
      // Progress as the parts together get on: rising, from the start to done.
      ASSERT_GE(log.events.size(), 3u) << what;
      EXPECT_EQ(log.events.front(), std::make_pair(kStart, 0)) << what;
      EXPECT_EQ(log.events.back(), std::make_pair(kDone, 100)) << what;
      for (std::size_t i = 1; i + 1 < log.events.size(); ++i) {
        EXPECT_EQ(log.events[i].first, kProgress) << what;
        EXPECT_GT(log.events[i].second, log.events[i - 1].second) << what;
      }
      for (int i = 0; i < file.GetCount(); ++i) {
        const TObjectTextObject& object = file.GetObject(i);
        const TObjectTextObject& alone = one.GetObject(i);
        ASSERT_EQ(object.Date(), alone.Date()) << what << ", object " << i;
        ASSERT_EQ(object.Time(), alone.Time()) << what << ", object " << i;
        ASSERT_EQ(object.VersionList(), alone.VersionList()) << what << ", object " << i;
        ASSERT_EQ(object.Modified(), alone.Modified()) << what << ", object " << i;
      }
    }
  }

  // Of two bad headers in different parts the first in the file is told, every time.
  text.replace(text.find("OBJECT Table 7", 100000), 14, "OBJECT Table 7a");
  text.replace(text.find("OBJECT Page 5", 300000), 13, "OBJECT Page 5b");
  const std::string bad = dir.write("bad.txt", text);
  const auto badAt = std::int32_t(text.find("OBJECT Table 7a"));
  for (std::size_t parts : {1u, 2u, 4u}) {
    TObjectTextFile file;
    file.SetLoadParts(parts);
    EXPECT_EQ(MessageOf([&] { file.LoadFromFile(bad); }), "'7a' is not a valid integer value");
    // The entries before it stay, the last one ending where the bad header starts.
    ASSERT_GT(file.GetCount(), 0);
    const TObjectTextObject& last = file.GetObject(file.GetCount() - 1);
    EXPECT_EQ(last.StartOffset() + last.Length(), badAt) << parts << " parts";
  }
}

TEST_F(LoadedFile, SearchingAFileNoLongerHeldFailsAsReadingItsTextDoes) {
  EXPECT_THROW(file_.LoadFromFile(dir_.file("missing.txt")), FileError);
  const std::string message = MessageOf([&] { file_.GetObject(1).GetText(); });
  std::int32_t index = 1, pos = 0;
  EXPECT_EQ(MessageOf([&] { file_.FindText(index, pos, "Post", false); }), message);
  // An empty search text is never found and reads nothing.
  EXPECT_FALSE(file_.FindText(index, pos, "", false));
  EXPECT_EQ(std::make_pair(index, pos), std::make_pair(3, 0));
}

TEST_F(LoadedFile, SearchingAShrunkFileNamesTheChangedFile) {
  const bool cut = CutBehindTheHolder(path_, text_.size() - 5);
#ifdef _WIN32
  EXPECT_FALSE(cut) << "a file held without sharing was changed";
  return;
#endif
  ASSERT_TRUE(cut);
  for (const bool matchCase : {true, false}) {
    std::int32_t index = 0, pos = 0;
    EXPECT_EQ(MessageOf([&] { file_.FindText(index, pos, "needle", matchCase); }),
              "The file \"" + vexa::FullPath(path_) + "\" has changed since it was loaded");
  }
}
