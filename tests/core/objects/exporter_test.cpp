// SPDX-License-Identifier: MIT
#include "exporter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

using enum TOverwriteAnswer;

// Every kind of line break and some bytes above 127, so a conversion anywhere
// on the way out shows up in the exported bytes. Objects 0 and 4 share a name.
const std::vector<std::string> SourceObjects = {
    "OBJECT Table 18 Customer\r\n{\r\n  PROPERTIES\r\n  {\r\n  }\r\n}\r\n\r\n",
    "OBJECT Codeunit 1 ApplicationManagement\r\n  Text \x81\x94\xE9\xFF;\r\n",
    "OBJECT Form 21 Customer Card\n  LF only\n",
    "OBJECT Report 111 Customer - Top 10 List\r  CR only\r",
    "OBJECT Table 18 Customer\r\n  second copy\r\n",
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteAll(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// Answers by script and records every file it was asked about.
struct TScriptedQuestion {
  std::vector<TOverwriteAnswer> Answers;
  std::vector<std::string> Asked;

  TOverwriteQuestion Function() {
    return [this](const std::string& fileName) {
      Asked.push_back(fileName);
      if (Asked.size() > Answers.size()) {
        ADD_FAILURE() << "unexpected question about " << fileName;
        return oaCancel;
      }
      return Answers[Asked.size() - 1];
    };
  }
};

class ExporterTest : public testing::Test {
 protected:
  void SetUp() override {
    FRoot =
        fs::temp_directory_path() / ("marlox_exporter_" + std::to_string(std::random_device{}()));
    fs::create_directories(FRoot / "source");
    FTarget = FRoot / "out";
  }

  void TearDown() override {
    // A failed load releases the held file, which Windows would not delete.
    try {
      FFile.LoadFromFile((FRoot / "absent").string());
    } catch (const FileError&) {
    }
    std::error_code ignored;
    fs::remove_all(FRoot, ignored);
  }

  void Load(const fs::path& path = {}) {
    FSourcePath = path.empty() ? FRoot / "source" / "objects.txt" : path;
    std::string text;
    for (const std::string& object : SourceObjects) text += object;
    WriteAll(FSourcePath, text);
    FFile.LoadFromFile(FSourcePath.string());
    ASSERT_EQ(FFile.GetCount(), std::int32_t(SourceObjects.size()));
  }

  fs::path Target(std::int32_t row) const {
    return FTarget / FFile.GetObject(row).GetExportFileName();
  }

  std::set<std::string> TargetEntries() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(FTarget))
      names.insert(entry.path().filename().string());
    return names;
  }

  TExportResult Export(const std::vector<std::int32_t>& rows, TScriptedQuestion& question) {
    return ExportObjects(FFile, rows, FTarget.string(), question.Function());
  }

  fs::path FRoot;
  fs::path FTarget;
  fs::path FSourcePath;
  TObjectTextFile FFile;
};

TEST_F(ExporterTest, EmptyDirectoryGetsOneByteExactFilePerRowInFileOrderWithoutQuestions) {
  Load();
  fs::create_directories(FTarget);
  TScriptedQuestion question;
  TExportResult result = Export({3, 0, 2, 3, 1}, question);

  EXPECT_FALSE(result.Cancelled);
  EXPECT_EQ(result.Written, (std::vector<std::string>{Target(0).string(), Target(1).string(),
                                                      Target(2).string(), Target(3).string()}));
  EXPECT_EQ(TargetEntries(),
            (std::set<std::string>{"tab18.txt", "cod1.txt", "for21.txt", "rep111.txt"}));
  for (std::int32_t row = 0; row < 4; ++row)
    EXPECT_EQ(ReadAll(Target(row)), SourceObjects[std::size_t(row)]) << "row " << row;
  EXPECT_TRUE(question.Asked.empty());
}

TEST_F(ExporterTest, NewNestedDirectoryIsCreatedWithEveryMissingLevel) {
  Load();
  FTarget = FRoot / "a" / "b" / "c";
  TScriptedQuestion question;
  Export({1, 2}, question);
  EXPECT_EQ(ReadAll(Target(1)), SourceObjects[1]);
  EXPECT_EQ(ReadAll(Target(2)), SourceObjects[2]);
}

