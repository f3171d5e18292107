// SPDX-License-Identifier: MIT
#include "callexer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "linestates.h"
#include "objectoutline.h"

using cal::TTokenKind;

namespace {

// Every token of the text as (kind, bytes), lexed line by line from the
// stored start states, the way a view colours single rows.
std::vector<std::pair<TTokenKind, std::string>> Lex(const std::string& text) {
  cal::TLexedText lexed(text);
  std::vector<std::pair<TTokenKind, std::string>> result;
  std::vector<cal::TToken> tokens;
  for (int line = 0; line < lexed.LineCount(); ++line) {
    lexed.Tokens(line, tokens);
    for (const cal::TToken& token : tokens)
      result.emplace_back(token.Kind,
                          text.substr(std::size_t(token.Start), std::size_t(token.Length)));
  }
  return result;
}

std::vector<std::string> OfKind(const std::string& text, TTokenKind kind) {
  std::vector<std::string> words;
  for (const auto& [k, bytes] : Lex(text))
    if (k == kind) words.push_back(bytes);
  return words;
}

using Words = std::vector<std::string>;

const std::string Table =
    "OBJECT Table 18 Customer\r\n"
    "{\r\n"
    "  OBJECT-PROPERTIES\r\n"
    "  {\r\n"
    "    Version List=NAVW19;\r\n"
    "  }\r\n"
    "  PROPERTIES\r\n"
    "  {\r\n"
    "    OnInsert=BEGIN\r\n"
    "               IF \"No.\" = '' THEN { comment } BEGIN\r\n"
    "               END;\r\n"
    "             END;\r\n"
    "\r\n"
    "    LookupPageID=Page22;\r\n"
    "  }\r\n"
    "  FIELDS\r\n"
    "  {\r\n"
    "    { 1   ;   ;No.                 ;Code20        ;OnValidate=BEGIN\r\n"
    "                                                                x := 'It''s {';\r\n"
    "                                                              END;\r\n"
    "\r\n"
    "                                                   AltSearchField=Search Name }\r\n"
    "    { 2   ;   ;Name                ;Text50        ;CaptionML=[ENU=Name;DEU={x}] }\r\n"
    "  }\r\n"
    "  CODE\r\n"
    "  {\r\n"
    "    VAR\r\n"
    "      Cust@1000 : Record 18;\r\n"
    "\r\n"
    "    [External]\r\n"
    "    [EventSubscriber(Codeunit,80,OnAfterPost)]\r\n"
    "    LOCAL PROCEDURE AssistEdit@2(Old@1000 : Record 18) : Boolean;\r\n"
    "    BEGIN\r\n"
    "      (* old { style *) // tail }\r\n"
    "      CASE x OF 1: y := 2.5; END;\r\n"
    "    END;\r\n"
    "\r\n"
    "    procedure Plain@3();\r\n"
    "    begin\r\n"
    "    end;\r\n"
    "\r\n"
    "    BEGIN\r\n"
    "    {\r\n"
    "      notes BEGIN END. }\r\n"
    "    }\r\n"
    "    END.\r\n"
    "  }\r\n"
    "}\r\n";

}  // namespace

