// SPDX-License-Identifier: MIT
#include "mergeresult.h"

namespace merge {

std::string ResolveConflict(std::string_view text, std::size_t block, TConflictChoice choice) {
  const std::vector<TConflictBlock> blocks = FindConflicts(text);
  if (block >= blocks.size()) return std::string(text);
  const TConflictBlock& b = blocks[block];
  std::string result(text.substr(0, b.Begin));
  switch (choice) {
    case TConflictChoice::ccOriginal: result += b.Original; break;
    case TConflictChoice::ccModified: result += b.Modified; break;
    case TConflictChoice::ccTarget: result += b.Target; break;
    case TConflictChoice::ccBoth:
      result += b.Modified;
      result += b.Target;
      break;
  }
  result += text.substr(b.End);
  return result;
}

TMergeResult::TMergeResult(const TObjectSet& original, const TObjectSet& modified,
                           const TObjectSet& target, const TMergeOptions& options)
    : FOriginal(original), FModified(modified), FTarget(target) {
  bool first = true;
  TFileMerge merge = MergeFiles(
      original, modified, target, options, [&](const TMergeItem* item, std::string_view text) {
        if (!item) {
          // The first text is the preamble; the others are the line
          // breaks put between objects, which Write puts again.
          if (first) FPreamble = text;
          if (!first && FLineBreak.empty()) FLineBreak = text;
          first = false;
          return;
        }
        first = false;
        const bool merged =
            item->Status == TMergeStatus::msMerged || item->Status == TMergeStatus::msConflict;
        FTexts.emplace_back(merged ? text : std::string_view{});
      });
  FItems = std::move(merge.Items);
  FCounts = merge.Counts;
  if (FLineBreak.empty())
    FLineBreak = target.GetCount() > 0 ? LineBreakOf(target.GetObject(0).GetText()) : "\r\n";
}

const TObjectTextObject& TMergeResult::Object(std::size_t item) const {
  return ItemObject(FItems[item], FOriginal, FModified, FTarget);
}

// A result that is one side's object unchanged is read from that side, the
// side MergeObjectTexts took it from.
std::string TMergeResult::Text(std::size_t item) const {
  const TMergeItem& i = FItems[item];
  switch (i.Status) {
    case TMergeStatus::msMerged:
    case TMergeStatus::msConflict: return FTexts[item];
    case TMergeStatus::msDeleted: return {};
    case TMergeStatus::msTakenFromModified: return FModified.GetObject(i.ModifiedIndex).GetText();
    case TMergeStatus::msAdded:
      if (i.TargetIndex < 0) return FModified.GetObject(i.ModifiedIndex).GetText();
      break;
    case TMergeStatus::msTakenFromTarget:
    case TMergeStatus::msUnchanged: break;
  }
  return FTarget.GetObject(i.TargetIndex).GetText();
}

std::vector<TConflictBlock> TMergeResult::Conflicts(std::size_t item) const {
  if (FItems[item].Status != TMergeStatus::msConflict) return {};
  return FindConflicts(FTexts[item]);
}

void TMergeResult::SetStatus(TMergeItem& item, TMergeStatus status) {
  --FCounts.Of[std::size_t(item.Status)];
  item.Status = status;
  ++FCounts.Of[std::size_t(status)];
}

void TMergeResult::Resolve(std::size_t item, std::size_t block, TConflictChoice choice) {
  TMergeItem& i = FItems[item];
  if (i.Status != TMergeStatus::msConflict) return;
  const bool deletedOnOneSide = i.OriginalIndex >= 0 && (i.ModifiedIndex < 0 || i.TargetIndex < 0);
  if (deletedOnOneSide && ((choice == TConflictChoice::ccModified && i.ModifiedIndex < 0) ||
                           (choice == TConflictChoice::ccTarget && i.TargetIndex < 0))) {
    // The header alone would be left; the side that deleted it wins.
    FTexts[item].clear();
    i.Conflicts = 0;
    return SetStatus(i, TMergeStatus::msDeleted);
  }
  FTexts[item] = ResolveConflict(FTexts[item], block, choice);
  i.Conflicts = std::int32_t(FindConflicts(FTexts[item]).size());
  if (i.Conflicts == 0) SetStatus(i, TMergeStatus::msMerged);
}

void TMergeResult::Write(std::ostream& stream) const {
  // As MergeFiles joins them: each object's header starts a line.
  stream << FPreamble;
  bool atLineStart = EndsAtLineStart(FPreamble);
  for (std::size_t item = 0; item < FItems.size(); ++item) {
    const std::string text = Text(item);
    if (text.empty()) continue;
    if (!atLineStart) stream << FLineBreak;
    stream << text;
    atLineStart = EndsAtLineStart(text);
  }
}

}  // namespace merge
