// SPDX-License-Identifier: MIT
#include "profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "osfile.h"
#include "settings.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    FDir = fs::temp_directory_path() /
           ("marlox-profile-" + std::to_string(std::random_device{}()) + "-" + name);
    fs::remove_all(FDir);
    fs::create_directories(FDir);
  }
  void TearDown() override { fs::remove_all(FDir); }

  std::string PathOf(const std::string& name) const { return (FDir / name).string(); }
  std::string IniPath() const { return PathOf("marlox.zup"); }

  static void Store(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
  }
  static std::string Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
  }
  // The profile of IniPath() holding content.
  TIniProfile With(const std::string& content) const {
    Store(IniPath(), content);
    return TIniProfile(IniPath());
  }

  fs::path FDir;
};

template <class Case>
class ProfileCaseTest : public ProfileTest, public ::testing::WithParamInterface<Case> {};

struct CaseLabel {
  template <class Info>
  std::string operator()(const Info& info) const {
    return info.param.Label;
  }
};

struct ReadCase {
  const char* Label;
  const char* Content;
  const char* Expected;
};

using ReadStringTest = ProfileCaseTest<ReadCase>;

TEST_P(ReadStringTest, FindsValueOfWindowWidth) {
  TIniProfile profile = With(GetParam().Content);
  EXPECT_EQ(profile.ReadString("Window", "Width", "default"), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ReadStringTest,
    ::testing::Values(
        ReadCase{"Plain", "[Window]\nWidth=640\n", "640"},
        ReadCase{"CrLf", "[Window]\r\nWidth=640\r\n", "640"},
        ReadCase{"NoFinalBreak", "[Window]\nWidth=640", "640"},
        ReadCase{"Padded", "  [ Window ]  \n\t Width \t= \t640 x \t\r\n", "640 x"},
        ReadCase{"AnyCase", "[wINDOW]\nwidth=640\n", "640"},
        ReadCase{"DoubleQuoted", "[Window]\nWidth= \" 640 \" \n", " 640 "},
        ReadCase{"SingleQuoted", "[Window]\nWidth='640'\n", "640"},
        ReadCase{"OnePairOnly", "[Window]\nWidth=\"\"640\"\"\n", "\"640\""},
        ReadCase{"UnmatchedQuotes", "[Window]\nWidth=\"640'\n", "\"640'"},
        ReadCase{"LoneQuote", "[Window]\nWidth=\"\n", "\""},
        ReadCase{"EmptyQuotes", "[Window]\nWidth=\"\"\n", ""},
        ReadCase{"EmptyValue", "[Window]\nWidth=\n", ""},
        ReadCase{"EqualsInValue", "[Window]\nWidth=a=b;c\n", "a=b;c"},
        ReadCase{"FirstKeyWins", "[Window]\nWidth=1\nWIDTH=2\n", "1"},
        ReadCase{"FirstSectionWins", "[Window]\nHeight=1\n[Window]\nWidth=2\n", "default"},
        ReadCase{"AfterComments", "; Width=1\n[Window]\n;Width=2\n\nLeft=3\nWidth=4\n", "4"},
        ReadCase{"ByteOrderMark", "\xEF\xBB\xBF[Window]\nWidth=640\n", "640"},
        ReadCase{"MissingKey", "[Window]\nHeight=480\n", "default"},
        ReadCase{"MissingSection", "[View]\nWidth=640\n", "default"},
        ReadCase{"OtherSection", "[Window]\n[View]\nWidth=640\n", "default"},
        ReadCase{"BeforeAnySection", "Width=640\n[Window]\n", "default"},
        ReadCase{"CommentedOut", "[Window]\n;Width=640\n", "default"},
        ReadCase{"NoEquals", "[Window]\nWidth\n", "default"},
        ReadCase{"UnclosedHeader", "[Window\nWidth=640\n", "default"},
        ReadCase{"EmptyFile", "", "default"}),
    CaseLabel());

TEST_F(ProfileTest, ReadsDefaultsWhenTheFileCannotBeRead) {
  EXPECT_EQ(TIniProfile(PathOf("absent.zup")).ReadString("Window", "Width", "d"), "d");
  EXPECT_EQ(TIniProfile(FDir.string()).ReadString("Window", "Width", "d"), "d");
  Store(PathOf("plain"), "x");
  EXPECT_EQ(TIniProfile(PathOf("plain/marlox.zup")).ReadInteger("Window", "Width", 7), 7);
}

TEST_F(ProfileTest, CutsLongStringsTo2047Characters) {
  const std::string stored(3000, 'a');
  TIniProfile profile = With("[Find]\nFindText=" + stored + "\nQuoted=\"" + stored + "\"\n");
  EXPECT_EQ(profile.ReadString("Find", "FindText", ""), stored.substr(0, 2047));
  EXPECT_EQ(profile.ReadString("Find", "Quoted", ""), stored.substr(0, 2047));
  EXPECT_EQ(profile.ReadString("Find", "Absent", stored), stored.substr(0, 2047));
  const std::string exact(2047, 'b');
  profile.WriteString("Find", "FindText", exact);
  EXPECT_EQ(profile.ReadString("Find", "FindText", ""), exact);
}

struct IntegerCase {
  const char* Stored;
  int Expected;
};

using ReadIntegerTest = ProfileCaseTest<IntegerCase>;

TEST_P(ReadIntegerTest, ReadsOrFallsBackTo77) {
  TIniProfile profile = With(std::string("[Window]\nWidth=") + GetParam().Stored + "\n");
  EXPECT_EQ(profile.ReadInteger("Window", "Width", 77), GetParam().Expected) << GetParam().Stored;
}

INSTANTIATE_TEST_SUITE_P(
    Values, ReadIntegerTest,
    ::testing::Values(IntegerCase{"640", 640}, IntegerCase{"-12", -12}, IntegerCase{"+12", 12},
                      IntegerCase{"007", 7}, IntegerCase{" 42 ", 42}, IntegerCase{"'42'", 42},
                      IntegerCase{"0x400", 1024}, IntegerCase{"0XfF", 255},
                      IntegerCase{"0x7FFFFFFF", 2147483647}, IntegerCase{"2147483647", 2147483647},
                      IntegerCase{"-2147483648", -2147483647 - 1}, IntegerCase{"wide", 77},
                      IntegerCase{"", 77}, IntegerCase{"0x", 77}, IntegerCase{"0x40g", 77},
                      IntegerCase{"-0x10", 77}, IntegerCase{"0x-1", 77}, IntegerCase{"12px", 77},
                      IntegerCase{"1.5", 77}, IntegerCase{"- 5", 77}, IntegerCase{"-", 77},
                      IntegerCase{"$400", 77}, IntegerCase{"2147483648", 77},
                      IntegerCase{"-2147483649", 77}, IntegerCase{"0x80000000", 77},
                      IntegerCase{"99999999999999999999999", 77}));

TEST_F(ProfileTest, FlagsLookAtTheLowEightBits) {
  TIniProfile profile =
      With("[View]\nTwo=2\nBig=256\nBoth=257\nMinus=-1\nZero=0\nWide=wide\nHex=0x100\nOne=1\n");
  EXPECT_TRUE(profile.ReadBool("View", "Two"));
  EXPECT_FALSE(profile.ReadBool("View", "Big"));
  EXPECT_TRUE(profile.ReadBool("View", "Both"));
  EXPECT_TRUE(profile.ReadBool("View", "Minus"));
  EXPECT_FALSE(profile.ReadBool("View", "Zero", true));
  EXPECT_FALSE(profile.ReadBool("View", "Hex"));
  EXPECT_TRUE(profile.ReadBool("View", "One"));
  EXPECT_FALSE(profile.ReadBool("View", "Wide"));
  EXPECT_TRUE(profile.ReadBool("View", "Wide", true));
  EXPECT_FALSE(profile.ReadBool("View", "Absent"));
}

TEST_F(ProfileTest, CreatesANewFileWithWindowsLineBreaks) {
  TIniProfile profile(IniPath());
  profile.WriteInteger("Window", "Width", -640);
  profile.WriteBool("Window", "Maximized", true);
  profile.WriteString("Find", "FindText", "");
  profile.WriteBool("Find", "MatchCase", false);
  EXPECT_EQ(Load(IniPath()),
            "[Window]\r\nWidth=-640\r\nMaximized=1\r\n[Find]\r\nFindText=\r\nMatchCase=0\r\n");
  EXPECT_EQ(profile.ReadInteger("Window", "Width", 0), -640);
  EXPECT_EQ(profile.ReadString("Find", "FindText", "x"), "");
}

struct WriteCase {
  const char* Label;
  const char* Section;
  const char* Key;
  const char* Before;
  const char* After;
};

using WriteStringTest = ProfileCaseTest<WriteCase>;

TEST_P(WriteStringTest, ChangesOnlyTheOneValue) {
  TIniProfile profile = With(GetParam().Before);
  profile.WriteString(GetParam().Section, GetParam().Key, "v w");
  EXPECT_EQ(Load(IniPath()), GetParam().After);
  EXPECT_EQ(profile.ReadString(GetParam().Section, GetParam().Key, ""), "v w");
}

constexpr const char* Kept =
    "; kept as it is\r\n"
    "Loose=1\n"
    "[Window]\r\n"
    "  Width = 640  \r\n"
    "Height=480\n"
    "\n"
    "; about View\n"
    "[View]\n"
    "Other=x";

INSTANTIATE_TEST_SUITE_P(
    Files, WriteStringTest,
    ::testing::Values(
        WriteCase{"ReplacesInPlace", "window", "WIDTH", Kept,
                  "; kept as it is\r\nLoose=1\n[Window]\r\nWidth=v w\r\nHeight=480\n\n"
                  "; about View\n[View]\nOther=x"},
        WriteCase{"AppendsKeyToSection", "Window", "Left", Kept,
                  "; kept as it is\r\nLoose=1\n[Window]\r\n  Width = 640  \r\nHeight=480\n"
                  "Left=v w\r\n\n; about View\n[View]\nOther=x"},
        WriteCase{"AppendsKeyAfterLastLine", "View", "Left", Kept,
                  "; kept as it is\r\nLoose=1\n[Window]\r\n  Width = 640  \r\nHeight=480\n\n"
                  "; about View\n[View]\nOther=x\r\nLeft=v w\r\n"},
        WriteCase{"AppendsSection", "Find", "FindText", Kept,
                  "; kept as it is\r\nLoose=1\n[Window]\r\n  Width = 640  \r\nHeight=480\n\n"
                  "; about View\n[View]\nOther=x\r\n[Find]\r\nFindText=v w\r\n"},
        WriteCase{"KeyIntoEmptySection", "Find", "FindText", "[Find]\n\n[View]\n",
                  "[Find]\nFindText=v w\n\n[View]\n"},
        WriteCase{"SectionAfterLf", "Find", "FindText", "[View]\nA=1\n\n",
                  "[View]\nA=1\n\n[Find]\nFindText=v w\n"},
        WriteCase{"LastLineWithoutBreak", "View", "A", "[View]\nA=1", "[View]\nA=v w"},
        WriteCase{"IntoEmptyFile", "Find", "FindText", "", "[Find]\r\nFindText=v w\r\n"},
        WriteCase{"KeyOutsideSectionUntouched", "Window", "Loose", Kept,
                  "; kept as it is\r\nLoose=1\n[Window]\r\n  Width = 640  \r\nHeight=480\n"
                  "Loose=v w\r\n\n; about View\n[View]\nOther=x"}),
    CaseLabel());

TEST_F(ProfileTest, KeepsBytesItDoesNotUnderstand) {
  const std::string odd = "[Window]\nWidth=1\n\x01\xff junk \0 line\n[X\n"s;
  TIniProfile profile = With(odd);
  profile.WriteInteger("Window", "Height", 2);
  EXPECT_EQ(Load(IniPath()), "[Window]\nWidth=1\nHeight=2\n\x01\xff junk \0 line\n[X\n"s);
}

TEST_F(ProfileTest, FailedWritesNameTheFileAndChangeNothing) {
  Store(PathOf("plain"), "not a directory");
  for (const std::string& path : {PathOf("plain/marlox.zup"), PathOf("absent/marlox.zup")}) {
    TIniProfile profile(path);
    try {
      profile.WriteInteger("Window", "Width", 1);
      ADD_FAILURE() << "no error for " << path;
    } catch (const VexaError& error) {
      EXPECT_EQ(std::string(error.what()), "Unable to write to " + vexa::FullPath(path));
    }
  }
  EXPECT_THROW(TIniProfile(FDir.string()).WriteInteger("Window", "Width", 1), FileError);

  const std::string before = "[Window]\nWidth=1\n";
  TIniProfile profile = With(before);
  EXPECT_THROW(profile.WriteString("Find", "FindText", "two\nlines"), FileError);
  EXPECT_THROW(profile.WriteString("Find", "FindText", "nul\0"s), FileError);
  EXPECT_THROW(profile.WriteString("Find", "Find=Text", "x"), FileError);
  EXPECT_THROW(profile.WriteString("Find", "", "x"), FileError);
  EXPECT_THROW(profile.WriteString("Fi]nd", "FindText", "x"), FileError);
  fs::permissions(IniPath(), fs::perms::owner_read | fs::perms::group_read);
  EXPECT_THROW(profile.WriteInteger("Window", "Width", 2), FileError);
  EXPECT_EQ(Load(IniPath()), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(FDir), fs::directory_iterator()), 2)
      << "a temporary file was left behind";
  // Windows deletes no read-only file, so the directory could not go.
  fs::permissions(IniPath(), fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(ProfileTest, KeepsPermissionsAndLinks) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need rights a Windows user rarely has";
#endif
  Store(PathOf("real.zup"), "[Window]\n");
  fs::permissions(PathOf("real.zup"), fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink("real.zup", IniPath());
  TIniProfile(IniPath()).WriteInteger("Window", "Width", 5);
  EXPECT_TRUE(fs::is_symlink(IniPath()));
  EXPECT_EQ(Load(PathOf("real.zup")), "[Window]\nWidth=5\n");
  EXPECT_EQ(fs::status(PathOf("real.zup")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(ProfileTest, NamesTheFileBesideTheExecutable) {
#ifdef _WIN32
  EXPECT_EQ(SettingsFileBeside("C:\\Program Files\\Marlox\\marlox.exe"),
            "C:\\Program Files\\Marlox\\marlox.zup");
#else
  EXPECT_EQ(SettingsFileBeside("/opt/marlox/bin/marlox"), "/opt/marlox/bin/marlox.zup");
#endif
  EXPECT_EQ(SettingsFileBeside("marlox"), vexa::FullPath("marlox.zup"));
}

TEST_F(ProfileTest, FirstStartUsesScreenDefaults) {
  TIniProfile profile(IniPath());
  TMarloxSettings settings = ReadSettings(profile, 1366, 767);
  EXPECT_EQ(settings, (TMarloxSettings{683,
                                       383,
                                       341,
                                       192,
                                       {"Courier New", 9, false, false},
                                       {"Tahoma", 8, false, false},
                                       170,
                                       "",
                                       false}));
  EXPECT_FALSE(fs::exists(IniPath()));
}

TEST_F(ProfileTest, LaterDefaultsFollowTheAppliedSize) {
  TIniProfile profile = With("[Window]\nWidth=1401\nHeight=0x100\n");
  TMarloxSettings settings = ReadSettings(profile, 1000, 800);
  EXPECT_EQ(settings.Left, -200);  // truncated toward zero
  EXPECT_EQ(settings.Top, 272);
  EXPECT_EQ(settings.ObjectListWidth, 350);
  EXPECT_EQ(ReadWindowLeft(profile, 1000, 600), 200);
  EXPECT_EQ(ReadObjectListWidth(profile, 600), 150);
}

TEST_F(ProfileTest, SettingsRoundTripInOrder) {
  const TMarloxSettings saved{-1920,
                              1000,
                              5000,
                              -3,
                              {"Lucida Console", 11, true, false},
                              {"Segoe UI", 9, false, true},
                              333,
                              "  OnValidate = ",
                              true};
  TIniProfile profile(IniPath());
  WriteSettings(profile, saved, true);
  EXPECT_EQ(Load(IniPath()),
            "[Window]\r\nWidth=-1920\r\nHeight=1000\r\nLeft=5000\r\nTop=-3\r\n"
            "[View]\r\nCodeFontName=Lucida Console\r\nCodeFontSize=11\r\nCodeFontBold=1\r\n"
            "CodeFontItalic=0\r\nListFontName=Segoe UI\r\nListFontSize=9\r\nListFontBold=0\r\n"
            "ListFontItalic=1\r\nObjectListWidth=333\r\n"
            "[Find]\r\nFindText=  OnValidate = \r\nMatchCase=1\r\n");
  TMarloxSettings loaded = ReadSettings(profile, 800, 600);
  EXPECT_EQ(loaded.FindText, "OnValidate =");  // blanks go, as the Windows service drops them
  loaded.FindText = saved.FindText;
  EXPECT_EQ(loaded, saved);
}

TEST_F(ProfileTest, WindowBoundsStayWhenNotNormal) {
  TIniProfile profile = With("[Window]\nWidth=700\n");
  WriteSettings(
      profile,
      TMarloxSettings{1, 2, 3, 4, {"A", 1, false, false}, {"B", 2, false, false}, 5, "", false},
      false);
  const std::string content = Load(IniPath());
  EXPECT_EQ(content.substr(0, content.find("[View]")), "[Window]\nWidth=700\n");
  EXPECT_NE(content.find("\n[Find]\nFindText=\nMatchCase=0\n"), std::string::npos) << content;
}

// Stands for a settings file that refuses its sixth value.
class TFailingProfile : public TIniProfile {
 public:
  using TIniProfile::TIniProfile;
  void WriteString(std::string_view section, std::string_view key,
                   std::string_view value) override {
    if (++FWrites == 6) throw FileError(std::string(ProfileWriteErrorText) + FileName());
    TIniProfile::WriteString(section, key, value);
  }
  int FWrites = 0;
};

TEST_F(ProfileTest, WritingStopsAtTheFailingValue) {
  TFailingProfile profile(IniPath());
  EXPECT_THROW(WriteSettings(profile, ReadSettings(profile, 800, 600), true), FileError);
  EXPECT_EQ(Load(IniPath()),
            "[Window]\r\nWidth=400\r\nHeight=300\r\nLeft=200\r\nTop=150\r\n"
            "[View]\r\nCodeFontName=Courier New\r\n");
}

// A hand-edited file once made centring the window overflow an int.
TEST_F(ProfileTest, OutOfRangeBoundsAreLimited) {
  TIniProfile profile = With("[Window]\nWidth=-2147483648\nHeight=2147483647\n");
  TMarloxSettings settings = ReadSettings(profile, 1920, 1080);
  EXPECT_EQ(settings.Width, -MaxWindowCoordinate);
  EXPECT_EQ(settings.Height, MaxWindowCoordinate);
  EXPECT_EQ(settings.Left, (1920 + MaxWindowCoordinate) / 2);
  EXPECT_EQ(settings.Top, (1080 - MaxWindowCoordinate) / 2);
  EXPECT_EQ(settings.ObjectListWidth, -MaxWindowCoordinate / 4);

  // Whatever the window was given, the defaults stay exact and in range.
  EXPECT_EQ(ReadWindowLeft(profile, 2147483647, -2147483647 - 1), MaxWindowCoordinate);
  EXPECT_EQ(ReadWindowTop(profile, -2147483647 - 1, 2147483647), -MaxWindowCoordinate);
  EXPECT_EQ(ReadWindowLeft(profile, 1000, 999), 0);

  TIniProfile far =
      With("[Window]\nLeft=-2147483648\nTop=0x7FFFFFFF\n[View]\nObjectListWidth=99999999\n");
  settings = ReadSettings(far, 1920, 1080);
  EXPECT_EQ(settings.Left, -MaxWindowCoordinate);
  EXPECT_EQ(settings.Top, MaxWindowCoordinate);
  EXPECT_EQ(settings.ObjectListWidth, MaxWindowCoordinate);
  EXPECT_EQ(settings.Width, 960);
}

}  // namespace
