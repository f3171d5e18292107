// SPDX-License-Identifier: MIT
// Text from the command line and the system into the files' code page, and
// paths with characters beyond ASCII through every file operation.
#include <gtest/gtest.h>

#include <string>

#include "codepage.h"
#include "osfile.h"
#include "pathtext.h"
#include "testfiles.h"
#include "vexafile.h"

using testing_support::MessageOf;
using testing_support::TempDir;

namespace {

// The UTF-8 form of a character of the Basic Multilingual Plane.
std::string Utf8(char16_t ch) {
  std::string text;
  if (ch < 0x800) {
    text += char(0xC0 | (ch >> 6));
  } else {
    text += char(0xE0 | (ch >> 12));
    text += char(0x80 | ((ch >> 6) & 0x3F));
  }
  text += char(0x80 | (ch & 0x3F));
  return text;
}

TEST(Cp850FromUtf8, EveryCharacterOfTheCodePageBecomesItsByte) {
  for (unsigned i = 0; i < vexa::Cp850HighHalf.size(); ++i)
    EXPECT_EQ(vexa::Cp850FromUtf8("a" + Utf8(vexa::Cp850HighHalf[i]) + "z"),
              "a" + std::string(1, char(0x80 + i)) + "z")
        << "byte " << 0x80 + i;
  EXPECT_EQ(vexa::Cp850FromUtf8("K\xC3\xA5se \xC3\x84l"), "K\x86se \x8El");
  EXPECT_EQ(vexa::Cp850FromUtf8(std::string("A=1|\0~", 6)), std::string("A=1|\0~", 6));
}

TEST(Cp850FromUtf8, BytesThatBeginNoUtf8CharacterStayAsTheyAre) {
  // Already in the code page; a lead byte cut off; an overlong '/'; a
  // surrogate; a lead byte beyond U+10FFFF.
  for (const std::string bytes :
       {"\x94l", "M\x9Aller", "\xC3", "x\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xF5\x80\x80\x80"})
    EXPECT_EQ(vexa::Cp850FromUtf8(bytes), bytes);
}

TEST(Cp850FromUtf8, ACharacterTheCodePageLacksIsNamed) {
  EXPECT_EQ(MessageOf([] {
              vexa::Cp850FromUtf8(
                  "x\xE2\x82\xAC"
                  "y\xE2\x80\x9C");
            }),
            "\"\xE2\x82\xAC\" (U+20AC) is not a character of code page 850");
  EXPECT_EQ(MessageOf([] { vexa::Cp850FromUtf8("\xF0\x9F\x98\x80"); }),
            "\"\xF0\x9F\x98\x80\" (U+1F600) is not a character of code page 850");
  EXPECT_THROW(vexa::Cp850FromUtf8("\xC4\x80"), vexa::CodePageError);  // U+0100
}

// Built from UTF-8 text, so on Windows every call must go through wide names.
TEST(UnicodePaths, AFileInAFolderNamedBeyondAsciiIsWrittenFoundAndRead) {
  TempDir dir;
  const std::string folder = vexa::PathText(dir.path()) + "/Kunden-\xC3\xA5\xC3\xA4\xC3\xB6";
  const std::string path = folder + "/\xE2\x82\xAC.txt";
  vexa::ForceDirectories(folder);
  const std::string text = "OBJECT Table 1 K\x86se\r\n";
  vexa::WriteFileReplacing(
      path, [&](std::ostream& out) { out << text; }, nullptr);
  EXPECT_TRUE(vexa::FileExists(path));
  EXPECT_EQ(vexa::PathText(vexa::PathOf(path).filename()), "\xE2\x82\xAC.txt");
  EXPECT_NE(vexa::FullPath(path).find("Kunden-\xC3\xA5\xC3\xA4\xC3\xB6"), std::string::npos);
  TObjectTextFile file;
  file.LoadFromFile(path);
  ASSERT_EQ(file.GetCount(), 1);
  EXPECT_EQ(file.GetObject(0).GetText(), text);
  const std::string missing =
      MessageOf([&] { vexa::ExclusiveFile held(folder + "/\xC3\xA5.txt"); });
  EXPECT_NE(missing.find("Kunden-\xC3\xA5\xC3\xA4\xC3\xB6"), std::string::npos) << missing;
  EXPECT_NE(missing.find("\xC3\xA5.txt\". "), std::string::npos) << missing;
}

}  // namespace
