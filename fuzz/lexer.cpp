// SPDX-License-Identifier: MIT
// The object text lexer and what stands on it: tokens lie within their line
// in order; each line's start state and tokens are those of a lex from the
// first line, also when lexed over many lines at once; a header line
// lexes the same from any state; outline entries
// and references lie within the text on the lines they name; the reference
// lookup works at any position; and the search for the uses of an object
// finds what a full reading of each object finds, also while the file loads. A quadratic path shows
// as a time-out (fuzz/run's per-input limit).
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "callexer.h"
#include "fuzzsupport.h"
#include "linestates.h"
#include "objectoutline.h"
#include "objectreferences.h"
#include "vexafile.h"

namespace {

bool SameTokens(const std::vector<cal::TToken>& a, const std::vector<cal::TToken>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
    return x.Start == y.Start && x.Length == y.Length && x.Kind == y.Kind;
  });
}

bool SameReference(const cal::TObjectReference& a, const cal::TObjectReference& b) {
  return a.Type == b.Type && a.ID == b.ID && a.Name == b.Name && a.ByName == b.ByName &&
         a.Start == b.Start && a.Length == b.Length && a.Line == b.Line;
}

void CheckLexing(std::string_view text, const cal::TLexedText& lexed) {
  std::vector<cal::TToken> tokens, alone;
  int lines = 0;
  cal::ForEachLexedLine(
      text, [&](int index, std::int32_t start, std::string_view line,
                const std::vector<cal::TToken>& found, const cal::TLexState& state) {
        FUZZ_CHECK(index == lines++);
        // Passing over lines gives the states that lexing each gives: from
        // halfway to each line whose index is a power of two, linear in all.
        if (index > 0 && (index & (index - 1)) == 0) {
          const std::int32_t from = lexed.LineStart(index / 2);
          FUZZ_CHECK(cal::LexStatesBetween(text, std::size_t(from), std::size_t(start),
                                           lexed.StartState(index / 2)) == state);
          FUZZ_CHECK(cal::CountLineBreaks(text.substr(0, std::size_t(start))) == index);
        }
        FUZZ_CHECK(index < lexed.LineCount());
        FUZZ_CHECK(lexed.LineStart(index) == start);
        FUZZ_CHECK(lexed.LineEnd(index) == start + std::int32_t(line.size()));
        FUZZ_CHECK(lexed.StartState(index) == state);
        FUZZ_CHECK(lexed.LineOf(start) == index);
        lexed.Tokens(index, tokens);
        FUZZ_CHECK(SameTokens(tokens, found));
        std::int32_t at = start;
        for (const cal::TToken& token : found) {
          FUZZ_CHECK(token.Length > 0 && token.Start >= at);
          at = token.Start + token.Length;
          FUZZ_CHECK(at <= start + std::int32_t(line.size()));
        }
        if (line.starts_with(ObjectMarker)) {
          alone.clear();
          const cal::TLexState after = cal::LexLine(line, cal::TLexState{}, start, &alone);
          FUZZ_CHECK(SameTokens(alone, found));
          FUZZ_CHECK(after == cal::LexLine(line, state, start, nullptr));
        }
      });
  FUZZ_CHECK(lines == lexed.LineCount());
}

