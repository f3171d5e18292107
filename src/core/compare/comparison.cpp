// SPDX-License-Identifier: MIT
#include "comparison.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "propertyblock.h"

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

// A read buffer that grows but never shrinks or clears, so that reading
// into it costs no more than the read.
struct TBuffer {
  std::string Bytes;
  std::size_t Size = 0;
  std::string_view View() const { return std::string_view(Bytes.data(), Size); }
};

// Reads count bytes of object from offset from on, appending to buffer.
void AppendBytes(const TObjectTextObject& object, std::size_t from, std::size_t count,
                 TBuffer& buffer) {
  const vexa::ExclusiveFile* stream = object.Owner().Stream();
  if (!stream) {
    object.GetText();  // raises the error for an object whose file is gone
    return;
  }
  if (buffer.Bytes.size() < buffer.Size + count) buffer.Bytes.resize(buffer.Size + count);
  stream->ReadAt(std::int64_t(object.StartOffset()) + std::int64_t(from),
                 buffer.Bytes.data() + buffer.Size, count);
  buffer.Size += count;
}

std::size_t Length(const TObjectTextObject& object) {
  return std::size_t(std::max<std::int32_t>(object.Length(), 0));
}

// Compares one pair, reading each byte once. When the sizes differ and line
// breaks count, the heads (with the properties block) are read first: if what
// follows the block differs in length, the rest need not be read at all.
class TPairReader {
 public:
  explicit TPairReader(const TComparisonOptions& options) : FOptions(options) {}

  TComparisonStatus Compare(const TObjectTextObject& oldObject,
                            const TObjectTextObject& newObject) {
    const std::size_t oldLength = Length(oldObject);
    const std::size_t newLength = Length(newObject);
    FOld.Size = 0;
    FNew.Size = 0;
    if (!FOptions.IgnoreLineBreaks && oldLength != newLength) {
      const std::size_t oldHead = std::min(oldLength, HeadSize);
      const std::size_t newHead = std::min(newLength, HeadSize);
      AppendBytes(oldObject, 0, oldHead, FOld);
      AppendBytes(newObject, 0, newHead, FNew);
      const TPropertyBlock oldBlock = CompleteBlock(FOld.View(), oldLength);
      const TPropertyBlock newBlock = CompleteBlock(FNew.View(), newLength);
      if (oldBlock.Found && newBlock.Found) {
        if (oldLength - oldBlock.End != newLength - newBlock.End ||
            FOld.View().substr(0, oldBlock.Begin) != FNew.View().substr(0, newBlock.Begin))
          return TComparisonStatus::csChanged;
      } else if (oldHead == oldLength && newHead == newLength) {
        return TComparisonStatus::csChanged;  // no block to explain the difference
      }
      AppendBytes(oldObject, oldHead, oldLength - oldHead, FOld);
      AppendBytes(newObject, newHead, newLength - newHead, FNew);
    } else {
      AppendBytes(oldObject, 0, oldLength, FOld);
      AppendBytes(newObject, 0, newLength, FNew);
    }
    return CompareTexts(FOld.View(), FNew.View(), FOptions);
  }

 private:
  // Enough for any header, opening brace and properties block.
  static constexpr std::size_t HeadSize = 64 * 1024;

  // The block found in the head only when the rest of the text cannot move it.
  static TPropertyBlock CompleteBlock(std::string_view head, std::size_t length) {
    TPropertyBlock block = FindPropertiesBlock(head);
    if (block.Found && head.size() < length && block.End >= head.size()) block.Found = false;
    return block;
  }

  const TComparisonOptions& FOptions;
  TBuffer FOld;
  TBuffer FNew;
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

TComparison CompareFiles(const TObjectSet& oldFile, const TObjectSet& newFile,
                         const TComparisonOptions& options) {
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
  TPairReader reader(options);
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
