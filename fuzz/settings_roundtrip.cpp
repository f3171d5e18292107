// SPDX-License-Identifier: MIT
// Saving every setting into any file and reading them back: each value comes
// back (window values within their bounds, strings without blanks around
// them or one pair of quotes), the window keys stay as they were when the
// window was not in its normal state, and keys of others read as before.
//
// Input: seven numbers of four bytes (window bounds, tree width, two font
// sizes), a byte of flags, the two font names and the search text each ended
// by a 0x01 byte, then the file.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fuzzsupport.h"
#include "naiveprofile.h"
#include "settings.h"

namespace {

constexpr std::string_view Absent = "\x02 absent";

bool Storable(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

int Bounded(std::int32_t value) {
  return std::clamp(value, -MaxWindowCoordinate, MaxWindowCoordinate);
}

std::string AsRead(std::string_view written) {
  return naive::ReadValue(naive::Trim(written));
}

bool IsSettingsKey(std::string_view section, std::string_view key) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 15> keys{{
      {SectionWindow, KeyWidth},
      {SectionWindow, KeyHeight},
      {SectionWindow, KeyLeft},
      {SectionWindow, KeyTop},
      {SectionView, KeyCodeFontName},
      {SectionView, KeyCodeFontSize},
      {SectionView, KeyCodeFontBold},
      {SectionView, KeyCodeFontItalic},
      {SectionView, KeyListFontName},
      {SectionView, KeyListFontSize},
      {SectionView, KeyListFontBold},
      {SectionView, KeyListFontItalic},
      {SectionView, KeyObjectListWidth},
      {SectionFind, KeyFindText},
      {SectionFind, KeyMatchCase},
  }};
  return std::any_of(keys.begin(), keys.end(), [&](const auto& k) {
    return naive::SameText(section, k.first) && naive::SameText(key, k.second);
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::TInput input(data, size);
  TMarloxSettings saved;
  saved.Width = input.Int32();
  saved.Height = input.Int32();
  saved.Left = input.Int32();
  saved.Top = input.Int32();
  saved.ObjectListWidth = input.Int32();
  saved.CodeFont.Size = input.Int32();
  saved.ListFont.Size = input.Int32();
  const std::uint8_t flags = input.Byte();
  saved.CodeFont.Bold = flags & 1;
  saved.CodeFont.Italic = flags & 2;
  saved.ListFont.Bold = flags & 4;
  saved.ListFont.Italic = flags & 8;
  saved.MatchCase = flags & 16;
  const bool normal = flags & 32;
  saved.CodeFont.Name = input.Until('\x01');
  saved.ListFont.Name = input.Until('\x01');
  saved.FindText = input.Until('\x01');
  const std::string content(input.Rest());

  const std::string path = fuzz::WriteScratchFile("roundtrip.zup", content);
  TIniProfile profile(path);
  std::vector<std::pair<std::string, std::string>> probes = naive::IniKeys(content);
  if (probes.size() > 64) probes.resize(64);
  std::vector<std::string> before;
  for (const auto& [s, k] : probes) before.push_back(profile.ReadString(s, k, Absent));
  const TMarloxSettings old = ReadSettings(profile, 1920, 1080);

  try {
    WriteSettings(profile, saved, normal);
    FUZZ_CHECK(Storable(saved.CodeFont.Name) && Storable(saved.ListFont.Name) &&
               Storable(saved.FindText));
  } catch (const FileError& error) {
    FUZZ_CHECK(!Storable(saved.CodeFont.Name) || !Storable(saved.ListFont.Name) ||
               !Storable(saved.FindText));
    FUZZ_CHECK(error.what() == std::string(ProfileWriteErrorText) + profile.FileName());
    return 0;
  }

  TMarloxSettings want = saved;
  if (normal) {
    want.Width = Bounded(saved.Width);
    want.Height = Bounded(saved.Height);
    want.Left = Bounded(saved.Left);
    want.Top = Bounded(saved.Top);
  } else {
    want.Width = old.Width;
    want.Height = old.Height;
    want.Left = old.Left;
    want.Top = old.Top;
  }
  want.ObjectListWidth = Bounded(saved.ObjectListWidth);
  want.CodeFont.Name = AsRead(saved.CodeFont.Name);
  want.ListFont.Name = AsRead(saved.ListFont.Name);
  want.FindText = AsRead(saved.FindText);
  FUZZ_CHECK(ReadSettings(profile, 1920, 1080) == want);

  for (std::size_t i = 0; i < probes.size(); ++i) {
    const auto& [s, k] = probes[i];
    if (!IsSettingsKey(s, k)) FUZZ_CHECK(profile.ReadString(s, k, Absent) == before[i]);
  }
  return 0;
}
