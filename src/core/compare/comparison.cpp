// SPDX-License-Identifier: MIT
#include "comparison.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "objectreader.h"
#include "propertyblock.h"
#include "sidebyside.h"

namespace {

bool IsBreak(char c) {
  return c == '\r' || c == '\n';
}

// Equal when every line break counts the same, whether CR LF, CR or LF.
bool EqualIgnoringBreaks(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsBreak(a[i]) && IsBreak(b[j])) {
      i += (a[i] == '\r' && i + 1 < a.size() && a[i + 1] == '\n') ? 2 : 1;
      j += (b[j] == '\r' && j + 1 < b.size() && b[j + 1] == '\n') ? 2 : 1;
    } else if (a[i] == b[j]) {
      ++i;
      ++j;
    } else {
      return false;
    }
  }
  return i == a.size() && j == b.size();
}

bool Equal(std::string_view a, std::string_view b, const TComparisonOptions& options) {
  return a == b || (options.IgnoreLineBreaks && EqualIgnoringBreaks(a, b));
}

TComparisonStatus PropertiesOnly(const TComparisonOptions& options) {
  return options.IgnoreProperties ? TComparisonStatus::csIdentical
                                  : TComparisonStatus::csPropertiesOnly;
}

std::uint64_t Key(const TObjectTextObject& object) {
  return (std::uint64_t(object.ObjectType()) << 32) | std::uint32_t(object.ID());
}

std::size_t Length(const TObjectTextObject& object) {
  return std::size_t(std::max<std::int32_t>(object.Length(), 0));
}

// Compares one pair, reading each side only when its bytes are not known to
// be the other's.
class TPairReader {
 public:
  TPairReader(const TComparisonOptions& options, const TSameBytes* same)
      : FOptions(options), FSame(same) {}

  TComparisonStatus Compare(const TObjectTextObject& oldObject,
                            const TObjectTextObject& newObject) {
    // The same bytes of one held file, as when a file is compared with itself.
    if (&oldObject.Owner() == &newObject.Owner() &&
        oldObject.StartOffset() == newObject.StartOffset() &&
        oldObject.Length() == newObject.Length() && oldObject.Owner().Stream())
      return TComparisonStatus::csIdentical;
    if (FSame && FSame->Same(oldObject, newObject)) return TComparisonStatus::csIdentical;
    return CompareTexts(FOld.Text(oldObject), FNew.Text(newObject), FOptions);
  }

 private:
  const TComparisonOptions& FOptions;
  const TSameBytes* FSame;
  TObjectReader FOld;
  TObjectReader FNew;
};

}  // namespace

TComparisonStatus CompareTexts(std::string_view oldText, std::string_view newText,
                               const TComparisonOptions& options) {
  if (Equal(oldText, newText, options)) return TComparisonStatus::csIdentical;
  const TPropertyBlock oldBlock = FindPropertiesBlock(oldText);
  const TPropertyBlock newBlock = FindPropertiesBlock(newText);
  if (oldBlock.Found && newBlock.Found &&
      Equal(oldText.substr(0, oldBlock.Begin), newText.substr(0, newBlock.Begin), options) &&
      Equal(oldText.substr(oldBlock.End), newText.substr(newBlock.End), options))
    return PropertiesOnly(options);
  return TComparisonStatus::csChanged;
}

namespace {

// Once the objects have moved they seldom line up again; reading the old
// file on would only cost time.
constexpr std::int64_t GiveUpAfter = 8 << 20;

// Appends the stretches of equal bytes of old and now, which stand at
// offset in both files, in blocks of a few hundred bytes: a pair near a
// difference is read again, and a file whose objects have moved costs one
// failed compare a block. unequalRun counts the unequal bytes since the last
// equal block.
void AppendSameBlocks(const char* old, const char* now, std::size_t size, std::int64_t offset,
                      std::vector<std::pair<std::int64_t, std::int64_t>>& same,
                      std::int64_t& unequalRun) {
  constexpr std::size_t Block = 256;
  for (std::size_t at = 0; at < size; at += Block) {
    const std::size_t length = std::min(Block, size - at);
    if (std::memcmp(old + at, now + at, length) != 0) {
      unequalRun += std::int64_t(length);
      continue;
    }
    unequalRun = 0;
    const std::int64_t from = offset + std::int64_t(at);
    const std::int64_t to = from + std::int64_t(length);
    if (!same.empty() && same.back().second == from)
      same.back().second = to;
    else
      same.emplace_back(from, to);
  }
}

}  // namespace

