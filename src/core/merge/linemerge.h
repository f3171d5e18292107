// SPDX-License-Identifier: MIT
// A three-way merge of texts by lines, and the conflict marks that a merged
// text carries where both sides changed the same lines differently.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace merge {

// The marks stand at the start of a line, each on a line of its own. Their
// first characters start no property, no row and no statement, so an
// object that still holds one cannot be imported by mistake.
inline constexpr std::string_view TargetMark = "<<<<<<< TARGET";
inline constexpr std::string_view OriginalMark = "||||||| ORIGINAL";
inline constexpr std::string_view ModifiedMark = "=======";
inline constexpr std::string_view EndMark = ">>>>>>> MODIFIED";

// One stretch of a line merge, in lines of each side (0-based, end exclusive).
struct TMergeChunk {
  enum TKind : std::uint8_t { mcStable, mcModified, mcTarget, mcConflict } Kind = mcStable;
  std::int32_t OriginalBegin = 0, OriginalEnd = 0;
  std::int32_t ModifiedBegin = 0, ModifiedEnd = 0;
  std::int32_t TargetBegin = 0, TargetEnd = 0;
};

// Lines of a text: the offset where each line starts, and the text's size
// last, so line i is [Starts[i], Starts[i + 1]) with its line break.
struct TLineIndex {
  std::vector<std::uint32_t> Starts;
  std::int32_t Count() const { return std::int32_t(Starts.size()) - 1; }
  std::string_view Lines(std::string_view text, std::int32_t begin, std::int32_t end) const {
    return text.substr(Starts[std::size_t(begin)],
                       Starts[std::size_t(end)] - Starts[std::size_t(begin)]);
  }
};
TLineIndex IndexLines(std::string_view text);

// The chunks that take the original to the merge: stable lines, lines that
// one side changed (or both the same way), and conflicts.
std::vector<TMergeChunk> MergeLineChunks(std::string_view original, std::string_view modified,
                                         std::string_view target);

// The line break a text uses most: CR LF unless it has none.
std::string_view LineBreakOf(std::string_view text);

// Appends one conflict: the marks, each side's text between them. A side
// that does not end in a line break gets lineBreak before the next mark.
void AppendConflict(std::string& out, std::string_view original, std::string_view modified,
                    std::string_view target, std::string_view lineBreak);

// A conflict block as it stands in a text, marks included.
struct TConflictBlock {
  std::size_t Begin = 0;
  std::size_t End = 0;  // past the line break of the end mark
  std::string_view Original, Modified, Target;
};

// Every complete block of marks in text, in order.
std::vector<TConflictBlock> FindConflicts(std::string_view text);

}  // namespace merge
