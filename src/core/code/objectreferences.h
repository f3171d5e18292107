// SPDX-License-Identifier: MIT
// References from object text to other objects: by type and number
// ("Record 18", "RunObject=Page 21", "SourceTable=Table18") and by name
// ("DATABASE::Customer", "CODEUNIT::\"Sales-Post\"", "TableRelation=Customer").
// Resolves them against a loaded file and finds every use of one object
// across the file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vexafile.h"

namespace cal {

struct TObjectReference {
  TObjectType Type = TObjectType::otUnknown;
  std::int32_t ID = 0;  // when not by name
  std::string Name;     // when by name, without quotes
  bool ByName = false;
  std::int32_t Start = 0;  // byte offset of the whole form in the text
  std::int32_t Length = 0;
  std::int32_t Line = 0;  // 1-based
};

// Every reference in text, in order. Nothing in comments or strings counts.
std::vector<TObjectReference> FindReferences(std::string_view text);

// The reference whose bytes hold offset, the caret just after it included.
std::optional<TObjectReference> ReferenceAt(std::string_view text, std::int32_t offset);

// Whether ref names the object of that type, number and name; names match
// ignoring ASCII case, whole.
bool RefersTo(const TObjectReference& ref, TObjectType type, std::int32_t id,
              std::string_view name);

// Index of the first object of file that ref names, or -1.
std::int32_t ResolveReference(const TObjectSet& file, const TObjectReference& ref);

struct TObjectUse {
  std::int32_t ObjIndex = 0;
  TObjectReference Reference;  // Start is an offset into that object's text
  // The line of the reference without its indent; of a line longer than
  // 1000 bytes only the 100 bytes before and after the reference.
  std::string LineText;
};

// done of total objects searched; return false to cancel.
using TUsesProgress = std::function<bool(std::int32_t done, std::int32_t total)>;

// Every reference to object target in every object of file, in file order.
// Reads the file in chunks of chunkSize bytes and looks closely only at
// objects that hold the target's number or name; the objects of one large
// open file are shared out between UsesSearchThreads() threads, progress
// being called on the caller's. Returns false when progress cancelled the
// search; uses then holds what was found so far.
bool FindUses(const TObjectSet& file, std::int32_t target, std::vector<TObjectUse>& uses,
              const TUsesProgress& progress = {}, std::size_t chunkSize = std::size_t(1) << 20);

// How many threads FindUses may use: one for each processor, at most eight.
unsigned UsesSearchThreads();

// The uses FindUses gives of the first object of a type and number, found
// while its file loads: to be given every stretch of one load
// (SetOnPartScanned), on whichever thread scans it. Each part of the load
// searches its objects as they pass, once some part has read the target's
// header; the objects no part could search whole with the right name (those
// before it, those that run on into the next part) are read again once the
// load is done.
class TOnePassUses {
 public:
  TOnePassUses(const TObjectTextFile& file, TObjectType type, std::int32_t id);
  ~TOnePassUses();
  TOnePassUses(const TOnePassUses&) = delete;
  TOnePassUses& operator=(const TOnePassUses&) = delete;

  void Scanned(const TPartScannedText& text);
  // After the load: the target's index, or -1 when the file has none.
  std::int32_t Target() const;
  // After the load: appends every use, in file order.
  void Finish(std::vector<TObjectUse>& uses);

 private:
  struct TPart;
  struct TState;
  std::unique_ptr<TState> F;
};

}  // namespace cal