TSameBytes::TSameBytes(const TObjectTextFile& loaded, const TObjectTextFile& loading)
    : FLoaded(loaded), FLoading(loading) {}

void TSameBytes::Scanned(const TScannedText& text) {
  if (FGivenUp || text.Bytes.empty()) return;
  std::size_t size = 0;
  const char* old = FBuffer.data();
  if (FFeed) {
    const std::string_view bytes = FFeed->Read(text.Offset, text.Bytes.size(), FScratch);
    old = bytes.data();
    size = bytes.size();
  } else {
    const vexa::ExclusiveFile* stream = FLoaded.Stream();
    if (!stream) return;
    const std::int64_t end =
        std::min(text.Offset + std::int64_t(text.Bytes.size()), stream->Size());
    if (text.Offset >= end) return;
    size = std::size_t(end - text.Offset);
    FBuffer.resize(std::max(FBuffer.size(), size));
    stream->ReadAt(text.Offset, FBuffer.data(), size);
    old = FBuffer.data();
  }
  AppendSameBlocks(old, text.Bytes.data(), size, text.Offset, FSame, FUnequalRun);
  if (FUnequalRun >= GiveUpAfter) {
    FGivenUp = true;
    FBuffer = {};
    if (FFeed) FFeed->Close();
  }
}

void TSameBytes::Seen(std::string_view bytes, std::int64_t offset) {
  if (FGivenUp || bytes.empty()) return;
  const vexa::ExclusiveFile* stream = FLoaded.Stream();
  if (!stream) return;
  const std::int64_t end = std::min(offset + std::int64_t(bytes.size()), stream->Size());
  if (offset >= end) return;
  const auto size = std::size_t(end - offset);
  // One buffer for each thread that scans, kept from stretch to stretch.
  thread_local std::vector<char> old;
  if (old.size() < size) old.resize(size);
  stream->ReadAt(offset, old.data(), size);
  std::vector<std::pair<std::int64_t, std::int64_t>> same;
  std::int64_t unequalRun = 0;
  AppendSameBlocks(old.data(), bytes.data(), size, offset, same, unequalRun);
  std::lock_guard lock(FSeenLock);
  FSame.insert(FSame.end(), same.begin(), same.end());
  // The stretches come from parts far apart, so the run is a rough one.
  FUnequalRun = same.empty() ? FUnequalRun + unequalRun : unequalRun;
  if (FUnequalRun >= GiveUpAfter) FGivenUp = true;
}

void TSameBytes::Settle() {
  std::sort(FSame.begin(), FSame.end());
  std::vector<std::pair<std::int64_t, std::int64_t>> joined;
  for (const auto& range : FSame) {
    if (!joined.empty() && joined.back().second == range.first)
      joined.back().second = range.second;
    else
      joined.push_back(range);
  }
  FSame = std::move(joined);
}

bool TSameBytes::Same(const TObjectTextObject& oldObject,
                      const TObjectTextObject& newObject) const {
  const TObjectSet* oldOwner = &oldObject.Owner();
  const TObjectSet* newOwner = &newObject.Owner();
  if (!((oldOwner == &FLoaded && newOwner == &FLoading) ||
        (oldOwner == &FLoading && newOwner == &FLoaded)))
    return false;
  if (oldObject.StartOffset() != newObject.StartOffset() ||
      oldObject.Length() != newObject.Length())
    return false;
  const std::int64_t from = oldObject.StartOffset();
  const std::int64_t to = from + std::int64_t(Length(oldObject));
  auto after =
      std::upper_bound(FSame.begin(), FSame.end(), from,
                       [](std::int64_t at, const auto& range) { return at < range.first; });
  if (after == FSame.begin()) return false;
  const auto& range = *std::prev(after);
  return range.first <= from && to <= range.second;
}