TEST(CalLexer, StructureAndCodeTokens) {
  EXPECT_EQ(OfKind(Table, TTokenKind::tkHeader), Words{"OBJECT Table 18 Customer"});
  EXPECT_EQ(OfKind(Table, TTokenKind::tkSection),
            (Words{"OBJECT-PROPERTIES", "PROPERTIES", "FIELDS", "CODE"}));
  EXPECT_EQ(OfKind(Table, TTokenKind::tkProperty),
            (Words{"Version List", "OnInsert", "LookupPageID", "OnValidate", "AltSearchField",
                   "CaptionML"}));
  // Braces in the structure and in a property value are brackets; in code
  // they comment, also over lines, and in strings they are text.
  EXPECT_EQ(
      OfKind(Table, TTokenKind::tkComment),
      (Words{"{ comment }", "(* old { style *)", "// tail }", "{", "      notes BEGIN END. }"}));
  EXPECT_EQ(OfKind(Table, TTokenKind::tkString), (Words{"''", "'It''s {'"}));
  EXPECT_EQ(OfKind(Table, TTokenKind::tkQuotedIdent), Words{"\"No.\""});
  EXPECT_EQ(OfKind(Table, TTokenKind::tkNumber),
            (Words{"1000", "18", "80", "2", "1000", "18", "1", "2.5", "3"}));
  const Words keywords = OfKind(Table, TTokenKind::tkKeyword);
  EXPECT_EQ(keywords.front(), "BEGIN");
  EXPECT_NE(std::find(keywords.begin(), keywords.end(), "begin"), keywords.end());
  EXPECT_NE(std::find(keywords.begin(), keywords.end(), "LOCAL"), keywords.end());
}

TEST(CalLexer, NumbersAndStrings) {
  const std::string code =
      "OBJECT Codeunit 1 A\n{\n  CODE\n  {\n    BEGIN x := 12.50 + 010120D; "
      "s := 'a''b'; t := 'open\n    END.\n  }\n}\n";
  EXPECT_EQ(OfKind(code, TTokenKind::tkNumber), (Words{"12.50", "010120D"}));
  // An unclosed string ends with its line; the next line is code again.
  EXPECT_EQ(OfKind(code, TTokenKind::tkString), (Words{"'a''b'", "'open"}));
  EXPECT_EQ(OfKind(code, TTokenKind::tkKeyword), (Words{"BEGIN", "END"}));
}

TEST(CalLexer, StatesAreCarriedAndRecover) {
  // Every line lexed from its stored state gives the tokens of one pass.
  std::vector<std::pair<TTokenKind, std::string>> whole;
  cal::ForEachLexedLine(Table, [&](int, std::int32_t, std::string_view,
                                   const std::vector<cal::TToken>& tokens, const cal::TLexState&) {
    for (const cal::TToken& t : tokens)
      whole.emplace_back(t.Kind, Table.substr(std::size_t(t.Start), std::size_t(t.Length)));
  });
  EXPECT_EQ(Lex(Table), whole);

  // An unclosed comment runs to the end of its object; the next header resets.
  const std::string broken =
      "OBJECT Codeunit 1 A\n  CODE\n  {\n    BEGIN { never closed\n"
      "    END.\nOBJECT Table 2 B\n  FIELDS\n";
  cal::TLexedText lexed(broken);
  EXPECT_EQ(lexed.StartState(4).Comment, cal::TCommentKind::ckBrace);
  EXPECT_EQ(lexed.StartState(6), cal::TLexState{});
  EXPECT_EQ(OfKind(broken, TTokenKind::tkSection), (Words{"CODE", "FIELDS"}));

  // A stray closing brace in code ends the code; unbalanced ENDs never underflow.
  const std::string stray = "  CODE\n  {\n    END; END; }\n  FIELDS\n";
  EXPECT_EQ(OfKind(stray, TTokenKind::tkSection), (Words{"CODE", "FIELDS"}));
}

