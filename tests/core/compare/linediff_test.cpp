// SPDX-License-Identifier: MIT
#include "linediff.h"

#include <gtest/gtest.h>

namespace {

std::string Unified(const std::string& a, const std::string& b, int context = 3) {
  std::string out;
  WriteUnifiedDiff(out, DiffLines(a, b, context), a, b, "a", "b");
  return out.substr(out.find('\n', out.find("+++")) + 1);
}

struct TDiffCase {
  const char* name;
  std::string oldText;
  std::string newText;
  std::string expected;  // the hunks of the unified form
};

class UnifiedDiff : public ::testing::TestWithParam<TDiffCase> {};

TEST_P(UnifiedDiff, Hunks) {
  const TDiffCase& c = GetParam();
  EXPECT_EQ(Unified(c.oldText, c.newText), c.expected);
}

const std::string Ten = "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n";

INSTANTIATE_TEST_SUITE_P(
    SmallPairs, UnifiedDiff,
    ::testing::Values(
        TDiffCase{"equal", Ten, Ten, ""},
        TDiffCase{"insert", Ten, "1\n2\n3\n4\n5\nnew\n6\n7\n8\n9\n10\n",
                  "@@ -3,6 +3,7 @@\n 3\n 4\n 5\n+new\n 6\n 7\n 8\n"},
        TDiffCase{"delete", Ten, "1\n2\n3\n4\n6\n7\n8\n9\n10\n",
                  "@@ -2,7 +2,6 @@\n 2\n 3\n 4\n-5\n 6\n 7\n 8\n"},
        TDiffCase{"replace", "a\nb\nc\n", "a\nB\nc\n", "@@ -1,3 +1,3 @@\n a\n-b\n+B\n c\n"},
        TDiffCase{"first line", Ten, "0\n2\n3\n4\n5\n6\n7\n8\n9\n10\n",
                  "@@ -1,4 +1,4 @@\n-1\n+0\n 2\n 3\n 4\n"},
        TDiffCase{"last line", Ten, "1\n2\n3\n4\n5\n6\n7\n8\n9\nX\n",
                  "@@ -7,4 +7,4 @@\n 7\n 8\n 9\n-10\n+X\n"},
        TDiffCase{"two hunks", Ten, "X\n2\n3\n4\n5\n6\n7\n8\n9\nY\n",
                  "@@ -1,4 +1,4 @@\n-1\n+X\n 2\n 3\n 4\n@@ -7,4 +7,4 @@\n 7\n 8\n 9\n-10\n+Y\n"},
        TDiffCase{"no final line break", "a\nb\n", "a\nb",
                  "@@ -1,2 +1,2 @@\n a\n-b\n+b\n\\ No newline at end of file\n"},
        TDiffCase{"line break style", "a\r\nb\r\n", "a\r\nb\n",
                  "@@ -1,2 +1,2 @@\n a\r\n-b\r\n+b\n"},
        TDiffCase{"from empty", "", "x\ny\n", "@@ -0,0 +1,2 @@\n+x\n+y\n"},
        TDiffCase{"to empty", "x\n", "", "@@ -1 +0,0 @@\n-x\n"},
        TDiffCase{"bytes", "\xC4\x01\n", "\xC4\x02\n", "@@ -1 +1 @@\n-\xC4\x01\n+\xC4\x02\n"}),
    [](const ::testing::TestParamInfo<TDiffCase>& info) {
      std::string name = info.param.name;
      for (char& c : name)
        if (c == ' ') c = '_';
      return name;
    });

TEST(DiffLines, HunkNumbersAndKinds) {
  // Changes 7 unchanged lines apart stay in one hunk; 8 apart give two.
  const std::string a = "x\n1\n2\n3\n4\n5\n6\n7\ny\n";
  std::vector<TDiffHunk> hunks = DiffLines(a, "X\n1\n2\n3\n4\n5\n6\n7\nY\n");
  EXPECT_EQ(hunks.size(), 2u);
  hunks = DiffLines("x\n1\n2\n3\n4\n5\n6\ny\n", "X\n1\n2\n3\n4\n5\n6\nY\n");
  ASSERT_EQ(hunks.size(), 1u);
  const TDiffLine& added = hunks[0].Lines[1];
  EXPECT_EQ(added.Kind, TDiffLineKind::dlAdded);
  EXPECT_EQ(added.OldNumber, 0);
  EXPECT_EQ(added.NewNumber, 1);
  const TDiffLine& context = hunks[0].Lines[2];
  EXPECT_EQ(context.Kind, TDiffLineKind::dlContext);
  EXPECT_EQ(context.OldNumber, 2);
  EXPECT_EQ(context.NewNumber, 2);
  EXPECT_EQ(context.Begin, 2u);
  EXPECT_EQ(context.Length, 1u);
  EXPECT_EQ(context.BreakLength, 1);
}

TEST(DiffLines, ReplayingTheHunksGivesTheNewText) {
  // Many scattered changes over a long text: applying the hunks to the old
  // text must give the new one exactly.
  std::string a, b;
  for (int i = 0; i < 3000; ++i) {
    const std::string line = "  line " + std::to_string(i % 97) + "\r\n";
    a += line;
    if (i % 7 == 0) b += "  changed " + std::to_string(i) + "\r\n";
    if (i % 11 != 0) b += line;
  }
  const std::vector<TDiffHunk> hunks = DiffLines(a, b, 0);
  const std::vector<TTextLine> oldLines = SplitLines(a);
  std::string rebuilt;
  std::int32_t next = 1;  // next old line to copy
  auto copyTo = [&](std::int32_t number) {
    for (; next < number; ++next) {
      const TTextLine& l = oldLines[std::size_t(next - 1)];
      rebuilt.append(a, l.Begin, l.Length + l.BreakLength);
    }
  };
  for (const TDiffHunk& hunk : hunks) {
    copyTo(hunk.OldStart + (hunk.OldCount == 0 ? 1 : 0));
    for (const TDiffLine& line : hunk.Lines) {
      if (line.Kind == TDiffLineKind::dlAdded) {
        rebuilt.append(b, line.Begin, line.Length + line.BreakLength);
      } else {
        copyTo(line.OldNumber);
        ++next;
      }
    }
  }
  copyTo(std::int32_t(oldLines.size()) + 1);
  EXPECT_EQ(rebuilt, b);
}

TEST(SplitLines, EveryBreakKind) {
  const std::string text("a\r\nb\rc\nd\0e\n\r", 12);
  const std::vector<TTextLine> lines = SplitLines(text);
  ASSERT_EQ(lines.size(), 6u);
  const int breaks[] = {2, 1, 1, 1, 1, 1};
  for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].BreakLength, breaks[i]) << i;
  EXPECT_EQ(lines[4].Begin, 9u);
  EXPECT_EQ(lines[5].Length, 0u);  // the empty line between LF and CR
  EXPECT_EQ(SplitLines("x").back().BreakLength, 0);
  EXPECT_TRUE(SplitLines("").empty());
}

}  // namespace