TComparison CompareFiles(const TObjectSet& oldFile, const TObjectSet& newFile,
                         const TComparisonOptions& options, const TSameBytes* same) {
  // Old indices of each type and number, in file order.
  std::unordered_map<std::uint64_t, std::vector<std::int32_t>> oldByKey;
  std::unordered_map<std::uint64_t, std::int32_t> newCounts;
  oldByKey.reserve(std::size_t(oldFile.GetCount()));
  for (std::int32_t i = 0; i < oldFile.GetCount(); ++i)
    oldByKey[Key(oldFile.GetObject(i))].push_back(i);
  for (std::int32_t i = 0; i < newFile.GetCount(); ++i) ++newCounts[Key(newFile.GetObject(i))];

  TComparison result;
  result.Items.reserve(std::size_t(newFile.GetCount()));
  std::vector<bool> oldPaired(std::size_t(oldFile.GetCount()), false);
  std::unordered_map<std::uint64_t, std::size_t> taken;  // how many old objects of a key are paired
  TPairReader reader(options, same);
  for (std::int32_t i = 0; i < newFile.GetCount(); ++i) {
    const TObjectTextObject& object = newFile.GetObject(i);
    const std::uint64_t key = Key(object);
    TComparisonItem item;
    item.NewIndex = i;
    item.Duplicate = newCounts[key] > 1;
    auto found = oldByKey.find(key);
    std::size_t& next = taken[key];
    if (found != oldByKey.end() && next < found->second.size()) {
      item.OldIndex = found->second[next++];
      oldPaired[std::size_t(item.OldIndex)] = true;
      item.Duplicate = item.Duplicate || found->second.size() > 1;
      item.Status = reader.Compare(oldFile.GetObject(item.OldIndex), object);
    } else {
      item.Duplicate = item.Duplicate || (found != oldByKey.end() && found->second.size() > 1);
      item.Status = TComparisonStatus::csAdded;
    }
    result.Items.push_back(item);
  }
  for (std::int32_t i = 0; i < oldFile.GetCount(); ++i) {
    if (oldPaired[std::size_t(i)]) continue;
    const std::uint64_t key = Key(oldFile.GetObject(i));
    const auto count = newCounts.find(key);
    TComparisonItem item;
    item.OldIndex = i;
    item.Status = TComparisonStatus::csRemoved;
    item.Duplicate = oldByKey[key].size() > 1 || (count != newCounts.end() && count->second > 1);
    result.Items.push_back(item);
  }

  // Duplicates in order of first occurrence, new file first.
  auto noteDuplicate = [&](const TObjectTextObject& object) {
    const std::uint64_t key = Key(object);
    const auto oldIt = oldByKey.find(key);
    const auto newIt = newCounts.find(key);
    const std::int32_t oldCount = oldIt == oldByKey.end() ? 0 : std::int32_t(oldIt->second.size());
    const std::int32_t newCount = newIt == newCounts.end() ? 0 : newIt->second;
    if (oldCount < 2 && newCount < 2) return;
    for (const TDuplicateKey& d : result.Duplicates)
      if (d.Type == object.ObjectType() && d.ID == object.ID()) return;
    result.Duplicates.push_back({object.ObjectType(), object.ID(), oldCount, newCount});
  };
  for (const TComparisonItem& item : result.Items) {
    if (!item.Duplicate) continue;
    noteDuplicate(item.NewIndex >= 0 ? newFile.GetObject(item.NewIndex)
                                     : oldFile.GetObject(item.OldIndex));
  }

  for (const TComparisonItem& item : result.Items) {
    switch (item.Status) {
      case TComparisonStatus::csIdentical: ++result.Counts.Identical; break;
      case TComparisonStatus::csPropertiesOnly: ++result.Counts.PropertiesOnly; break;
      case TComparisonStatus::csChanged: ++result.Counts.Changed; break;
      case TComparisonStatus::csAdded: ++result.Counts.Added; break;
      case TComparisonStatus::csRemoved: ++result.Counts.Removed; break;
    }
  }
  return result;
}

std::string_view StatusName(TComparisonStatus status) {
  switch (status) {
    case TComparisonStatus::csIdentical: return "identical";
    case TComparisonStatus::csPropertiesOnly: return "properties only";
    case TComparisonStatus::csChanged: return "changed";
    case TComparisonStatus::csAdded: return "added";
    case TComparisonStatus::csRemoved: return "removed";
  }
  return "";
}

std::string GroupedNumber(std::int64_t value) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  for (std::size_t pos = digits.size(); pos > 3; pos -= 3) digits.insert(pos - 3, ",");
  return value < 0 ? "-" + digits : digits;
}

std::string SummaryText(const TComparisonCounts& counts) {
  return GroupedNumber(counts.Added) + " added, " + GroupedNumber(counts.Removed) + " removed, " +
         GroupedNumber(counts.Changed) + " changed, " + GroupedNumber(counts.PropertiesOnly) +
         " properties only, " + GroupedNumber(counts.Identical) + " identical";
}
