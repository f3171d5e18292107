// SPDX-License-Identifier: MIT
#include "objectreferences.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <mutex>

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

// The references on the lines that hold a candidate (sorted offsets) and
// on the few lines before each, so that a relation begun there is known.
// The lines further before are passed over for their states only; nothing
// after the last candidate is lexed.
std::vector<TObjectReference> ReferencesNear(std::string_view text,
                                             const std::vector<std::size_t>& candidates) {
  // A relation's ELSE IF branches may run over many lines.
  constexpr std::size_t ContextLines = 40;
  std::vector<TObjectReference> refs;
  TReferenceScanner scanner(text, refs);
  std::vector<TToken> tokens;
  auto next = candidates.begin();
  TLexState state;
  std::size_t start = 0;
  auto passed = candidates.end();  // the candidate whose lines before were passed over
  // The scanner starts afresh after lines passed over and where the lines
  // before a candidate begin after another candidate's line.
  bool fresh = true;
  bool afterCandidate = false;  // the line before held a candidate
  for (int index = 0; next != candidates.end(); ++index) {
    if (next != passed) {
      passed = next;
      const std::size_t context = LineStartBefore(text, *next, ContextLines);
      if (context > start) {
        state = LexStatesBetween(text, start, context, state);
        index += CountLineBreaks(text.substr(start, context - start));
        start = context;
        fresh = true;
      }
    }
    const std::size_t end = LineEndFrom(text, start);
    const bool holds = *next <= end;
    if (fresh || (afterCandidate && !holds)) scanner.Reset();
    fresh = false;
    afterCandidate = holds;
    tokens.clear();
    state = LexLine(text.substr(start, end - start), state, std::int32_t(start), &tokens);
    scanner.Line(index, tokens);
    while (next != candidates.end() && *next <= end) ++next;
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

  TUsesSearch(TObjectType type, std::int32_t id, std::string name)
      : Type(type), ID(id), Name(std::move(name)), Needles(id, Name) {}

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

  // The uses in objects [first, last) of file, read through it, passing over
  // those that skip marks; progress counts from first.
  bool Objects(const TObjectSet& file, std::int32_t first, std::int32_t last,
               std::vector<TObjectUse>& uses, const TUsesProgress& progress, std::size_t chunkSize,
               const std::vector<bool>* skip = nullptr) {
    const std::int32_t count = last - first;
    // Progress in about a thousand steps, so its cost stays small.
    const std::int32_t step = std::max(1, count / 1000);
    for (std::int32_t index = first; index < last; ++index) {
      if (progress && (index - first) % step == 0 && !progress(index - first, count)) return false;
      if (skip && (*skip)[std::size_t(index)]) continue;
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

namespace {

// FindUses for a target of that type, number and name, on threads threads,
// passing over the objects that skip marks.
bool SearchObjects(const TObjectSet& file, TObjectType type, std::int32_t id,
                   const std::string& name, unsigned threads, const std::vector<bool>* skip,
                   std::vector<TObjectUse>& uses, const TUsesProgress& progress,
                   std::size_t chunkSize) {
  // One search a thread, kept from part to part.
  std::vector<std::optional<TUsesSearch>> searches(std::max(threads, 1u));
  const auto part = [&](unsigned worker, std::int32_t first, std::int32_t last,
                        std::vector<TObjectUse>& found, const TUsesProgress& partProgress) {
    std::optional<TUsesSearch>& search = searches[worker];
    if (!search) search.emplace(type, id, name);
    return search->Objects(file, first, last, found, partProgress, chunkSize, skip);
  };
  if (threads <= 1) return part(0, 0, file.GetCount(), uses, progress);
  return SearchInParts(file, threads, part, uses, progress);
}

}  // namespace

bool FindUses(const TObjectSet& file, std::int32_t target, std::vector<TObjectUse>& uses,
              const TUsesProgress& progress, std::size_t chunkSize) {
  const TObjectTextObject& object = file.GetObject(target);
  return SearchObjects(file, object.ObjectType(), object.ID(), std::string(object.Name()),
                       SearchThreads(file), nullptr, uses, progress, chunkSize);
}

// What one part of the load has searched.
struct TOnePassUses::TPart {
  std::size_t Checked = 0;  // entries looked at for the target
  bool Told = false;        // whether it has told its first
  std::size_t Next = 0;     // the entry whose object ends next
  std::size_t Epoch = 0;    // the name Search looks for, 0 for none yet
  std::optional<TUsesSearch> Search;
  // The bytes of entry Next from its start to the end of the stretches so far.
  std::string Tail;
  struct TDone {
    std::int32_t Start;
    std::int32_t Length;
    std::size_t Epoch;
  };
  std::vector<TDone> Done;  // objects searched, in order
  // Their uses, each ObjIndex its object's start until Finish.
  std::vector<TObjectUse> Uses;
};

struct TOnePassUses::TState {
  TState(const TObjectTextFile& file, TObjectType type, std::int32_t id)
      : File(file), Type(type), ID(id) {}

  const TObjectTextFile& File;
  TObjectType Type;
  std::int32_t ID;
  std::mutex Mutex;  // guards what follows
  std::vector<std::unique_ptr<TPart>> Parts;
  // The names of the earliest targets the parts have told so far, each told
  // before the next; a part's epoch n stands for Names[n - 1].
  std::vector<std::string> Names;
  std::int64_t TargetAt = INT64_MAX;
};

TOnePassUses::TOnePassUses(const TObjectTextFile& file, TObjectType type, std::int32_t id)
    : F(std::make_unique<TState>(file, type, id)) {}

TOnePassUses::~TOnePassUses() = default;

std::int32_t TOnePassUses::Target() const {
  for (std::int32_t i = 0; i < F->File.GetCount(); ++i)
    if (F->File.GetObject(i).ObjectType() == F->Type && F->File.GetObject(i).ID() == F->ID)
      return i;
  return -1;
}

void TOnePassUses::Scanned(const TPartScannedText& text) {
  TState& s = *F;
  const std::deque<TObjectTextObject>& found = *text.Found;
  TPart* part = nullptr;
  {
    // Once a stretch: the part's state, the target it tells, the name to look for.
    std::lock_guard lock(s.Mutex);
    if (s.Parts.size() <= text.Part) s.Parts.resize(text.Part + 1);
    if (!s.Parts[text.Part]) s.Parts[text.Part] = std::make_unique<TPart>();
    part = s.Parts[text.Part].get();
    // A part's own first target is the only one of it that can come first.
    for (; !part->Told && part->Checked < found.size(); ++part->Checked) {
      const TObjectTextObject& entry = found[part->Checked];
      if (entry.ObjectType() != s.Type || entry.ID() != s.ID) continue;
      part->Told = true;
      if (entry.StartOffset() < s.TargetAt) {
        s.TargetAt = entry.StartOffset();
        s.Names.emplace_back(entry.Name());
      }
    }
    if (part->Epoch != s.Names.size()) {
      part->Epoch = s.Names.size();
      part->Search.emplace(s.Type, s.ID, s.Names.back());
    }
  }
  const std::int64_t end = text.Offset + std::int64_t(text.Bytes.size());
  for (; part->Next < found.size(); ++part->Next) {
    const std::int64_t start = found[part->Next].StartOffset();
    std::int64_t stop = end;
    if (part->Next + 1 < found.size())
      stop = found[part->Next + 1].StartOffset();
    else if (!text.PartEnds || !text.TextEnds)
      break;  // ends in a stretch or part to come
    if (part->Search) {
      std::string_view bytes;
      if (start >= text.Offset) {
        bytes = text.Bytes.substr(std::size_t(start - text.Offset), std::size_t(stop - start));
      } else {
        // Begun in earlier stretches: it ends within this one.
        part->Tail.append(text.Bytes.substr(0, std::size_t(stop - text.Offset)));
        bytes = part->Tail;
      }
      part->Search->Object(std::int32_t(start), bytes, part->Uses);
      part->Done.push_back({std::int32_t(start), std::int32_t(stop - start), part->Epoch});
    }
    part->Tail.clear();
  }
  // The object still open is kept whole, whether or not its name is known
  // yet: the name may come in a stretch before it ends.
  if (part->Next < found.size() && !text.PartEnds) {
    const std::int64_t start = found[part->Next].StartOffset();
    if (start >= text.Offset)
      part->Tail.assign(text.Bytes.substr(std::size_t(start - text.Offset)));
    else
      part->Tail.append(text.Bytes);
  }
}

void TOnePassUses::Finish(std::vector<TObjectUse>& uses) {
  TState& s = *F;
  const std::int32_t target = Target();
  if (target < 0) return;
  const TObjectTextObject& object = s.File.GetObject(target);
  const std::string name(object.Name());
  const std::int32_t count = s.File.GetCount();
  // The objects a part searched whole with the target's own name keep
  // their uses; the rest are searched again.
  std::vector<bool> searched(std::size_t(count), false);
  std::vector<TObjectUse> kept;
  std::int64_t left = 0;  // bytes of the objects to search again
  std::int32_t index = 0;
  for (const std::unique_ptr<TPart>& part : s.Parts) {
    if (!part) continue;
    auto use = part->Uses.begin();
    for (const TPart::TDone& done : part->Done) {
      while (index < count && s.File.GetObject(index).StartOffset() < done.Start) ++index;
      const bool good = index < count && s.File.GetObject(index).StartOffset() == done.Start &&
                        s.File.GetObject(index).Length() == done.Length &&
                        s.Names[done.Epoch - 1] == name;
      for (; use != part->Uses.end() && use->ObjIndex == done.Start; ++use) {
        if (!good) continue;
        kept.push_back(std::move(*use));
        kept.back().ObjIndex = index;
      }
      if (good) searched[std::size_t(index)] = true;
    }
    part->Uses.clear();
  }
  for (std::int32_t i = 0; i < count; ++i)
    if (!searched[std::size_t(i)]) left += std::max(s.File.GetObject(i).Length(), 0);
  std::vector<TObjectUse> again;
  if (left > 0) {
    // Threads repay only a large rest, as when the name came late.
    constexpr std::int64_t ThreadedBytes = std::int64_t(8) << 20;
    const unsigned threads = left >= ThreadedBytes ? SearchThreads(s.File) : 1;
    SearchObjects(s.File, object.ObjectType(), object.ID(), name, threads, &searched, again, {},
                  std::size_t(1) << 20);
  }
  const std::size_t from = uses.size();
  uses.reserve(from + kept.size() + again.size());
  std::merge(std::make_move_iterator(kept.begin()), std::make_move_iterator(kept.end()),
             std::make_move_iterator(again.begin()), std::make_move_iterator(again.end()),
             std::back_inserter(uses),
             [](const TObjectUse& a, const TObjectUse& b) { return a.ObjIndex < b.ObjIndex; });
}

}  // namespace cal