TEST_F(ExporterTest, ExportPathPutsExactlyOneDelimiterBeforeTheName) {
  Load();
  const TObjectTextObject& object = FFile.GetObject(3);
#ifdef _WIN32
  EXPECT_EQ(ExportPath("C:\\some\\dir", object), "C:\\some\\dir\\rep111.txt");
  EXPECT_EQ(ExportPath("C:\\some\\dir\\", object), "C:\\some\\dir\\rep111.txt");
  EXPECT_EQ(ExportPath("C:/some/dir/", object), "C:/some/dir/rep111.txt");
#else
  EXPECT_EQ(ExportPath("/some/dir", object), "/some/dir/rep111.txt");
  EXPECT_EQ(ExportPath("/some/dir/", object), "/some/dir/rep111.txt");
  EXPECT_EQ(ExportPath("/", object), "/rep111.txt");
#endif
}

TEST_F(ExporterTest, EmptyDirectoryNameFailsBeforeAnythingIsAsked) {
  Load();
  TScriptedQuestion question;
  try {
    ExportObjects(FFile, {0, 1}, "", question.Function());
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_STREQ(e.what(), "Unable to create directory");
  }
  EXPECT_TRUE(question.Asked.empty());
}

// What became of each of the four rows' files.
enum TFate { Old, New, Missing };

struct TOverwriteCase {
  const char* Name;
  std::set<std::int32_t> Existing;
  std::vector<TOverwriteAnswer> Answers;
  std::vector<std::int32_t> AskedRows;
  std::vector<TFate> Fates;
  bool Cancelled;
};

class ExporterOverwriteTest : public ExporterTest,
                              public testing::WithParamInterface<TOverwriteCase> {};

TEST_P(ExporterOverwriteTest, AnswersDecideWhichExistingFilesAreReplaced) {
  const TOverwriteCase& c = GetParam();
  Load();
  fs::create_directories(FTarget);
  for (std::int32_t row : c.Existing) WriteAll(Target(row), "old");

  TScriptedQuestion question{c.Answers, {}};
  TExportResult result = Export({0, 1, 2, 3}, question);

  std::vector<std::string> askedPaths;
  for (std::int32_t row : c.AskedRows) askedPaths.push_back(Target(row).string());
  EXPECT_EQ(question.Asked, askedPaths);
  EXPECT_EQ(result.Cancelled, c.Cancelled);
  std::vector<std::string> written;
  for (std::int32_t row = 0; row < 4; ++row) {
    switch (c.Fates[std::size_t(row)]) {
      case Old: EXPECT_EQ(ReadAll(Target(row)), "old") << "row " << row; break;
      case New:
        EXPECT_EQ(ReadAll(Target(row)), SourceObjects[std::size_t(row)]) << "row " << row;
        written.push_back(Target(row).string());
        break;
      case Missing: EXPECT_FALSE(fs::exists(Target(row))) << "row " << row; break;
    }
  }
  EXPECT_EQ(result.Written, written);
}

const std::set<std::int32_t> AllExist = {0, 1, 2, 3};

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Answers, ExporterOverwriteTest,
    testing::Values(
        //             name, existing files, answers, rows asked about, fates, cancelled
        TOverwriteCase{"YesEach", AllExist, {oaYes, oaYes, oaYes, oaYes}, {0, 1, 2, 3},
                       {New, New, New, New}, false},
        TOverwriteCase{"NoSkipsOnlyThatObject", AllExist, {oaYes, oaNo, oaYes, oaNo},
                       {0, 1, 2, 3}, {New, Old, New, Old}, false},
        TOverwriteCase{"YesToAllFirstReplacesEveryLaterFile", AllExist, {oaYesToAll}, {0},
                       {New, New, New, New}, false},
        TOverwriteCase{"YesToAllAfterNo", AllExist, {oaNo, oaYesToAll}, {0, 1},
                       {Old, New, New, New}, false},
        TOverwriteCase{"CancelOnFirstWritesNothing", AllExist, {oaCancel}, {0},
                       {Old, Old, Old, Old}, true},
        TOverwriteCase{"CancelOnSecondKeepsTheFirst", AllExist, {oaYes, oaCancel}, {0, 1},
                       {New, Old, Old, Old}, true},
        TOverwriteCase{"OnlyExistingFilesAreAsked", {1, 3}, {oaNo, oaYes}, {1, 3},
                       {New, Old, New, New}, false},
        TOverwriteCase{"CancelAlsoStopsFilesThatWouldNeedNoQuestion", {0, 2}, {oaYes, oaCancel},
                       {0, 2}, {New, New, Old, Missing}, true}),
    [](const testing::TestParamInfo<TOverwriteCase>& info) { return info.param.Name; });
