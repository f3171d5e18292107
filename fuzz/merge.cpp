// SPDX-License-Identifier: MIT
// The three-way merge of small inputs: an object unchanged on one side
// always takes the other, merge(X, X, Y) and merge(X, Y, X) give Y, for one
// object's structure and for whole files; a merge never crashes, its marks
// are as many as its conflicts, and it never joins or splits objects.
//
// Input: X, byte 1, Y, byte 1, Z (the three texts; missing ones are empty).
#include <cstdint>
#include <string>
#include <string_view>

#include "filemerge.h"
#include "fuzzsupport.h"
#include "linemerge.h"
#include "objectmerge.h"
#include "vexafile.h"

namespace {

bool HoldsMarks(std::string_view text) {
  for (std::string_view mark :
       {merge::TargetMark, merge::OriginalMark, merge::ModifiedMark, merge::EndMark})
    if (text.find(mark.substr(0, 7)) != std::string_view::npos) return true;
  return false;
}

std::string MergeFiles(const std::string& o, const std::string& a, const std::string& b,
                       merge::TFileMerge& result) {
  TObjectTextFile files[3];
  const std::string* texts[3] = {&o, &a, &b};
  for (int i = 0; i < 3; ++i) {
    try {
      files[i].LoadFromFile(fuzz::WriteScratchFile("side" + std::to_string(i), *texts[i]));
    } catch (const ConversionError&) {
      return "(unreadable)";
    }
  }
  std::string out;
  result = merge::MergeFiles(files[0], files[1], files[2], {},
                             [&](const merge::TMergeItem*, std::string_view text) { out += text; });
  return out;
}

std::int32_t ObjectsIn(const std::string& text) {
  TObjectTextFile file;
  try {
    file.ParseText(text);
  } catch (const ConversionError&) {
    return -1;
  }
  return file.GetCount();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  fuzz::TInput input(data, size);
  const std::string x(input.Until('\x01')), y(input.Until('\x01')), z(input.Rest());

  // One object, through the element-wise merge itself.
  for (const std::string& changed : {y, z}) {
    const merge::TObjectMerge left = merge::MergeObject(x, x, changed, {});
    FUZZ_CHECK(left.Text == changed && left.Conflicts == 0);
    const merge::TObjectMerge right = merge::MergeObject(x, changed, x, {});
    FUZZ_CHECK(right.Text == changed && right.Conflicts == 0);
    const merge::TObjectMerge same = merge::MergeObject(x, changed, changed, {});
    FUZZ_CHECK(same.Text == changed && same.Conflicts == 0);
  }
  const merge::TObjectMerge three = merge::MergeObject(x, y, z, {});
  if (!HoldsMarks(x) && !HoldsMarks(y) && !HoldsMarks(z))
    FUZZ_CHECK(std::int32_t(merge::FindConflicts(three.Text).size()) == three.Conflicts);

  // Whole files.
  merge::TFileMerge result;
  const std::string xxy = MergeFiles(x, x, y, result);
  if (xxy == "(unreadable)") return 0;
  FUZZ_CHECK(xxy == y);
  for (const merge::TMergeItem& item : result.Items)
    FUZZ_CHECK(item.Status != merge::TMergeStatus::msConflict &&
               item.Status != merge::TMergeStatus::msMerged);
  FUZZ_CHECK(MergeFiles(x, y, x, result) == y);
  const std::string xyz = MergeFiles(x, y, z, result);
  if (xyz == "(unreadable)") return 0;
  std::int32_t kept = 0, conflicts = 0;
  for (const merge::TMergeItem& item : result.Items) {
    kept += item.Status != merge::TMergeStatus::msDeleted;
    conflicts += item.Conflicts;
  }
  FUZZ_CHECK(ObjectsIn(xyz) == kept);
  if (!HoldsMarks(x) && !HoldsMarks(y) && !HoldsMarks(z))
    FUZZ_CHECK(std::int32_t(merge::FindConflicts(xyz).size()) == conflicts);
  return 0;
}
