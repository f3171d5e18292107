// SPDX-License-Identifier: MIT
#include "objectreferences.h"

#include <algorithm>
#include <array>

#include "callexer.h"
#include "linestates.h"
#include "partsearch.h"
#include "referencescanner.h"
#include "usecandidates.h"
#include "workerthreads.h"

namespace cal {

using namespace detail;

std::vector<TObjectReference> FindReferences(std::string_view text) {
  std::vector<TObjectReference> refs;
  TReferenceScanner scanner(text, refs);
  ForEachLexedLine(text,
                   [&](int index, std::int32_t, std::string_view, const std::vector<TToken>& tokens,
                       const TLexState&) { scanner.Line(index, tokens); });
  return refs;
}

namespace {

std::size_t NextLineStart(std::string_view text, std::size_t end) {
  return end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
}

// The start of the line lines lines before the one that holds at.
std::size_t LineStartBefore(std::string_view text, std::size_t at, std::size_t lines) {
  const auto isBreak = [&](std::size_t i) { return text[i] == '\n' || text[i] == '\r'; };
  std::size_t start = at;
  for (std::size_t line = 0;; ++line) {
    while (start > 0 && !isBreak(start - 1)) --start;
    if (line == lines || start == 0) return start;
    // Back over the break: CR LF is one.
    --start;
    if (start > 0 && text[start] == '\n' && text[start - 1] == '\r') --start;
  }
}

// The references on the lines that hold a candidate (sorted offsets). The
// other lines are lexed only for their states; the few lines before each
// candidate's line are scanned too, so that a relation begun there is
// known; nothing after the last candidate is lexed.
std::vector<TObjectReference> ReferencesNear(std::string_view text,
                                             const std::vector<std::size_t>& candidates) {
  // A relation's ELSE IF branches may run over many lines.
  constexpr std::size_t ContextLines = 40;
  std::vector<TObjectReference> refs;
  TReferenceScanner scanner(text, refs);
  std::vector<TToken> tokens;
  struct TLine {
    std::size_t Start;
    std::size_t End;
    TLexState State;
    int Index;
  };
  // The last few lines lexed for their states only, in a ring.
  std::array<TLine, ContextLines> recent;
  std::size_t recentCount = 0;
  std::size_t recentNext = 0;
  bool scanning = false;  // the line before was scanned
  const auto scan = [&](const TLine& line) {
    tokens.clear();
    const TLexState out = LexLine(text.substr(line.Start, line.End - line.Start), line.State,
                                  std::int32_t(line.Start), &tokens);
    scanner.Line(line.Index, tokens);
    return out;
  };
  auto next = candidates.begin();
  TLexState state;
  std::size_t start = 0;
  auto passed = candidates.end();  // the candidate whose lines before were passed over
  for (int index = 0; next != candidates.end(); ++index) {
    // The lines that even the ring would not keep are passed over at once.
    if (next != passed) {
      passed = next;
      const std::size_t context = LineStartBefore(text, *next, ContextLines);
      if (context > start) {
        state = LexStatesBetween(text, start, context, state);
        index += CountLineBreaks(text.substr(start, context - start));
        start = context;
        recentCount = 0;
        scanning = false;
      }
    }
    const std::size_t end = LineEndFrom(text, start);
    const TLine line{start, end, state, index};
    if (*next <= end) {
      if (!scanning) {
        scanner.Reset();
        for (std::size_t i = 0; i < recentCount; ++i)
          scan(recent[(recentNext + ContextLines - recentCount + i) % ContextLines]);
        recentCount = 0;
      }
      state = scan(line);
      scanning = true;
      while (next != candidates.end() && *next <= end) ++next;
    } else {
      recent[recentNext] = line;
      recentNext = (recentNext + 1) % ContextLines;
      recentCount = std::min(recentCount + 1, ContextLines);
      state = LexLine(text.substr(start, end - start), state, std::int32_t(start), nullptr);
      scanning = false;
    }
    if (end == text.size()) break;
    start = NextLineStart(text, end);
  }
  return refs;
}

}  // namespace

std::optional<TObjectReference> ReferenceAt(std::string_view text, std::int32_t offset) {
  for (TObjectReference& ref : FindReferences(text))
    if (ref.Start <= offset && offset <= ref.Start + ref.Length) return std::move(ref);
  return std::nullopt;
}

bool RefersTo(const TObjectReference& ref, TObjectType type, std::int32_t id,
              std::string_view name) {
  if (ref.Type != type) return false;
  return ref.ByName ? !name.empty() && SameText(ref.Name, name) : ref.ID == id;
}

std::int32_t ResolveReference(const TObjectSet& file, const TObjectReference& ref) {
  for (std::int32_t i = 0; i < file.GetCount(); ++i) {
    const TObjectTextObject& object = file.GetObject(i);
    if (RefersTo(ref, object.ObjectType(), object.ID(), object.Name())) return i;
  }
  return -1;
}

namespace {

// The line that holds offset, without its indent; of a line longer than
// LongLine only the part around offset, so that many references on one huge
// line cost neither quadratic time nor memory.
std::string LineTextAt(std::string_view text, std::int32_t offset) {
  constexpr std::size_t LongLine = 1000;
  constexpr std::size_t Around = 100;
  const auto isBreak = [&](std::size_t i) { return text[i] == '\n' || text[i] == '\r'; };
  const auto at = std::size_t(offset);
  std::size_t start = at;
  while (start > 0 && at - start < LongLine && !isBreak(start - 1)) --start;
  std::size_t end = at;
  while (end < text.size() && end - at < LongLine && !isBreak(end)) ++end;
  const bool cutStart = start > 0 && !isBreak(start - 1);
  const bool cutEnd = end < text.size() && !isBreak(end);
  if (cutStart || cutEnd) {
    start = std::max(start, at >= Around ? at - Around : 0);
    end = std::min(end, at + Around);
  }
  if (!cutStart)
    while (start < end && (text[start] == ' ' || text[start] == '\t')) ++start;
  return std::string(text.substr(start, end - start));
}

}  // namespace

namespace {

// What the search needs to know of its target, and what it reuses.
struct TUsesSearch {
  TObjectType Type;
  std::int32_t ID;
  std::string Name;
  TCandidateNeedles Needles;
  std::vector<std::size_t> Candidates;

