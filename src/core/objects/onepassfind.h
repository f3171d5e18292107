// SPDX-License-Identifier: MIT
// Every match of a text through all objects, found while the file loads:
// the file is read once, and each stretch the scan has split into objects is
// searched while it is still in memory.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "vexafile.h"

struct TFoundMatch {
  std::int32_t Index;  // of the object
  std::int32_t Pos;    // 1-based position in the object's text
  std::int32_t Line;   // 1-based line in the object's text
};

// Says whether the object at an index takes part; it is asked only once the
// object's header and properties are known. None means every object.
using TObjectAccept = std::function<bool(std::int32_t index)>;
using TMatchReport = std::function<void(const TFoundMatch&)>;

// Gives what find-next from the first object gives, over and over until it
// fails: in file order, each search going on after the previous match, never
// across the end of an object, and only in accepted objects.
class TOnePassFind {
 public:
  // acceptAtEnd: accept can answer only once the whole file is loaded, as
  // for a filter that reads dates in the order the whole file shows.
  TOnePassFind(const TObjectTextFile& file, std::string needle, bool matchCase, TMatchReport report,
               TObjectAccept accept = {}, bool acceptAtEnd = false);

  // To be given every stretch of one load, in order (SetOnScanned).
  void Scanned(const TScannedText& text);
  std::size_t Count() const { return FCount; }

 private:
  struct TLineState {
    std::int64_t Counted = 0;  // offset up to which line breaks are counted
    std::int32_t Line = 1;
    bool AfterCR = false;
  };

  void EnterObject(std::int32_t index);
  // decided: the objects before it have what accept needs.
  void SearchObjects(std::int32_t decided);
  std::int64_t Search(std::int64_t from, std::int64_t to) const;
  std::int32_t LineAt(std::int64_t offset);
  void Keep(std::int64_t from);
  void Found(const TFoundMatch& match, std::int32_t decided);
  void Flush(std::int32_t decided);

  const TObjectTextFile& FFile;
  std::string FNeedle;
  bool FMatchCase;
  TMatchReport FReport;
  TObjectAccept FAccept;
  bool FAcceptAtEnd;
  std::size_t FCount = 0;

  // The bytes still needed from earlier stretches: [FTailOffset, FBase).
  std::string FTail;
  std::int64_t FTailOffset = 0;
  // The stretch being searched: [FBase, FBase + FBytes.size()).
  std::string_view FBytes;
  std::int64_t FBase = 0;

  std::int32_t FObject = -1;  // the object being searched
  std::int64_t FFrom = 0;     // where its next search starts
  TLineState FLines;
  // Matches of objects whose properties are not known yet, and of all later ones.
  std::deque<TFoundMatch> FWaiting;
};

// Loads fileName into file and reports every match on the way; returns their number.
std::size_t FindWhileLoading(TObjectTextFile& file, const std::string& fileName,
                             const std::string& needle, bool matchCase, const TMatchReport& report,
                             const TObjectAccept& accept = {}, bool acceptAtEnd = false);