void CheckReference(std::string_view text, const cal::TLexedText& lexed,
                    const cal::TObjectReference& ref) {
  FUZZ_CHECK(ref.Start >= 0 && ref.Length > 0 &&
             ref.Start + ref.Length <= std::int32_t(text.size()));
  FUZZ_CHECK(ref.Line == lexed.LineOf(ref.Start) + 1);
  FUZZ_CHECK(ref.ByName ? !ref.Name.empty() : ref.Name.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const cal::TLexedText lexed(text);
  CheckLexing(text, lexed);

  const std::vector<cal::TOutlineEntry> outline = cal::BuildOutline(text);
  for (const cal::TOutlineEntry& entry : outline) {
    FUZZ_CHECK(entry.Start >= 0 && entry.Start <= std::int32_t(size));
    FUZZ_CHECK(entry.Line == lexed.LineOf(entry.Start) + 1);
    FUZZ_CHECK(!cal::OutlineCaption(entry).empty() && !cal::OutlineKindName(entry).empty());
  }
  for (std::int32_t offset = -1; offset <= std::int32_t(size) + 1;
       offset += 1 + std::int32_t(size / 64)) {
    const int at = cal::OutlineEntryAt(outline, offset);
    FUZZ_CHECK(at >= -1 && at < int(outline.size()));
    if (at >= 0) FUZZ_CHECK(outline[std::size_t(at)].Start <= offset);
  }

  const std::vector<cal::TObjectReference> refs = cal::FindReferences(text);
  for (const cal::TObjectReference& ref : refs) CheckReference(text, lexed, ref);
  // Each lookup lexes the whole text: every position of a short one, else
  // a spread of positions and the edges of the first references.
  std::vector<std::int32_t> offsets;
  const std::int32_t step = size <= 256 ? 1 : std::int32_t(size / 48);
  for (std::int32_t offset = -1; offset <= std::int32_t(size) + 1; offset += step)
    offsets.push_back(offset);
  for (std::size_t i = 0; i < std::min<std::size_t>(refs.size(), 4); ++i)
    for (std::int32_t offset : {refs[i].Start - 1, refs[i].Start, refs[i].Start + refs[i].Length,
                                refs[i].Start + refs[i].Length + 1})
      offsets.push_back(offset);
  for (const std::int32_t offset : offsets) {
    const auto ref = cal::ReferenceAt(text, offset);
    if (!ref) continue;
    CheckReference(text, lexed, *ref);
    FUZZ_CHECK(ref->Start <= offset && offset <= ref->Start + ref->Length);
  }
  for (std::size_t i = 0; i < std::min<std::size_t>(refs.size(), 4); ++i)
    FUZZ_CHECK(cal::ReferenceAt(text, refs[i].Start).has_value());

  TObjectTextFile file;
  // Shared, so that the search while loading can load it a second time.
  file.SetShareReading(true);
  const std::string path = fuzz::WriteScratchFile("lexer.txt", text);
  try {
    file.LoadFromFile(path);
  } catch (const ConversionError&) {
    return 0;
  }
  for (const cal::TObjectReference& ref : refs) {
    const std::int32_t index = cal::ResolveReference(file, ref);
    FUZZ_CHECK(index >= -1 && index < file.GetCount());
    if (index >= 0) {
      const TObjectTextObject& object = file.GetObject(index);
      FUZZ_CHECK(cal::RefersTo(ref, object.ObjectType(), object.ID(), object.Name()));
    }
  }
  // The uses search reads only near the candidates; a full reading of every
  // object must find the same.
  for (std::int32_t target = 0; target < std::min(file.GetCount(), 4); ++target) {
    const TObjectTextObject& wanted = file.GetObject(target);
    std::vector<cal::TObjectUse> uses;
    FUZZ_CHECK(cal::FindUses(file, target, uses, {}, 64));
    std::size_t next = 0;
    for (std::int32_t i = 0; i < file.GetCount(); ++i) {
      for (const cal::TObjectReference& ref : cal::FindReferences(file.GetObject(i).GetText())) {
        if (!cal::RefersTo(ref, wanted.ObjectType(), wanted.ID(), wanted.Name())) continue;
        FUZZ_CHECK(next < uses.size());
        FUZZ_CHECK(uses[next].ObjIndex == i && SameReference(uses[next].Reference, ref));
        ++next;
      }
    }
    FUZZ_CHECK(next == uses.size());
    // Searched while a load in small pieces reads it, it finds the same.
    TObjectTextFile again;
    again.SetShareReading(true);
    again.SetReadPieceSize(7);
    // Parts that begin and end anywhere, as the load's threads get them.
    again.SetLoadParts(1 + std::size_t(target) % 3);
    cal::TOnePassUses search(again, wanted.ObjectType(), wanted.ID());
    again.SetOnPartScanned([&search](const TPartScannedText& scanned) { search.Scanned(scanned); });
    again.LoadFromFile(path);
    again.SetOnPartScanned(nullptr);
    std::vector<cal::TObjectUse> found;
    search.Finish(found);
    FUZZ_CHECK(search.Target() >= 0 && search.Target() <= target);
    if (search.Target() != target) continue;
    FUZZ_CHECK(found.size() == uses.size());
    for (std::size_t i = 0; i < found.size(); ++i)
      FUZZ_CHECK(found[i].ObjIndex == uses[i].ObjIndex &&
                 SameReference(found[i].Reference, uses[i].Reference) &&
                 found[i].LineText == uses[i].LineText);
  }
  return 0;
}