// Lines are lexed only as far as asked; whatever is asked first, every
// answer is the one a full pass gives.
TEST(CalLexer, LinesLexedOnDemandAgreeWithAFullPass) {
  const std::string text = Table + "\r\n" + Table + "\rlast";
  const cal::TLexedText full(text);
  const int count = full.LineCount();
  std::vector<cal::TLexState> states;
  std::vector<std::int32_t> starts;
  for (int line = 0; line < count; ++line) {
    states.push_back(full.StartState(line));
    starts.push_back(full.LineStart(line));
  }
  {
    const cal::TLexedText lexed(text);  // a late line first
    EXPECT_EQ(lexed.StartState(count - 1), states.back());
    EXPECT_EQ(lexed.LineCount(), count);
  }
  {
    const cal::TLexedText lexed(text);  // by offset, then the lines before
    EXPECT_EQ(lexed.LineOf(starts[std::size_t(count / 2)] + 1), count / 2);
    EXPECT_LT(lexed.LineEnd(count / 2 - 1), starts[std::size_t(count / 2)]);
    for (int line = count / 2; line >= 0; --line)
      EXPECT_EQ(lexed.StartState(line), states[std::size_t(line)]);
    EXPECT_EQ(lexed.LineOf(std::int32_t(text.size()) + 5), count - 1);
  }
  cal::TLexedText lexed(text);
  lexed.Reset("");  // a new text forgets the old one
  EXPECT_EQ(lexed.LineCount(), 1);
  EXPECT_EQ(lexed.LineEnd(0), 0);
}

// Texts of pieces that move the state, and of pieces that only look as if
// they might, at random; lexed over many lines at once they must give each
// line's state that lexing line by line gives.
TEST(CalLexer, StatesPassedOverManyLinesAreThoseOfEachLine) {
  const std::vector<std::string> pieces = {"    OnValidate=BEGIN",
                                           "    OnRun=VAR",
                                           "=begin",
                                           "  CODE",
                                           "CODE",
                                           "  {",
                                           "}",
                                           "{ x",
                                           "BEGIN ",
                                           "begin",
                                           "END;",
                                           "END.",
                                           "End",
                                           "CASE x OF",
                                           "case",
                                           "ENDING",
                                           "xEND",
                                           "END_",
                                           "BEGINS",
                                           "Cases",
                                           "'it''s { BEGIN'",
                                           "'open",
                                           "\"Quoted END\"",
                                           "\"open",
                                           "// END {",
                                           "(* BEGIN",
                                           "*)",
                                           "(",
                                           "/",
                                           "[",
                                           "]",
                                           "CaptionML=[ENU=x;",
                                           "ENU=y]",
                                           ";",
                                           "=",
                                           "OBJECT ",
                                           "OBJECT Table 1 T",
                                           "Obj",
                                           "O",
                                           "  x := 1;",
                                           "Customer.GET;",
                                           "\x94"
                                           "END",
                                           "3END",
                                           "      IF x THEN BEGIN",
                                           "          ",
                                           "\t"};
  const std::vector<std::string> breaks = {"\n", "\r\n", "\r", " "};
  std::uint32_t seed = 12345;
  const auto random = [&](std::size_t n) {
    seed = seed * 1664525u + 1013904223u;
    return std::size_t(seed >> 8) % n;
  };
  for (int round = 0; round < 300; ++round) {
    std::string text;
    for (std::size_t n = 20 + random(200); n > 0; --n)
      text += pieces[random(pieces.size())] + breaks[random(breaks.size())];
    const cal::TLexedText lexed(text);
    const int count = lexed.LineCount();
    for (int from : {0, int(random(std::size_t(count)))})
      for (int to = from; to < count; ++to) {
        const auto at = std::size_t(lexed.LineStart(to));
        ASSERT_EQ(cal::LexStatesBetween(text, std::size_t(lexed.LineStart(from)), at,
                                        lexed.StartState(from)),
                  lexed.StartState(to))
            << "round " << round << ", lines " << from << " to " << to;
        ASSERT_EQ(cal::CountLineBreaks(std::string_view(text).substr(0, at)), to);
      }
  }
}