  explicit TUsesSearch(const TObjectTextObject& target)
      : Type(target.ObjectType()),
        ID(target.ID()),
        Name(target.Name()),
        Needles(target.ID(), std::string(target.Name())) {}

  // The uses in the text of the object at index.
  void Object(std::int32_t index, std::string_view bytes, std::vector<TObjectUse>& uses) {
    Needles.Find(bytes, Candidates);
    if (Candidates.empty()) return;
    for (TObjectReference& ref : ReferencesNear(bytes, Candidates)) {
      if (!RefersTo(ref, Type, ID, Name)) continue;
      std::string line = LineTextAt(bytes, ref.Start);
      uses.push_back({index, std::move(ref), std::move(line)});
    }
  }

  // The uses in objects [0, count) of file, read through it.
  bool Objects(const TObjectSet& file, std::int32_t count, std::vector<TObjectUse>& uses,
               const TUsesProgress& progress, std::size_t chunkSize) {
    return Objects(file, 0, count, uses, progress, chunkSize);
  }

  // The same for objects [first, last); progress counts from first.
  bool Objects(const TObjectSet& file, std::int32_t first, std::int32_t last,
               std::vector<TObjectUse>& uses, const TUsesProgress& progress,
               std::size_t chunkSize) {
    const std::int32_t count = last - first;
    // Progress in about a thousand steps, so its cost stays small.
    const std::int32_t step = std::max(1, count / 1000);
    for (std::int32_t index = first; index < last; ++index) {
      if (progress && (index - first) % step == 0 && !progress(index - first, count)) return false;
      const TObjectTextObject& object = file.GetObject(index);
      const std::int64_t start = object.StartOffset();
      const std::int64_t length = std::max(object.Length(), 0);
      if (&object.Owner() != FReaderOwner || chunkSize != FChunkSize) {
        FReaderOwner = &object.Owner();
        FChunkSize = chunkSize;
        if (!FReaderOwner->Stream()) {
          FReaderOwner = nullptr;
          throw VexaError("The object's file is no longer open; open the file again");
        }
        FReader.emplace(*FReaderOwner->Stream(), chunkSize);
      }
      Object(index, FReader->At(start, start + length, std::size_t(length)), uses);
    }
    if (progress) progress(count, count);
    return true;
  }

