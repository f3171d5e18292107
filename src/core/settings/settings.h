// SPDX-License-Identifier: MIT
// What the main window keeps from one run to the next in "marlox.zup", the
// names it is stored under, and the order it is read and written in.
//
// Loading, as the window does it (each read consults the file; where a value
// is applied the window may adjust it, so later defaults use what it kept):
//
//   TIniProfile profile(SettingsFileBeside(executablePath));
//   int width = apply window width (ReadWindowWidth(profile, screenWidth));
//   int height = apply window height (ReadWindowHeight(profile, screenHeight));
//   apply left edge (ReadWindowLeft(profile, screenWidth, width));
//   apply top edge (ReadWindowTop(profile, screenHeight, height));
//   apply tree width (ReadObjectListWidth(profile, width));
//   apply ReadCodeFont(profile) to the text pane: face, size, bold added when
//     Bold, italic added when Italic (colour and character set stay the window's);
//   apply ReadListFont(profile) to the list the same way, then copy it to the tree;
//   set the find dialog's text to ReadFindText(profile) (the dialog keeps 255
//     characters) and switch match case on when ReadMatchCase(profile).
//
// Saving: fill a TMarloxSettings from the window and call WriteSettings with
// writeWindowBounds true only when the window is in its normal state. A write
// that fails throws FileError "Unable to write to <full path>"; the values
// written before it stay in the file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "profile.h"

inline constexpr std::string_view SettingsFileName = "marlox.zup";

inline constexpr std::string_view SectionWindow = "Window";
inline constexpr std::string_view KeyWidth = "Width";
inline constexpr std::string_view KeyHeight = "Height";
inline constexpr std::string_view KeyLeft = "Left";
inline constexpr std::string_view KeyTop = "Top";

inline constexpr std::string_view SectionView = "View";
inline constexpr std::string_view KeyCodeFontName = "CodeFontName";
inline constexpr std::string_view KeyCodeFontSize = "CodeFontSize";
inline constexpr std::string_view KeyCodeFontBold = "CodeFontBold";
inline constexpr std::string_view KeyCodeFontItalic = "CodeFontItalic";
inline constexpr std::string_view KeyListFontName = "ListFontName";
inline constexpr std::string_view KeyListFontSize = "ListFontSize";
inline constexpr std::string_view KeyListFontBold = "ListFontBold";
inline constexpr std::string_view KeyListFontItalic = "ListFontItalic";
inline constexpr std::string_view KeyObjectListWidth = "ObjectListWidth";

// Written only when the user switches colouring, so a file that never
// switched it keeps its keys as they were.
inline constexpr std::string_view KeySyntaxColouring = "SyntaxColouring";

inline constexpr std::string_view SectionFind = "Find";
inline constexpr std::string_view KeyFindText = "FindText";
inline constexpr std::string_view KeyMatchCase = "MatchCase";

inline constexpr std::string_view DefaultCodeFontName = "Courier New";
inline constexpr int DefaultCodeFontSize = 9;
inline constexpr std::string_view DefaultListFontName = "Tahoma";
inline constexpr int DefaultListFontSize = 8;

// Window sizes and positions and the tree's width, stored or computed, are
// limited to this magnitude: far beyond any screen, yet small enough that an
// edge plus a size, or a difference of two of them, always fits an int.
inline constexpr int MaxWindowCoordinate = 16777215;

// Only these four properties of a font are stored.
struct TFontSetting {
  std::string Name;
  int Size = 0;  // points
  bool Bold = false;
  bool Italic = false;
  bool operator==(const TFontSetting&) const = default;
};

struct TMarloxSettings {
  // The window's outer bounds in screen pixels, frame included.
  int Width = 0;
  int Height = 0;
  int Left = 0;
  int Top = 0;
  TFontSetting CodeFont;    // the text pane's
  TFontSetting ListFont;    // the list's, which the tree shares
  int ObjectListWidth = 0;  // the tree's width in pixels
  std::string FindText;
  bool MatchCase = false;
  bool operator==(const TMarloxSettings&) const = default;
};

// "marlox.zup" in the directory of the executable at executablePath.
std::string SettingsFileBeside(const std::string& executablePath);

// Each gives the stored value or, when it is missing or unusable, the default
// named. Division truncates toward zero. The five window values are then
// limited to +-MaxWindowCoordinate.
int ReadWindowWidth(const TIniProfile& profile, int screenWidth);    // screenWidth / 2
int ReadWindowHeight(const TIniProfile& profile, int screenHeight);  // screenHeight / 2
int ReadWindowLeft(const TIniProfile& profile, int screenWidth,
                   int windowWidth);  // (screenWidth - windowWidth) / 2
int ReadWindowTop(const TIniProfile& profile, int screenHeight,
                  int windowHeight);  // (screenHeight - windowHeight) / 2
int ReadObjectListWidth(const TIniProfile& profile, int windowWidth);  // windowWidth / 4
TFontSetting ReadCodeFont(const TIniProfile& profile);                 // Courier New, 9, plain
TFontSetting ReadListFont(const TIniProfile& profile);                 // Tahoma, 8, plain
std::string ReadFindText(const TIniProfile& profile);                  // empty
bool ReadMatchCase(const TIniProfile& profile);                        // off

// Every value in the loading order, for a window that keeps the width and
// height it is given (the defaults of Left, Top and ObjectListWidth use them).
TMarloxSettings ReadSettings(const TIniProfile& profile, int screenWidth, int screenHeight);

// Writes, in this order: the four "Window" keys (only when writeWindowBounds),
// the four code font keys, the four list font keys, "ObjectListWidth",
// "FindText" (also when empty) and "MatchCase".
void WriteSettings(TIniProfile& profile, const TMarloxSettings& settings, bool writeWindowBounds);

bool ReadSyntaxColouring(const TIniProfile& profile);  // on
void WriteSyntaxColouring(TIniProfile& profile, bool on);
// The object list's filter and how dates are read for it, in "View". Neither
// key is written by a window that never used them, so that the file keeps the
// keys above only.
inline constexpr std::string_view KeyFilter = "Filter";
inline constexpr std::string_view KeyDateOrder =
    "DateOrder";  // "dmy", "mdy", "ymd"; else each file decides

std::string ReadFilter(const TIniProfile& profile);     // empty
std::string ReadDateOrder(const TIniProfile& profile);  // empty
// Writes "Filter" when it holds text or the file has the key already.
void WriteFilter(TIniProfile& profile, const std::string& filter);
// "dmy", "mdy", "ymd", or empty for the order each file decides.
void WriteDateOrder(TIniProfile& profile, const std::string& order);

// The line numbers beside the text pane, in "View"; written only when the
// user switches them.
inline constexpr std::string_view KeyLineNumbers = "LineNumbers";
bool ReadLineNumbers(const TIniProfile& profile);  // off
void WriteLineNumbers(TIniProfile& profile, bool on);

// The object list's column widths in pixels, "108,108,215,...", in "View";
// written only once the user has sized a column. A missing, empty or
// unusable entry reads as 0, for the column's own width.
inline constexpr std::string_view KeyListColumnWidths = "ListColumnWidths";
std::vector<int> ReadListColumnWidths(const TIniProfile& profile, std::size_t columns);
void WriteListColumnWidths(TIniProfile& profile, const std::vector<int>& widths);
