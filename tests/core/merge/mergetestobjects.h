// SPDX-License-Identifier: MIT
// A small table object written for the merge tests, and edits of it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace merge_test {

// Lines joined with CR LF, each ending in one.
inline std::string Join(const std::vector<std::string>& lines, const std::string& br = "\r\n") {
  std::string text;
  for (const std::string& line : lines) text += line + br;
  return text;
}

// The text with its one occurrence of from replaced; fails the test when
// from does not occur exactly once.
inline std::string Edit(const std::string& text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at == std::string::npos) return text;
  EXPECT_EQ(text.find(from, at + 1), std::string::npos) << from;
  return text.substr(0, at) + to + text.substr(at + from.size());
}

inline std::string Hive(const std::string& br = "\r\n") {
  return Join({"OBJECT Table 50000 Hive",
               "{",
               "  OBJECT-PROPERTIES",
               "  {",
               "    Date=01.02.18;",
               "    Time=12:00:00;",
               "    Version List=NAVW111.00;",
               "  }",
               "  PROPERTIES",
               "  {",
               "    DataPerCompany=Yes;",
               "    OnInsert=BEGIN",
               "               TESTFIELD(\"No.\");",
               "             END;",
               "",
               "    CaptionML=[ENU=Hive;",
               "               DEU=Bienenst\x94\x63k];",
               "  }",
               "  FIELDS",
               "  {",
               "    { 1   ;   ;No.                 ;Code20        ;CaptionML=ENU=No. }",
               "    { 2   ;   ;Name                ;Text50        ;OnValidate=BEGIN",
               "                                                                Name := "
               "UPPERCASE(Name);",
               "                                                              END;",
               "                                                               }",
               "  }",
               "  KEYS",
               "  {",
               "    {    ;No.                                     ;Clustered=Yes }",
               "  }",
               "  CODE",
               "  {",
               "    VAR",
               "      Text000@1000 : TextConst 'ENU=Hello';",
               "",
               "    PROCEDURE Check@1();",
               "    BEGIN",
               "      IF Name = '' THEN",
               "        ERROR(Text000);",
               "      MESSAGE('a');",
               "      MESSAGE('b');",
               "      MESSAGE('c');",
               "    END;",
               "",
               "    BEGIN",
               "    {",
               "      first version",
               "    }",
               "    END.",
               "  }",
               "}",
               ""},
              br);
}

}  // namespace merge_test