 private:
  // The objects of one file lie one after another, so one reader, and its
  // grown buffer, serves all of them, in every run of objects given to this
  // search; a set of many files gets a reader for each run of one file.
  std::optional<vexa::TChunkReader> FReader;
  const TObjectTextFile* FReaderOwner = nullptr;
  std::size_t FChunkSize = 0;
};

}  // namespace

unsigned UsesSearchThreads() {
  return vexa::WorkerThreads();
}

bool FindUses(const TObjectSet& file, std::int32_t target, std::vector<TObjectUse>& uses,
              const TUsesProgress& progress, std::size_t chunkSize) {
  const TObjectTextObject& object = file.GetObject(target);
  const unsigned threads = SearchThreads(file);
  // One search a thread, kept from part to part.
  std::vector<std::optional<TUsesSearch>> searches(threads);
  const auto part = [&](unsigned worker, std::int32_t first, std::int32_t last,
                        std::vector<TObjectUse>& found, const TUsesProgress& partProgress) {
    std::optional<TUsesSearch>& search = searches[worker];
    if (!search) search.emplace(object);
    return search->Objects(file, first, last, found, partProgress, chunkSize);
  };
  if (threads <= 1) return part(0, 0, file.GetCount(), uses, progress);
  return SearchInParts(file, threads, part, uses, progress);
}

struct TOnePassUses::TState {
  TState(const TObjectTextFile& file, TObjectType type, std::int32_t id)
      : File(file), Type(type), ID(id) {}

  const TObjectTextFile& File;
  TObjectType Type;
  std::int32_t ID;
  std::int32_t Target = -1;
  std::int32_t Checked = 0;  // objects looked at for the target
  std::int32_t Live = 0;     // the first object searched while loading
  std::int32_t Next = 0;     // the next one
  std::optional<TUsesSearch> Search;
  // The bytes of object Next from its start to the end of the stretches so far.
  std::string Tail;
  std::vector<TObjectUse> Uses;  // of the objects from Live on
};

TOnePassUses::TOnePassUses(const TObjectTextFile& file, TObjectType type, std::int32_t id)
    : F(std::make_unique<TState>(file, type, id)) {}

TOnePassUses::~TOnePassUses() = default;

std::int32_t TOnePassUses::Target() const {
  return F->Target;
}

void TOnePassUses::Scanned(const TScannedText& text) {
  TState& s = *F;
  const std::int32_t count = s.File.GetCount();
  if (!s.Search) {
    while (s.Checked < count && (s.File.GetObject(s.Checked).ObjectType() != s.Type ||
                                 s.File.GetObject(s.Checked).ID() != s.ID))
      ++s.Checked;
    if (s.Checked == count) return;
    s.Target = s.Checked;
    s.Search.emplace(s.File.GetObject(s.Target));
    // Only the name tells what to look for; the objects whose start has gone
    // by are read again at the end.
    s.Live = s.Target + 1;
    while (s.Live > 0 && s.File.GetObject(s.Live - 1).StartOffset() >= text.Offset) --s.Live;
    s.Next = s.Live;
    s.Tail.clear();
  }
  for (; s.Next < count && (s.Next + 1 < count || text.Final); ++s.Next) {
    const TObjectTextObject& object = s.File.GetObject(s.Next);
    const std::int64_t start = object.StartOffset();
    const std::int64_t end = start + std::max(object.Length(), 0);
    if (start >= text.Offset) {
      s.Search->Object(
          s.Next, text.Bytes.substr(std::size_t(start - text.Offset), std::size_t(end - start)),
          s.Uses);
    } else {
      // Begun in earlier stretches: it ends within this one.
      if (end > text.Offset) s.Tail.append(text.Bytes.substr(0, std::size_t(end - text.Offset)));
      s.Search->Object(s.Next, s.Tail, s.Uses);
    }
    s.Tail.clear();
  }
  if (s.Next < count) {
    const std::int64_t start = s.File.GetObject(s.Next).StartOffset();
    if (start >= text.Offset)
      s.Tail.assign(text.Bytes.substr(std::size_t(start - text.Offset)));
    else
      s.Tail.append(text.Bytes);
  }
}

void TOnePassUses::Finish(std::vector<TObjectUse>& uses) {
  TState& s = *F;
  if (!s.Search) return;
  s.Search->Objects(s.File, s.Live, uses, {}, std::size_t(1) << 20);
  uses.insert(uses.end(), std::make_move_iterator(s.Uses.begin()),
              std::make_move_iterator(s.Uses.end()));
  s.Uses.clear();
}

}  // namespace cal
