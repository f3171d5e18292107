// SPDX-License-Identifier: MIT
// A line diff of two object texts as hunks with context, and its unified
// form. Lines are compared as bytes, line break included; the diff is a
// shortest one, except where a range grows too costly to search.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class TDiffLineKind : std::uint8_t { dlContext, dlRemoved, dlAdded };

struct TDiffLine {
  TDiffLineKind Kind;
  std::int32_t OldNumber;  // 1-based; 0 for an added line
  std::int32_t NewNumber;  // 1-based; 0 for a removed line
  // The line in the old text (context and removed lines) or the new text
  // (added lines): its first byte, its length without the line break, and
  // the length of the line break (0 for a last line without one).
  std::uint32_t Begin;
  std::uint32_t Length;
  std::uint8_t BreakLength;
};

struct TDiffHunk {
  // Line numbers and counts as the unified form's "@@" line gives them.
  std::int32_t OldStart = 0;
  std::int32_t OldCount = 0;
  std::int32_t NewStart = 0;
  std::int32_t NewCount = 0;
  std::vector<TDiffLine> Lines;
};

// One line of a text: [Begin, Begin + Length) and its break bytes after it.
struct TTextLine {
  std::uint32_t Begin;
  std::uint32_t Length;
  std::uint8_t BreakLength;
};

// CR LF, a lone CR, a lone LF and a NUL each end a line; a text that ends in
// a line break has no empty line after it.
std::vector<TTextLine> SplitLines(std::string_view text);

// The hunks that turn oldText into newText, each with up to context
// unchanged lines around its changes. No hunks when the texts are equal.
std::vector<TDiffHunk> DiffLines(std::string_view oldText, std::string_view newText,
                                 int context = 3);

// Appends the unified form: the "---"/"+++" lines with the labels, then each
// hunk; line bytes go out unchanged, and a last line without a line break is
// followed by "\ No newline at end of file".
void WriteUnifiedDiff(std::string& out, const std::vector<TDiffHunk>& hunks,
                      std::string_view oldText, std::string_view newText, std::string_view oldLabel,
                      std::string_view newLabel);
