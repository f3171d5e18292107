// SPDX-License-Identifier: MIT
// The whole text a load keeps, so that writing every object reads nothing
// twice. The stretches a load hands on are tested through the search that
// uses them.
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

  // A failed open releases the file, and the kept text with it.
  EXPECT_THROW(file.LoadFromFile(dir.file("missing.txt")), FileError);
  EXPECT_EQ(ReadAll(path), Text);  // read only once released: Windows shares it with nobody
  EXPECT_EQ(file.KeptText().data(), nullptr);
  EXPECT_THROW(file.GetObject(0).GetText(), VexaError);

  file.LoadFromFile(dir.write("empty.txt", ""));
  EXPECT_EQ(file.KeptText().size(), 0u);
  file.LoadFromFile(path);
  file.Clear();
  EXPECT_EQ(file.KeptText().data(), nullptr);
}