namespace {

// The fewest changed lines that turn a into b: |a| + |b| - 2 |LCS|.
std::size_t FewestChanges(const std::vector<std::uint64_t>& a,
                          const std::vector<std::uint64_t>& b) {
  std::vector<std::uint32_t> row(b.size() + 1, 0);
  for (const std::uint64_t line : a) {
    std::uint32_t diagonal = 0;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::uint32_t up = row[j];
      row[j] = line == b[j - 1] ? diagonal + 1 : std::max(row[j], row[j - 1]);
      diagonal = up;
    }
  }
  return a.size() + b.size() - 2 * row[b.size()];
}

}  // namespace

// Code repeats its lines (BEGIN, END;, blank lines), so a heavily edited
// object is where a diff that gives up on minimality shows far more changes
// than needed.
TEST(DiffLines, AsFewChangedLinesAsPossibleOnLargeEditedTexts) {
  const char* const words[] = {"BEGIN",          "END;", "",          "  x := 1;", "  EXIT;",
                               "IF a THEN",      "ELSE", "  y := 2;", "  Post;",   "REPEAT",
                               "UNTIL Next = 0;"};
  std::uint64_t state = 12345;
  const auto draw = [&](std::uint64_t bound) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return (state >> 33) % bound;
  };
  std::vector<std::uint64_t> a, b;  // word numbers
  for (int i = 0; i < 12000; ++i) a.push_back(draw(11));
  for (const std::uint64_t line : a) {
    const std::uint64_t roll = draw(100);
    if (roll < 15) continue;  // dropped
    b.push_back(roll < 30 ? draw(11) : line);
    if (roll >= 90) b.push_back(draw(11));
  }
  std::string oldText, newText;
  for (const std::uint64_t line : a) oldText += std::string(words[line]) + "\r\n";
  for (const std::uint64_t line : b) newText += std::string(words[line]) + "\r\n";
  std::size_t changed = 0;
  for (const TDiffHunk& hunk : DiffLines(oldText, newText))
    for (const TDiffLine& line : hunk.Lines) changed += line.Kind != TDiffLineKind::dlContext;
  EXPECT_EQ(changed, FewestChanges(a, b));
}
