// SPDX-License-Identifier: MIT
// Reading objects' text through one reader, as the export and the comparison
// do: whatever the order, and across files, each object's bytes are exactly
// those GetText reads.
#include <gtest/gtest.h>

#include <string>

#include "objectreader.h"
#include "testfiles.h"
#include "vexafile.h"

using testing_support::TempDir;

namespace {

// Objects small and large, one far beyond a single read of the reader.
std::string Objects(char fill) {
  std::string text = "before\r\n";
  for (int id = 1; id <= 6; ++id) {
    text += "OBJECT Table " + std::to_string(id) + " T\r\n{\r\n";
    text += std::string(id == 3 ? 1300000 : std::size_t(id) * 700, fill) + "\r\n}\r\n";
  }
  return text;
}

TEST(ObjectReader, ServesExactBytesInAnyOrderAndNeverAReleasedFile) {
  TempDir dir;
  TObjectTextFile first;
  TObjectTextFile second;
  first.LoadFromFile(dir.write("a.txt", Objects('a')));
  second.LoadFromFile(dir.write("b.txt", Objects('b') + "OBJECT Codeunit 9 C\n  x"));
  ASSERT_EQ(first.GetCount(), 6);
  ASSERT_EQ(second.GetCount(), 7);

  TObjectReader reader;
  const auto expectSame = [&](const TObjectTextObject& object) {
    // Compared whole, never printed: the large object is a megabyte.
    EXPECT_TRUE(reader.Text(object) == object.GetText())
        << object.GetDisplayName() << " of " << object.Owner().FileName();
  };
  for (std::int32_t i = 0; i < first.GetCount(); ++i) expectSame(first.GetObject(i));
  for (std::int32_t i = second.GetCount(); i-- > 0;) expectSame(second.GetObject(i));
  for (std::int32_t i = 0; i < first.GetCount(); ++i) {
    expectSame(second.GetObject(i));
    expectSame(first.GetObject(first.GetCount() - 1 - i));
  }

  // A failed open releases the file; its objects are never read from it again.
  EXPECT_THROW(first.LoadFromFile(dir.file("missing.txt")), FileError);
  EXPECT_THROW(reader.Text(first.GetObject(2)), VexaError);

  TObjectTextFile third;
  third.LoadFromFile(dir.write("d.txt", Objects('d')));
  expectSame(third.GetObject(5));
  third.LoadFromFile(dir.write("e.txt", Objects('e')));
  expectSame(third.GetObject(5));  // a new load is read anew, never from the old bytes
}

}  // namespace
