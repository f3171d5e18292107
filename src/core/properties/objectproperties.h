// SPDX-License-Identifier: MIT
// The property values of a loaded file, each distinct text kept once, and the
// reading of the dates they hold.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Strings of one kind, numbered from 1 as they come; 0 is the empty string.
// Add keeps each distinct text once: version lists and dates repeat across
// thousands of objects, so entries hold numbers instead of copies.
class TStringPool {
 public:
  TStringPool();
  std::uint32_t Add(std::string_view text);
  // Adds text without looking for it first, so it may be there twice. For
  // values that hardly ever repeat (times), where the lookup costs more than
  // the copy saves.
  std::uint32_t Append(std::string_view text);
  // Appends every string of from in its order; string id of from becomes
  // id + the result here.
  std::uint32_t AppendAll(const TStringPool& from);
  std::string_view Get(std::uint32_t id) const;
  std::uint32_t Count() const { return std::uint32_t(FEnds.size()); }
  // Makes room in the lookup for count strings in all, so that adding that
  // many rehashes none.
  void Reserve(std::size_t count);
  // Drops the lookup that Add needs, once no more strings will come.
  void Seal();
  void Clear();

 private:
  void Grow(std::size_t slots);

  std::string FBytes;
  std::vector<std::uint32_t> FEnds;  // end of string i in FBytes; string 0 is empty
  // Open addressing: the string's hash in the high half, its number in the
  // low half, 0 for a free slot. No allocation per string, so the load pays
  // little for values that are nearly all distinct (times).
  std::vector<std::uint64_t> FSlots;
  std::uint32_t FLast = 0;  // neighbouring objects often share a value
};

// The numbers of one object's values in its file's pools.
struct TPropertyIds {
  std::uint32_t Date = 0;
  std::uint32_t Time = 0;
  std::uint32_t VersionList = 0;
  bool Modified = false;
};

struct TPropertyStore {
  TStringPool Dates;
  TStringPool Times;  // appended, not looked up: nearly every object has its own
  TStringPool VersionLists;
  void Seal();
  void Clear();
};

// How the exporting machine wrote day, month and year.
enum class TDateOrder : std::uint8_t { doDayMonth, doMonthDay, doYearMonthDay };

// The order the dates themselves show. Year first when first fields above 31
// outnumber third fields above 31, or, with no field above 31 at all, when
// the third fields take far more values than years would (days do) and the
// first fields few. Else a first field above 12 is a day, a second field
// above 12 is a day; the more frequent evidence wins, and day first when none
// decides.
TDateOrder DecideDateOrder(const TStringPool& dates);

// A date as yyyymmdd, so that dates compare as numbers. Takes three numbers
// with one separator each (dd-mm-yy, dd/mm/yy, mm/dd/yy, dd.mm.yy, yy-mm-dd,
// four-digit years, or a four-digit year first) and the newer exports'
// yyyymmddD; two-digit years are 1950 to 2049. Nothing for text that is no
// valid date, such as the "no date" 0D.
std::optional<std::int32_t> DateNumber(std::string_view text, TDateOrder order);

// "dmy" / "mdy" / "ymd", any letter case.
std::optional<TDateOrder> DateOrderFromName(std::string_view name);
