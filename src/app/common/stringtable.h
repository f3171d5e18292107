// SPDX-License-Identifier: MIT
// The program's string table: every text the user sees, the settings file's
// section and key names, and the formats they are built with. The object type
// names live with the model (ObjectTypeNames in vexafile.h) and are reached
// through typeName below, so that both the views and the core use one table.
#pragma once

#include <QString>
#include <cstddef>

#include "vexafile.h"

namespace str {

inline constexpr const char* AppTitle = "Marlox";
inline constexpr const char* CaptionFormat = "%s - %s";

inline constexpr const char* ReadingFile = "Reading File...";
inline constexpr const char* ProcessingFormat = "Processing NAV Text File... %d%% done";
inline constexpr const char* ObjectCountFormat = "%d NAV object(s)";

inline constexpr const char* MenuFile = "&File";
inline constexpr const char* MenuEdit = "&Edit";
inline constexpr const char* MenuView = "&View";
inline constexpr const char* MenuHelp = "&Help";

inline constexpr const char* ActFileOpen = "&Open...";
inline constexpr const char* ActFileClose = "&Close";
inline constexpr const char* ActFileExport = "&Export...";
inline constexpr const char* ActFileExit = "E&xit";
inline constexpr const char* ActEditCopy = "&Copy";
inline constexpr const char* ActEditFind = "&Find...";
inline constexpr const char* ActEditSelectAll = "Select &All";
inline constexpr const char* ActViewFont = "&Font...";
inline constexpr const char* ActHelpAbout = "About...";
// Menu items whose caption differs from their action's.
inline constexpr const char* ItemFileExportListView = "Ex&port...";
inline constexpr const char* ItemHelpAbout = "&About...";

inline constexpr const char* ColumnType = "Type";
inline constexpr const char* ColumnID = "ID";
inline constexpr const char* ColumnName = "Name";
inline constexpr const char* ColumnModified = "Modified";
inline constexpr const char* ColumnVersionList = "Version List";
inline constexpr const char* ColumnDate = "Date";
inline constexpr const char* ColumnTime = "Time";
inline constexpr const char* ModifiedYes = "Yes";

inline constexpr const char* FilteredCountFormat = "%d of %d NAV object(s)";
inline constexpr const char* FilterPlaceholder = "Filter, e.g. type:table id:50000..59999 *Sales*";
inline constexpr const char* FilterToolTip =
    "Terms separated by spaces; every term must hold:\n"
    "  type:table|page   types, also unambiguous prefixes (tab, pag)\n"
    "  id:50000..59999   numbers: ranges with .., alternatives with |, ..100, 50000..\n"
    "  name:*Sales*      the name, with * and ? as wildcards, either letter case\n"
    "  version:*ABC1*    the version list, with the same wildcards\n"
    "  modified:yes      or no\n"
    "  date:2018-01-01..2018-12-31   ISO dates, whatever the file's date format\n"
    "  Customer          a bare word: names that contain it\n"
    "  status:changed|added   while comparing: added, removed, changed,\n"
    "                    propertiesonly or identical, also prefixes (prop)\n"
    "Quote a value that holds spaces: name:\"Sales Header\"";
inline constexpr const char* FilterCharacterError =
    "The filter holds a character that no object name can contain";

inline constexpr const char* FileFilter = "NAV Object Text Files|*.txt|All Files|*.*";
inline constexpr const char* ExportTitle = "Export";
inline constexpr const char* FolderMissingFormat =
    "%s\nThe folder does not exist.\nCheck the path and try again.";

inline constexpr const char* OverwriteFormat = "%s already exists.\r\nDo you want to replace it?";
inline constexpr const char* WarningTitle = "Warning";
inline constexpr const char* ButtonYes = "&Yes";
inline constexpr const char* ButtonNo = "&No";
inline constexpr const char* ButtonCancel = "Cancel";
inline constexpr const char* ButtonYesToAll = "Yes to &All";

inline constexpr const char* DirNotExists = "The specified directory does not exist. Create it?";
inline constexpr const char* ConfirmTitle = "Confirm";

inline constexpr const char* UnknownError = "Unknown error";
inline constexpr const char* ClipboardError = "Cannot open clipboard";

inline constexpr const char* ActFileCompareWith = "Compare &With...";
inline constexpr const char* ActFileEndComparison = "En&d Comparison";
inline constexpr const char* ActViewNextChange = "&Next Change";
inline constexpr const char* ActViewPreviousChange = "&Previous Change";
inline constexpr const char* ColumnStatus = "Status";
inline constexpr const char* StatusAdded = "Added";
inline constexpr const char* StatusRemoved = "Removed";
inline constexpr const char* StatusChanged = "Changed";
inline constexpr const char* StatusPropertiesOnly = "Properties only";
inline constexpr const char* ComparingFormat = "Comparing with %s: %s";

inline constexpr const char* ActFileOpenFolder = "Open &Folder...";
inline constexpr const char* ActFileCompareWithFolder = "Compare With Fo&lder...";
inline constexpr const char* ActFileSaveAsOneFile = "&Save As One File...";
inline constexpr const char* SaveAsOneFileTitle = "Save As One File";
inline constexpr const char* ColumnFile = "File";
inline constexpr const char* SkippedFilesFormat = "%s; files without objects skipped: %s";
// The three-way merge.
inline constexpr const char* ActFileMerge = "&Merge...";
inline constexpr const char* ActFileSaveMergeResult = "&Save Merge Result...";
inline constexpr const char* ActFileEndMerge = "End Mer&ge";
inline constexpr const char* MergeTitle = "Merge";
inline constexpr const char* MergeOriginal = "&ORIGINAL (the application as it was shipped):";
inline constexpr const char* MergeModified = "&MODIFIED (ORIGINAL with the update):";
inline constexpr const char* MergeTarget = "&TARGET (ORIGINAL with your own changes):";
inline constexpr const char* MergeBrowse = "Browse...";
inline constexpr const char* MergeBrowseFolder = "Folder...";
inline constexpr const char* MergingFiles = "Merging...";
inline constexpr const char* MergingFormat = "Merging: %s";
inline constexpr const char* MergeSavedFormat = "Merge result saved to %s";
inline constexpr const char* SaveMergeTitle = "Save Merge Result";
inline constexpr const char* MergeResultName = "merged.txt";
inline constexpr const char* MergeInputRefusedFormat = "%s is a file being merged; nothing written";
inline constexpr const char* ConflictOfFormat = "Conflict %d of %d";
inline constexpr const char* PreviousConflict = "&Previous";
inline constexpr const char* NextConflict = "&Next";
inline constexpr const char* TakeOriginal = "Take ORI&GINAL";
inline constexpr const char* TakeModified = "Take MO&DIFIED";
inline constexpr const char* TakeTarget = "Take TA&RGET";
inline constexpr const char* TakeBoth = "Take &Both (MODIFIED, then TARGET)";

inline constexpr const char* AboutTitle = "About marlox.exe";
// Six lines, each ended by a single carriage return but the last.
inline constexpr const char* AboutText =
    "Marlox, a viewer for exported application object text files.\r"
    "It lists the objects of a file, shows, finds, copies and exports them.\r"
    "\r"
    "This edition of marlox.exe is built with Qt 6 and runs on Windows\r"
    "and Linux; marlox.exe never changes the file it reads.\r"
    "Version 1.0.0.31";

// The settings file's name, sections, keys and default faces are kept with
// the settings record (settings.h), which reads and writes them.

inline QString text(const char* text) {
  return QString::fromLatin1(text);
}

// "%s - %s" and friends: the string table's printf formats filled in.
inline QString format(const char* format, int value) {
  return QString::asprintf(format, value);
}
inline QString format(const char* format, const QString& a, const QString& b) {
  return QString::asprintf(format, a.toUtf8().constData(), b.toUtf8().constData());
}
inline QString format(const char* format, const QString& a) {
  return QString::asprintf(format, a.toUtf8().constData());
}

inline QString typeName(TObjectType type) {
  auto name = ObjectTypeNames[std::size_t(type)];
  return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

// Reading code: colouring, outline, go to object, where used.
inline constexpr const char* ActViewSyntaxColouring = "&Syntax Colouring";
inline constexpr const char* MenuViewDateOrder = "&Date Order";
inline constexpr const char* ActViewDateOrderAutomatic = "&Automatic";
inline constexpr const char* ActViewDateOrderDayFirst = "&Day First (dd-mm-yy)";
inline constexpr const char* ActViewDateOrderMonthFirst = "&Month First (mm/dd/yy)";
inline constexpr const char* ActViewDateOrderYearFirst = "&Year First (yy-mm-dd)";
inline constexpr const char* ActEditGoToObject = "&Go to Object";
inline constexpr const char* ActEditGoBack = "&Back";
inline constexpr const char* ActEditWhereUsed = "&Where Used";
inline constexpr const char* NoReferenceHere = "No object reference at the caret";
inline constexpr const char* ObjectNotInFileFormat = "%s is not in this file";
inline constexpr const char* WhereUsedTitleFormat = "Where Used: %s";
inline constexpr const char* WhereUsedSearching = "Searching for uses...";
inline constexpr const char* WhereUsedCountFormat = "%d use(s)";
inline constexpr const char* WhereUsedCancelled = "Where Used cancelled";
inline constexpr const char* ColumnObject = "Object";
inline constexpr const char* ColumnLine = "Line";
inline constexpr const char* ColumnText = "Text";

// List order, line commands, find keys, recent files and reload.
inline constexpr const char* ActViewFileOrder = "File &Order";
inline constexpr const char* ActViewLineNumbers = "&Line Numbers";
inline constexpr const char* ActEditGoToLine = "Go to &Line...";
inline constexpr const char* GoToLineTitle = "Go to Line";
inline constexpr const char* GoToLineFormat = "Line number (1 - %d):";
inline constexpr const char* CaretPositionFormat = "Ln %d, Col %d";
inline constexpr const char* ActEditFindNext = "Find &Next";
inline constexpr const char* ActEditFindPrevious = "Find Pre&vious";
inline constexpr const char* ActFileReload = "&Reload";
inline constexpr const char* ReloadQuestionFormat = "%s\n\nRead the file again?";
inline constexpr const char* RecentFileMissingFormat =
    "%s no longer exists.\nRemove it from the list of recent files?";

}  // namespace str