// clang-format on

TEST_F(ExporterTest, SecondObjectWithTheSameExportNameAsksAboutTheFileTheFirstWrote) {
  Load();
  const struct {
    const char* Directory;
    std::vector<TOverwriteAnswer> Answers;
    std::size_t Questions;
    std::size_t Winner;
  } cases[] = {
      {"no", {oaNo}, 1, 0},
      {"yes", {oaYes}, 1, 4},
      // Yes to All on the earlier file answers for the duplicate too.
      {"all", {oaYesToAll}, 1, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Directory);
    FTarget = FRoot / c.Directory;
    fs::create_directories(FTarget);
    if (c.Answers[0] == oaYesToAll) WriteAll(FTarget / "tab18.txt", "old");
    TScriptedQuestion question{c.Answers, {}};
    Export({0, 4}, question);
    EXPECT_EQ(question.Asked.size(), c.Questions);
    EXPECT_EQ(question.Asked, std::vector<std::string>(c.Questions, Target(0).string()));
    EXPECT_EQ(ReadAll(Target(0)), SourceObjects[c.Winner]);
  }
}

TEST_F(ExporterTest, DirectoryBelowARegularFileFailsOnTheFirstWrite) {
  Load();
  WriteAll(FRoot / "plain", "x");
  FTarget = FRoot / "plain" / "sub";
  TScriptedQuestion question;
  try {
    Export({0, 1}, question);
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"", 0), 0u) << e.what();
    EXPECT_NE(std::string(e.what()).find("tab18.txt"), std::string::npos) << e.what();
  }
}

TEST_F(ExporterTest, FailedWriteEndsTheExportAndKeepsFilesWrittenBefore) {
  Load();
  // A directory in the place of the third file: it does not count as an
  // existing file, so no question, and writing there fails.
  fs::create_directories(FTarget / "for21.txt");
  TScriptedQuestion question;
  EXPECT_THROW(Export({0, 1, 2, 3}, question), FileError);
  EXPECT_EQ(ReadAll(Target(0)), SourceObjects[0]);
  EXPECT_EQ(ReadAll(Target(1)), SourceObjects[1]);
  EXPECT_FALSE(fs::exists(Target(3)));
  EXPECT_TRUE(question.Asked.empty());
}

TEST_F(ExporterTest, TheLoadedFileIsNeverReplacedWhateverTheAnswer) {
  for (TOverwriteAnswer answer : {oaYes, oaYesToAll}) {
    SCOPED_TRACE(int(answer));
    // A directory of its own each time: on Windows the held file cannot go.
    FTarget = FRoot / ("out" + std::to_string(int(answer)));
    fs::create_directories(FTarget);
    // The loaded file carries the export name of the second object.
    Load(FTarget / "cod1.txt");
    const std::string original = ReadAll(FSourcePath);
    TScriptedQuestion question{{answer}, {}};
    try {
      Export({0, 1, 2}, question);
      FAIL() << "no error";
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"", 0), 0u) << e.what();
    }
    EXPECT_EQ(ReadAll(FSourcePath), original);
    EXPECT_EQ(ReadAll(Target(0)), SourceObjects[0]);
    EXPECT_FALSE(fs::exists(Target(2)));
    // The model still reads from the file it holds.
    EXPECT_EQ(FFile.GetObject(1).GetText(), SourceObjects[1]);
    FFile.Clear();
  }
}

}  // namespace
