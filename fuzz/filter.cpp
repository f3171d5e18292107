// SPDX-License-Identifier: MIT
// Filter expressions: any expression compiles or is refused with the
// filter's own error naming the term; a compiled filter picks the same
// objects as its terms doubled; type terms pick by type alone; and the
// wildcard match agrees with a plain recursive one.
//
// Input: an expression, byte 1, the text of a small file.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzzsupport.h"
#include "objectfilter.h"
#include "vexafile.h"

namespace {

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

// Whether pattern[i..] matches text[j..], for every i and j, last to first.
bool NaiveWildcard(std::string_view pattern, std::string_view text) {
  const std::size_t p = pattern.size(), t = text.size();
  std::vector<std::vector<bool>> match(p + 1, std::vector<bool>(t + 1, false));
  match[p][t] = true;
  for (std::size_t i = p; i-- > 0;)
    for (std::size_t j = t + 1; j-- > 0;) {
      if (pattern[i] == '*')
        match[i][j] = match[i + 1][j] || (j < t && match[i][j + 1]);
      else
        match[i][j] = j < t && (pattern[i] == '?' || Upper(pattern[i]) == Upper(text[j])) &&
                      match[i + 1][j + 1];
    }
  return match[0][0];
}

TFilterOptions Options(std::uint8_t choice) {
  TFilterOptions options;
  if (choice & 1) options.DateOrder = choice & 2 ? TDateOrder::doMonthDay : TDateOrder::doDayMonth;
  // A kind of the caller's own, as the comparison adds "status".
  options.ExtraKinds["even"] = [](std::string_view value) -> TObjectPredicate {
    if (value != "yes" && value != "no")
      throw EFilterError("Invalid filter term: expected yes or no");
    const bool even = value == "yes";
    return [even](const TObjectTextObject& o) { return (o.ID() % 2 == 0) == even; };
  };
  return options;
}

std::vector<std::int32_t> Naive(const TObjectFilter& filter, const TObjectTextFile& file) {
  std::vector<std::int32_t> matches;
  for (std::int32_t i = 0; i < file.GetCount(); ++i)
    if (filter.Matches(file.GetObject(i))) matches.push_back(i);
  return matches;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::TInput input(data, size);
  const std::uint8_t choice = input.Byte();
  const std::string expression(input.Until('\x01'));
  const std::string text(input.Rest());

  TObjectFilter filter;
  try {
    filter = TObjectFilter(expression, Options(choice));
  } catch (const EFilterError& error) {
    // The message quotes the term as typed (the extra kind's own message aside).
    const std::string message = error.what();
    FUZZ_CHECK(!message.empty());
    const std::string lead = "Invalid filter term '";
    // what() ends at a NUL byte in the term; no front end can pass one in.
    if (expression.find('\0') != std::string::npos) return 0;
    if (message.starts_with(lead)) {
      const std::size_t end = message.find("': expected ", lead.size());
      FUZZ_CHECK(end != std::string::npos && end > lead.size());
      FUZZ_CHECK(expression.find(message.substr(lead.size(), end - lead.size())) !=
                 std::string::npos);
    } else {
      FUZZ_CHECK(message == "Invalid filter term: expected yes or no");
    }
    return 0;
  }
  FUZZ_CHECK(filter.Empty() == (expression.find_first_not_of(" \t\r\n") == std::string::npos));

  TObjectTextFile file;
  try {
    file.ParseText(text);
  } catch (const ConversionError&) {
    // The entries before the bad header still stand.
  }
  const std::vector<std::int32_t> matches = filter.MatchingIndexes(file);
  FUZZ_CHECK(matches == Naive(filter, file));
  // A term twice holds where it holds once.
  const TObjectFilter doubled(expression + " " + expression, Options(choice));
  FUZZ_CHECK(doubled.MatchingIndexes(file) == matches);

  // Every type named picks every object; one type picks that type only.
  std::string all = "type:";
  for (std::size_t t = 0; t < ObjectTypeCount; ++t) {
    all += std::string(ObjectTypeNames[t]) + (t + 1 < ObjectTypeCount ? "|" : "");
    const TObjectFilter one("type:" + std::string(ObjectTypeNames[t]));
    for (std::int32_t i = 0; i < file.GetCount(); ++i)
      FUZZ_CHECK(one.Matches(file.GetObject(i)) ==
                 (std::size_t(file.GetObject(i).ObjectType()) == t));
  }
  FUZZ_CHECK(TObjectFilter(all).MatchingIndexes(file).size() == std::size_t(file.GetCount()));

  // The expression as a wildcard pattern against the names.
  if (expression.size() <= 256) {
    for (std::int32_t i = 0; i < file.GetCount(); ++i) {
      const std::string& name = file.GetObject(i).Name();
      FUZZ_CHECK(TObjectFilter::WildcardMatch(expression, name) == NaiveWildcard(expression, name));
    }
    FUZZ_CHECK(TObjectFilter::WildcardMatch(expression, text.substr(0, 256)) ==
               NaiveWildcard(expression, text.substr(0, 256)));
  }
  return 0;
}
