// SPDX-License-Identifier: MIT
#include "settings.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>

#include "osfile.h"
#include "pathtext.h"

namespace fs = std::filesystem;

namespace {

struct TFontKeys {
  std::string_view Name, Size, Bold, Italic;
};

constexpr TFontKeys CodeFontKeys{KeyCodeFontName, KeyCodeFontSize, KeyCodeFontBold,
                                 KeyCodeFontItalic};
constexpr TFontKeys ListFontKeys{KeyListFontName, KeyListFontSize, KeyListFontBold,
                                 KeyListFontItalic};

TFontSetting ReadFont(const TIniProfile& profile, const TFontKeys& keys,
                      std::string_view defaultName, int defaultSize) {
  TFontSetting font;
  font.Name = profile.ReadString(SectionView, keys.Name, defaultName);
  font.Size = profile.ReadInteger(SectionView, keys.Size, defaultSize);
  font.Bold = profile.ReadBool(SectionView, keys.Bold);
  font.Italic = profile.ReadBool(SectionView, keys.Italic);
  return font;
}

void WriteFont(TIniProfile& profile, const TFontKeys& keys, const TFontSetting& font) {
  profile.WriteString(SectionView, keys.Name, font.Name);
  profile.WriteInteger(SectionView, keys.Size, font.Size);
  profile.WriteBool(SectionView, keys.Bold, font.Bold);
  profile.WriteBool(SectionView, keys.Italic, font.Italic);
}

// The defaults are computed in 64 bits, so that no stored size makes them overflow.
int Limited(std::int64_t value) {
  return static_cast<int>(
      std::clamp<std::int64_t>(value, -MaxWindowCoordinate, MaxWindowCoordinate));
}

int ReadLimited(const TIniProfile& profile, std::string_view section, std::string_view key,
                std::int64_t defaultValue) {
  return Limited(profile.ReadInteger(section, key, Limited(defaultValue)));
}

}  // namespace

std::string SettingsFileBeside(const std::string& executablePath) {
  return vexa::PathText(vexa::PathOf(vexa::FullPath(executablePath)).parent_path() /
                        SettingsFileName);
}

int ReadWindowWidth(const TIniProfile& profile, int screenWidth) {
  return ReadLimited(profile, SectionWindow, KeyWidth, screenWidth / 2);
}

int ReadWindowHeight(const TIniProfile& profile, int screenHeight) {
  return ReadLimited(profile, SectionWindow, KeyHeight, screenHeight / 2);
}

int ReadWindowLeft(const TIniProfile& profile, int screenWidth, int windowWidth) {
  return ReadLimited(profile, SectionWindow, KeyLeft,
                     (std::int64_t{screenWidth} - windowWidth) / 2);
}

int ReadWindowTop(const TIniProfile& profile, int screenHeight, int windowHeight) {
  return ReadLimited(profile, SectionWindow, KeyTop,
                     (std::int64_t{screenHeight} - windowHeight) / 2);
}

int ReadObjectListWidth(const TIniProfile& profile, int windowWidth) {
  return ReadLimited(profile, SectionView, KeyObjectListWidth, windowWidth / 4);
}

TFontSetting ReadCodeFont(const TIniProfile& profile) {
  return ReadFont(profile, CodeFontKeys, DefaultCodeFontName, DefaultCodeFontSize);
}

TFontSetting ReadListFont(const TIniProfile& profile) {
  return ReadFont(profile, ListFontKeys, DefaultListFontName, DefaultListFontSize);
}

std::string ReadFindText(const TIniProfile& profile) {
  return profile.ReadString(SectionFind, KeyFindText, "");
}

bool ReadMatchCase(const TIniProfile& profile) {
  return profile.ReadBool(SectionFind, KeyMatchCase);
}

TMarloxSettings ReadSettings(const TIniProfile& profile, int screenWidth, int screenHeight) {
  TMarloxSettings settings;
  settings.Width = ReadWindowWidth(profile, screenWidth);
  settings.Height = ReadWindowHeight(profile, screenHeight);
  settings.Left = ReadWindowLeft(profile, screenWidth, settings.Width);
  settings.Top = ReadWindowTop(profile, screenHeight, settings.Height);
  settings.ObjectListWidth = ReadObjectListWidth(profile, settings.Width);
  settings.CodeFont = ReadCodeFont(profile);
  settings.ListFont = ReadListFont(profile);
  settings.FindText = ReadFindText(profile);
  settings.MatchCase = ReadMatchCase(profile);
  return settings;
}