TEST(CalLexer, BinaryAndHugeLines) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += char(i);
  const std::string text =
      "  CODE\n  {\n" + bytes + bytes + "\n" + std::string(10 << 20, '{') + "\n";
  cal::TLexedText lexed(text);
  std::vector<cal::TToken> tokens;
  std::int32_t covered = 0;
  for (int line = 0; line < lexed.LineCount(); ++line) {
    lexed.Tokens(line, tokens);
    for (const cal::TToken& t : tokens) {
      ASSERT_GE(t.Start, covered);
      ASSERT_LE(std::size_t(t.Start + t.Length), text.size());
      covered = t.Start + t.Length;
    }
  }
  // The 10 MB line is one comment: the first brace opens it, the rest is text.
  EXPECT_EQ(tokens.size(), 0u);  // the last line is empty
  lexed.Tokens(lexed.LineCount() - 2, tokens);
  ASSERT_EQ(tokens.size(), 1u);
  EXPECT_EQ(tokens[0].Kind, TTokenKind::tkComment);
  EXPECT_EQ(lexed.LineOf(std::int32_t(text.size())), lexed.LineCount() - 1);
}

TEST(CalOutline, SectionsFieldsTriggersProcedures) {
  const std::vector<cal::TOutlineEntry> outline = cal::BuildOutline(Table);
  std::vector<std::string> shown;
  for (const auto& e : outline)
    shown.push_back(cal::OutlineKindName(e) + "|" + e.Owner + "|" + e.Name + "|" + e.Attributes +
                    "|" + std::to_string(e.Line));
  EXPECT_EQ(shown, (Words{"section||OBJECT-PROPERTIES||3", "section||PROPERTIES||7",
                          "trigger||OnInsert||9", "section||FIELDS||16", "field||No.||18",
                          "trigger|No.|OnValidate||18", "field||Name||23", "section||CODE||25",
                          "local procedure||AssistEdit|[External] "
                          "[EventSubscriber(Codeunit,80,OnAfterPost)]|32",
                          "procedure||Plain||38", "documentation||Documentation||42"}));
  for (const auto& e : outline) {
    const std::string at = e.Kind == cal::TOutlineKind::okDocumentation ? "BEGIN" : e.Name;
    EXPECT_EQ(Table.compare(std::size_t(e.Start), at.size(), at), 0) << e.Name;
  }
  EXPECT_EQ(cal::OutlineEntryAt(outline, 0), -1);
  EXPECT_EQ(cal::OutlineEntryAt(outline, std::int32_t(Table.find("CASE"))), 8);
}

TEST(CalOutline, PageControlsAndActions) {
  const std::string page =
      "OBJECT Page 21 Customer Card\n{\n  PROPERTIES\n  {\n    SourceTable=Table18;\n"
      "    ActionList=ACTIONS\n    {\n      { 7       ;1   ;Action    ;\n"
      "                      Name=Statistics;\n                      RunObject=Page 151;\n"
      "                      OnAction=BEGIN\n                               END;\n }\n    }\n  }\n"
      "  CONTROLS\n  {\n    { 2   ;2   ;Field     ;\n                SourceExpr=\"No.\";\n"
      "                OnAssistEdit=VAR\n                               x@1 : Integer;\n"
      "                             BEGIN\n                             END;\n }\n  }\n}\n";
  std::vector<std::string> shown;
  for (const auto& e : cal::BuildOutline(page)) shown.push_back(cal::OutlineCaption(e));
  EXPECT_EQ(shown, (Words{"PROPERTIES", "ACTIONS", "    Statistics - OnAction", "CONTROLS",
                          "    \"No.\" - OnAssistEdit"}));

  const std::string xmlport =
      "OBJECT XMLport 1 X\n{\n  ELEMENTS\n  {\n    { [{0A1B}];0 ;Root ;Element ;Text ;\n"
      "                  Export::OnBeforePassVariable=BEGIN\n                    x := 1; { c }\n"
      "                  END;\n }\n  }\n}\n";
  const auto outline = cal::BuildOutline(xmlport);
  ASSERT_EQ(outline.size(), 2u);
  EXPECT_EQ(cal::OutlineCaption(outline[1]), "    Root - Export::OnBeforePassVariable");
  EXPECT_EQ(OfKind(xmlport, TTokenKind::tkComment), Words{"{ c }"});
}
