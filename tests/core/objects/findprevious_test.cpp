// SPDX-License-Identifier: MIT
#include "findprevious.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "testfiles.h"
#include "vexafile.h"

namespace {

using Hit = std::pair<std::int32_t, std::int32_t>;  // object, 1-based position

class FindPrevious : public ::testing::Test {
 protected:
  testing_support::TempDir dir;
  TObjectTextFile file;

  void Load(const std::string& text) { file.LoadFromFile(dir.write("objects.txt", text)); }

  // Every match as Find Next meets them, from the first object on.
  std::vector<Hit> Forward(const std::string& needle, bool matchCase) {
    std::vector<Hit> hits;
    std::int32_t obj = 0, pos = 0;
    while (file.FindText(obj, pos, needle, matchCase)) {
      hits.emplace_back(obj, pos);
      pos += std::int32_t(needle.size());
    }
    return hits;
  }

  // Every match as Find Previous meets them, from the end of the last object.
  std::vector<Hit> Backward(const std::string& needle, bool matchCase) {
    std::vector<Hit> hits;
    std::int32_t obj = file.GetCount(), pos = 0;
    while (FindPreviousText(file, obj, pos, needle, matchCase)) {
      hits.emplace_back(obj, pos);
      if (pos == 1) {
        if (--obj < 0) break;
        pos = 0;
      }
    }
    return hits;
  }
};

TEST_F(FindPrevious, MeetsTheMatchesOfFindNextInReverseWithoutOverlap) {
  Load(
      "OBJECT Table 1 A\r\naaaa Sales\r\nOBJECT Codeunit 2 B\r\nSALES aa\r\n"
      "OBJECT Page 3 C\r\nnothing\r\nOBJECT Form 4 D\r\nsales\r\n");
  for (const bool matchCase : {false, true}) {
    for (const std::string needle : {"aa", "sales", "Sales", "OBJECT", "x"}) {
      std::vector<Hit> forward = Forward(needle, matchCase);
      std::vector<Hit> backward = Backward(needle, matchCase);
      // Backward goes from the end: aaaa yields its last pair first and then
      // the first, the pairs Find Next met.
      std::reverse(backward.begin(), backward.end());
      EXPECT_EQ(backward, forward) << needle << " matchCase " << matchCase;
    }
  }
}

TEST_F(FindPrevious, StartsBeforeTheSelectionAndGoesOnInEarlierObjects) {
  Load("OBJECT Table 1 A\r\nabc abc\r\nOBJECT Table 2 B\r\nabc\r\n");
  // Searching back from the second abc of object 0 (0-based 22) finds the first.
  std::int32_t obj = 0, pos = 23;
  ASSERT_TRUE(FindPreviousText(file, obj, pos, "abc", true));
  EXPECT_EQ(Hit(obj, pos), Hit(0, 19));
  // A match that reaches into the selection is not found: from inside abc
  // the search goes on in the object before.
  obj = 1, pos = 21;
  ASSERT_TRUE(FindPreviousText(file, obj, pos, "abc", true));
  EXPECT_EQ(Hit(obj, pos), Hit(0, 23));
  // Nothing before the first match: a miss, and the place says so.
  obj = 0, pos = 19;
  EXPECT_FALSE(FindPreviousText(file, obj, pos, "abc", true));
  EXPECT_EQ(Hit(obj, pos), Hit(-1, 0));
  // An empty text and a file without objects find nothing.
  obj = 1, pos = 0;
  EXPECT_FALSE(FindPreviousText(file, obj, pos, "", false));
  TObjectTextFile empty;
  obj = 0, pos = 0;
  EXPECT_FALSE(FindPreviousText(empty, obj, pos, "abc", false));
}

TEST_F(FindPrevious, ObjectsLargerThanOneReadAreSearchedWhole) {
  const std::string filler(3 << 20, 'x');
  Load("OBJECT Table 1 A\r\nneedle" + filler + "\r\nOBJECT Table 2 B\r\n" + filler + "NEEDLE" +
       filler + "\r\n");
  std::int32_t obj = 2, pos = 0;
  ASSERT_TRUE(FindPreviousText(file, obj, pos, "needle", false));
  EXPECT_EQ(obj, 1);
  EXPECT_EQ(file.GetObject(1).GetText().substr(std::size_t(pos - 1), 6), "NEEDLE");
  pos = 0;
  ASSERT_TRUE(FindPreviousText(file, obj, pos, "needle", true));
  EXPECT_EQ(Hit(obj, pos), Hit(0, 19));
}

}  // namespace