void WriteSettings(TIniProfile& profile, const TMarloxSettings& settings, bool writeWindowBounds) {
  if (writeWindowBounds) {
    profile.WriteInteger(SectionWindow, KeyWidth, settings.Width);
    profile.WriteInteger(SectionWindow, KeyHeight, settings.Height);
    profile.WriteInteger(SectionWindow, KeyLeft, settings.Left);
    profile.WriteInteger(SectionWindow, KeyTop, settings.Top);
  }
  WriteFont(profile, CodeFontKeys, settings.CodeFont);
  WriteFont(profile, ListFontKeys, settings.ListFont);
  profile.WriteInteger(SectionView, KeyObjectListWidth, settings.ObjectListWidth);
  profile.WriteString(SectionFind, KeyFindText, settings.FindText);
  profile.WriteBool(SectionFind, KeyMatchCase, settings.MatchCase);
}

bool ReadSyntaxColouring(const TIniProfile& profile) {
  return profile.ReadBool(SectionView, KeySyntaxColouring, true);
}

void WriteSyntaxColouring(TIniProfile& profile, bool on) {
  profile.WriteBool(SectionView, KeySyntaxColouring, on);
}

std::string ReadFilter(const TIniProfile& profile) {
  return profile.ReadString(SectionView, KeyFilter, "");
}

std::string ReadDateOrder(const TIniProfile& profile) {
  return profile.ReadString(SectionView, KeyDateOrder, "");
}

void WriteFilter(TIniProfile& profile, const std::string& filter) {
  // A line break never comes back from the file, so it tells a missing key.
  const bool stored = profile.ReadString(SectionView, KeyFilter, "\n") != "\n";
  if (filter.empty() && !stored) return;
  // Reading drops blanks around a value and one pair of quotes around it, both
  // of which a filter may need: a pair of our own keeps them.
  const bool wrap = !filter.empty() &&
                    (filter.front() == '"' || filter.front() == '\'' || filter.front() == ' ' ||
                     filter.front() == '\t' || filter.back() == ' ' || filter.back() == '\t');
  profile.WriteString(SectionView, KeyFilter, wrap ? "\"" + filter + "\"" : filter);
}

void WriteDateOrder(TIniProfile& profile, const std::string& order) {
  profile.WriteString(SectionView, KeyDateOrder, order);
}

bool ReadLineNumbers(const TIniProfile& profile) {
  return profile.ReadBool(SectionView, KeyLineNumbers);
}

void WriteLineNumbers(TIniProfile& profile, bool on) {
  profile.WriteBool(SectionView, KeyLineNumbers, on);
}

std::vector<int> ReadListColumnWidths(const TIniProfile& profile, std::size_t columns) {
  std::vector<int> widths(columns, 0);
  const std::string text = profile.ReadString(SectionView, KeyListColumnWidths, "");
  std::size_t start = 0;
  for (std::size_t i = 0; i < columns && start <= text.size(); ++i) {
    std::size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    int width = 0;
    const char* first = text.data() + start;
    const char* last = text.data() + end;
    while (first < last && *first == ' ') ++first;
    while (last > first && last[-1] == ' ') --last;
    const auto [ptr, error] = std::from_chars(first, last, width);
    // Wider than any screen, or not a width at all: the column's own.
    if (error == std::errc() && ptr == last && width > 0 && width <= MaxWindowCoordinate)
      widths[i] = width;
    start = end + 1;
  }
  return widths;
}

void WriteListColumnWidths(TIniProfile& profile, const std::vector<int>& widths) {
  std::string text;
  for (std::size_t i = 0; i < widths.size(); ++i)
    text += (i > 0 ? "," : "") + std::to_string(widths[i]);
  profile.WriteString(SectionView, KeyListColumnWidths, text);
}
