// SPDX-License-Identifier: MIT
// What a load hands on so that nothing reads the file twice: the stretches
// it scanned, and the whole text when it is kept.
#include <gtest/gtest.h>

#include <string>

#include "testfiles.h"
#include "vexafile.h"

using testing_support::ReadAll;
using testing_support::TempDir;

namespace {

const std::string Text =
    "before\r\nOBJECT Table 1 A\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=01-02-18;\r\n"
    "  }\r\n}\r\nOBJECT Form 2 B\nbody\r\rOBJECT Codeunit 3 C\r\n  x\r\n";

}  // namespace

TEST(ScannedStretches, CoverTheTextOnceInOrderAndEndAfterTheLastEntry) {
  TempDir dir;
  const std::string path = dir.write("objects.txt", Text);
  for (std::size_t piece = 1; piece <= Text.size() + 1; ++piece) {
    for (bool keep : {false, true}) {
      TObjectTextFile file;
      file.SetReadPieceSize(piece);
      file.SetKeepText(keep);
      std::string seen;
      int finals = 0;
      file.SetOnScanned([&](const TScannedText& t) {
        EXPECT_EQ(t.Offset, std::int64_t(seen.size())) << piece;
        EXPECT_EQ(finals, 0) << "nothing after the final stretch";
        seen += t.Bytes;
        // Every header that starts before the stretch's end has its entry.
        const std::size_t end = seen.size();
        std::size_t headers = 0;
        for (std::size_t at = Text.find("OBJECT "); at < end; at = Text.find("OBJECT ", at + 1))
          headers += Text.compare(at, 8, "OBJECT-") != 0;
        EXPECT_EQ(std::size_t(file.GetCount()), headers) << piece << " at " << end;
        EXPECT_LE(t.PropertiesFrom, file.GetCount());
        if (t.Final) {
          ++finals;
          EXPECT_TRUE(t.Bytes.empty());
          EXPECT_EQ(t.PropertiesFrom, file.GetCount());
          EXPECT_EQ(file.GetObject(0).Date(), "01-02-18");
        }
      });
      file.LoadFromFile(path);
      EXPECT_EQ(seen, Text) << piece;
      EXPECT_EQ(finals, 1);
    }
  }
}

TEST(KeptText, ServesTheSameBytesAndNeverOutlivesItsFile) {
  TempDir dir;
  const std::string path = dir.write("objects.txt", Text);
  std::vector<std::string> plain;
  {
    TObjectTextFile file;
    file.LoadFromFile(path);
    EXPECT_EQ(file.KeptText().data(), nullptr);
    for (std::int32_t i = 0; i < file.GetCount(); ++i) plain.push_back(file.GetObject(i).GetText());
  }
  TObjectTextFile file;
  file.SetKeepText(true);
  file.LoadFromFile(path);
  EXPECT_EQ(file.KeptText(), Text);
  ASSERT_EQ(file.GetCount(), 3);
  for (std::int32_t i = 0; i < file.GetCount(); ++i) {
    EXPECT_EQ(file.GetObject(i).GetText(), plain[std::size_t(i)]);
    const std::string target = dir.file("out" + std::to_string(i) + ".txt");
    file.GetObject(i).SaveToFile(target);
    EXPECT_EQ(ReadAll(target), plain[std::size_t(i)]);
  }
  EXPECT_THROW(file.GetObject(0).SaveToFile(path), FileError) << "never the loaded file";
  EXPECT_EQ(ReadAll(path), Text);

  // A failed open releases the file, and the kept text with it.
  EXPECT_THROW(file.LoadFromFile(dir.file("missing.txt")), FileError);
  EXPECT_EQ(file.KeptText().data(), nullptr);
  EXPECT_THROW(file.GetObject(0).GetText(), VexaError);

  file.LoadFromFile(dir.write("empty.txt", ""));
  EXPECT_EQ(file.KeptText().size(), 0u);
  file.LoadFromFile(path);
  file.Clear();
  EXPECT_EQ(file.KeptText().data(), nullptr);
}
