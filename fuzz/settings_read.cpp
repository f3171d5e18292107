// SPDX-License-Identifier: MIT
// Reading every setting from any file, for any screen: each value is the
// obvious reading of the layout or its default, window values stay within
// their bounds, and nothing overflows on the way.
//
// Input: the screen's width and height (four bytes each), then the file.
#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzzsupport.h"
#include "naiveprofile.h"
#include "settings.h"

namespace {

int Bounded(std::int64_t value) {
  return int(std::clamp<std::int64_t>(value, -MaxWindowCoordinate, MaxWindowCoordinate));
}

TFontSetting Font(const std::string& content, std::string_view name, std::string_view size,
                  std::string_view bold, std::string_view italic, std::string_view defaultName,
                  int defaultSize) {
  return {naive::ReadString(content, SectionView, name, defaultName),
          naive::ReadInteger(content, SectionView, size, defaultSize),
          naive::ReadBool(content, SectionView, bold),
          naive::ReadBool(content, SectionView, italic)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::TInput input(data, size);
  const std::int32_t screenWidth = input.Int32();
  const std::int32_t screenHeight = input.Int32();
  const std::string content(input.Rest());
  const TIniProfile profile(fuzz::WriteScratchFile("read.zup", content));

  TMarloxSettings want;
  want.Width =
      Bounded(naive::ReadInteger(content, SectionWindow, KeyWidth, Bounded(screenWidth / 2)));
  want.Height =
      Bounded(naive::ReadInteger(content, SectionWindow, KeyHeight, Bounded(screenHeight / 2)));
  want.Left = Bounded(naive::ReadInteger(content, SectionWindow, KeyLeft,
                                         Bounded((std::int64_t{screenWidth} - want.Width) / 2)));
  want.Top = Bounded(naive::ReadInteger(content, SectionWindow, KeyTop,
                                        Bounded((std::int64_t{screenHeight} - want.Height) / 2)));
  want.ObjectListWidth = Bounded(
      naive::ReadInteger(content, SectionView, KeyObjectListWidth, Bounded(want.Width / 4)));
  want.CodeFont = Font(content, KeyCodeFontName, KeyCodeFontSize, KeyCodeFontBold,
                       KeyCodeFontItalic, DefaultCodeFontName, DefaultCodeFontSize);
  want.ListFont = Font(content, KeyListFontName, KeyListFontSize, KeyListFontBold,
                       KeyListFontItalic, DefaultListFontName, DefaultListFontSize);
  want.FindText = naive::ReadString(content, SectionFind, KeyFindText, "");
  want.MatchCase = naive::ReadBool(content, SectionFind, KeyMatchCase);

  FUZZ_CHECK(ReadSettings(profile, screenWidth, screenHeight) == want);
  // Reading never touches the file.
  FUZZ_CHECK(fuzz::ReadScratchFile(profile.FileName()) == content);
  return 0;
}
