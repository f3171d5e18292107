// SPDX-License-Identifier: MIT
#include "filemerge.h"

#include <unordered_map>

#include "comparison.h"
#include "linemerge.h"
#include "objectreader.h"
#include "orderedunion.h"

namespace merge {

namespace {

// Type, number and which occurrence of them, so that repeated objects pair
// in order of occurrence.
using TKey = std::uint64_t;

std::vector<TKey> Keys(const TObjectSet& file) {
  std::vector<TKey> keys;
  std::unordered_map<std::uint64_t, std::uint32_t> seen;
  keys.reserve(std::size_t(file.GetCount()));
  for (std::int32_t i = 0; i < file.GetCount(); ++i) {
    const TObjectTextObject& object = file.GetObject(i);
    const std::uint64_t id =
        (std::uint64_t(object.ObjectType()) << 32) | std::uint32_t(object.ID());
    const std::uint32_t n = seen[id]++;
    keys.push_back(id | (std::uint64_t(std::min<std::uint32_t>(n, 0xFFFFFF)) << 40));
  }
  return keys;
}

std::unordered_map<TKey, std::int32_t> IndexOf(const std::vector<TKey>& keys) {
  std::unordered_map<TKey, std::int32_t> index;
  index.reserve(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) index.emplace(keys[i], std::int32_t(i));
  return index;
}

// An object's text, or nothing for an object the set does not have.
std::string_view Read(const TObjectSet& file, std::int32_t index, TObjectReader& reader) {
  return index < 0 ? std::string_view{} : reader.Text(file.GetObject(index));
}

std::string Preamble(const TObjectSet& set) {
  const auto* file = dynamic_cast<const TObjectTextFile*>(&set);
  if (!file) return {};
  const vexa::ExclusiveFile* stream = file->Stream();
  std::int64_t end = file->GetCount() > 0 ? file->GetObject(0).StartOffset() : 0;
  if (!stream) return {};
  if (file->GetCount() == 0) end = stream->Size();
  std::string text(std::size_t(end), '\0');
  stream->ReadAt(0, text.data(), text.size());
  return text;
}

std::string_view Body(std::string_view object) {
  const std::size_t eol = object.find_first_of("\r\n");
  if (eol == std::string_view::npos) return {};
  std::size_t at = eol + 1;
  if (object[eol] == '\r' && at < object.size() && object[at] == '\n') ++at;
  return object.substr(at);
}

std::string_view Header(std::string_view object) {
  return object.substr(0, object.size() - Body(object).size());
}

}  // namespace

std::string_view MergeStatusName(TMergeStatus status) {
  static constexpr std::string_view Names[MergeStatusCount] = {
      "merged",  "conflict", "taken from modified", "taken from target", "added",
      "deleted", "unchanged"};
  return Names[std::size_t(status)];
}

const TObjectTextObject& ItemObject(const TMergeItem& item, const TObjectSet& original,
                                    const TObjectSet& modified, const TObjectSet& target) {
  if (item.TargetIndex >= 0) return target.GetObject(item.TargetIndex);
  if (item.ModifiedIndex >= 0) return modified.GetObject(item.ModifiedIndex);
  return original.GetObject(item.OriginalIndex);
}

TObjectResult MergeObjectTexts(std::string_view original, std::string_view modified,
                               std::string_view target, bool inOriginal, bool inModified,
                               bool inTarget, const TMergeOptions& options, TMergeStatus& status) {
  auto take = [&](TMergeStatus s, std::string_view text) {
    status = s;
    TObjectResult result;
    result.Taken = text;
    return result;
  };
  if (!inOriginal) {
    if (!inModified || !inTarget || modified == target)
      return take(TMergeStatus::msAdded, inTarget ? target : modified);
  } else if (!inModified || !inTarget) {
    const std::string_view kept = inModified ? modified : target;
    if ((!inModified && !inTarget) || kept == original) return take(TMergeStatus::msDeleted, {});
    // Deleted on one side, changed on the other: the changed object, its
    // body in a conflict, so that it stays one object under its header.
    TObjectResult result;
    result.IsMerged = true;
    result.Conflicts = 1;
    result.Merged = Header(kept);
    AppendConflict(result.Merged, Body(original), inModified ? Body(modified) : std::string_view{},
                   inTarget ? Body(target) : std::string_view{}, LineBreakOf(kept));
    status = TMergeStatus::msConflict;
    return result;
  } else if (modified == original) {
    return take(target == original ? TMergeStatus::msUnchanged : TMergeStatus::msTakenFromTarget,
                target);
  } else if (target == original || modified == target) {
    return take(TMergeStatus::msTakenFromModified, modified);
  }
  TObjectMerge merged =
      MergeObject(inOriginal ? original : std::string_view{}, modified, target, options);
  status = merged.Conflicts > 0 ? TMergeStatus::msConflict : TMergeStatus::msMerged;
  TObjectResult result;
  result.IsMerged = true;
  result.Conflicts = merged.Conflicts;
  result.Merged = std::move(merged.Text);
  return result;
}

TFileMerge MergeFiles(const TObjectSet& original, const TObjectSet& modified,
                      const TObjectSet& target, const TMergeOptions& options,
                      const TMergeWriter& write) {
  const std::vector<TKey> oKeys = Keys(original), aKeys = Keys(modified), bKeys = Keys(target);
  const auto oIndex = IndexOf(oKeys), aIndex = IndexOf(aKeys), bIndex = IndexOf(bKeys);
  auto find = [](const std::unordered_map<TKey, std::int32_t>& index, TKey key) {
    const auto it = index.find(key);
    return it == index.end() ? -1 : it->second;
  };
  TFileMerge merge;
  for (TKey key : MergedOrder(&oKeys, aKeys, bKeys))
    merge.Items.push_back({find(oIndex, key), find(aIndex, key), find(bIndex, key)});
  for (std::size_t i = 0; i < oKeys.size(); ++i)
    if (find(aIndex, oKeys[i]) < 0 && find(bIndex, oKeys[i]) < 0)
      merge.Items.push_back({std::int32_t(i), -1, -1});

  // Each side read in its own order, which is mostly its file's.
  TObjectReader oReader, aReader, bReader;
  // An object that ends without a line break (the last of its file) gets
  // one before the next, so that the next header starts its own line.
  bool atLineStart = true;
  {
    const std::string o = Preamble(original), a = Preamble(modified), b = Preamble(target);
    const bool fromTarget = a == o;
    const std::string& preamble = fromTarget ? b : a;
    write(nullptr, preamble);
    // What stands before a file's first object (a byte order mark, say)
    // ends where a header may start.
    atLineStart = (fromTarget ? target : modified).GetCount() > 0 || EndsAtLineStart(preamble);
  }
  const std::string_view lineBreak =
      target.GetCount() > 0 ? LineBreakOf(Read(target, 0, bReader)) : std::string_view("\r\n");
  auto put = [&](const TMergeItem* item, std::string_view text) {
    if (text.empty()) return write(item, text);
    if (!atLineStart) write(nullptr, lineBreak);
    write(item, text);
    atLineStart = EndsAtLineStart(text);
  };
  for (TMergeItem& item : merge.Items) {
    const std::string_view o = Read(original, item.OriginalIndex, oReader);
    const std::string_view a = Read(modified, item.ModifiedIndex, aReader);
    const std::string_view b = Read(target, item.TargetIndex, bReader);
    const TObjectResult result =
        MergeObjectTexts(o, a, b, item.OriginalIndex >= 0, item.ModifiedIndex >= 0,
                         item.TargetIndex >= 0, options, item.Status);
    item.Conflicts = result.Conflicts;
    ++merge.Counts.Of[std::size_t(item.Status)];
    put(&item, result.Text());
  }
  return merge;
}

std::string MergeSummaryText(const TMergeCounts& counts) {
  std::string text;
  for (std::size_t s = 0; s < MergeStatusCount; ++s) {
    if (!text.empty()) text += ", ";
    text += GroupedNumber(counts.Of[s]) + " " + std::string(MergeStatusName(TMergeStatus(s)));
  }
  return text;
}

}  // namespace merge
