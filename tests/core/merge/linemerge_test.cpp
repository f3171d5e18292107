// SPDX-License-Identifier: MIT
#include "linemerge.h"

#include <gtest/gtest.h>

namespace {

std::string Merged(const std::string& o, const std::string& a, const std::string& b,
                   int* conflicts = nullptr) {
  const merge::TLineIndex io = merge::IndexLines(o), ia = merge::IndexLines(a),
                          ib = merge::IndexLines(b);
  std::string out;
  int count = 0;
  for (const merge::TMergeChunk& c : merge::MergeLineChunks(o, a, b)) {
    switch (c.Kind) {
      case merge::TMergeChunk::mcStable: out += io.Lines(o, c.OriginalBegin, c.OriginalEnd); break;
      case merge::TMergeChunk::mcModified:
        out += ia.Lines(a, c.ModifiedBegin, c.ModifiedEnd);
        break;
      case merge::TMergeChunk::mcTarget: out += ib.Lines(b, c.TargetBegin, c.TargetEnd); break;
      case merge::TMergeChunk::mcConflict:
        ++count;
        merge::AppendConflict(out, io.Lines(o, c.OriginalBegin, c.OriginalEnd),
                              ia.Lines(a, c.ModifiedBegin, c.ModifiedEnd),
                              ib.Lines(b, c.TargetBegin, c.TargetEnd), "\n");
        break;
    }
  }
  if (conflicts) *conflicts = count;
  return out;
}

TEST(LineMerge, ChangesOfDifferentLinesAllArrive) {
  int conflicts = -1;
  EXPECT_EQ(Merged("1\n2\n3\n4\n5\n", "1\nA\n3\n4\n5\n6\n", "0\n1\n2\n3\nB\n5\n", &conflicts),
            "0\n1\nA\n3\nB\n5\n6\n");
  EXPECT_EQ(conflicts, 0);
  // The same change on both sides is no conflict.
  EXPECT_EQ(Merged("1\n2\n", "1\nX\n", "1\nX\n", &conflicts), "1\nX\n");
  EXPECT_EQ(conflicts, 0);
  // A deletion on one side and nothing on the other.
  EXPECT_EQ(Merged("1\n2\n3\n", "1\n3\n", "1\n2\n3\n", &conflicts), "1\n3\n");
}

TEST(LineMerge, OverlappingChangesConflictAndTheBlockReadsBack) {
  int conflicts = 0;
  const std::string text = Merged("a\nb\nc\n", "a\nM\nc\n", "a\nT1\nT2\nc\n", &conflicts);
  EXPECT_EQ(conflicts, 1);
  EXPECT_EQ(text,
            "a\n<<<<<<< TARGET\nT1\nT2\n||||||| ORIGINAL\nb\n=======\nM\n>>>>>>> MODIFIED\nc\n");
  const auto blocks = merge::FindConflicts(text);
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(text.substr(blocks[0].Begin, blocks[0].End - blocks[0].Begin).substr(0, 15),
            "<<<<<<< TARGET\n");
  EXPECT_EQ(blocks[0].End, text.size() - 2);
  EXPECT_EQ(blocks[0].Target, "T1\nT2\n");
  EXPECT_EQ(blocks[0].Original, "b\n");
  EXPECT_EQ(blocks[0].Modified, "M\n");
  // Different insertions at one place conflict too.
  Merged("a\n", "a\nM\n", "a\nT\n", &conflicts);
  EXPECT_EQ(conflicts, 1);
}

TEST(LineMerge, IncompleteMarksAreNoBlock) {
  EXPECT_TRUE(merge::FindConflicts("<<<<<<< TARGET\nx\n=======\n>>>>>>> MODIFIED\n").empty());
  EXPECT_TRUE(merge::FindConflicts(" <<<<<<< TARGET\n||||||| ORIGINAL\n=======\n>>>>>>> MODIFIED\n")
                  .empty());
  // A last side without a line break still gets its marks on lines of their own.
  std::string out = "x";
  merge::AppendConflict(out, "o", "m", "t", "\r\n");
  EXPECT_EQ(
      out,
      "x\r\n<<<<<<< TARGET\r\nt\r\n||||||| ORIGINAL\r\no\r\n=======\r\nm\r\n>>>>>>> MODIFIED\r\n");
  EXPECT_EQ(merge::FindConflicts(out).size(), 1u);
}

}  // namespace
