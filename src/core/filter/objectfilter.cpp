// SPDX-License-Identifier: MIT
#include "objectfilter.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace {

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

std::string Lower(std::string_view s) {
  std::string result(s);
  for (char& c : result)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return result;
}

const char* const KindsText = "type:, id:, name:, version:, modified:, date: or a word of the name";

[[noreturn]] void Fail(std::string_view term, std::string_view expected) {
  throw EFilterError("Invalid filter term '" + std::string(term) + "': expected " +
                     std::string(expected));
}

std::vector<std::string_view> Alternatives(std::string_view value) {
  std::vector<std::string_view> parts;
  std::size_t from = 0;
  for (;;) {
    const std::size_t bar = value.find('|', from);
    parts.push_back(value.substr(from, bar == std::string_view::npos ? bar : bar - from));
    if (bar == std::string_view::npos) return parts;
    from = bar + 1;
  }
}

// A term as typed: its raw text, and its key and value with quotes taken out.
struct TToken {
  std::string Source;
  std::string Key;  // empty for a bare word
  std::string Value;
  bool UnknownKey = false;  // a colon outside quotes after no letters-only key
};

// Splits at spaces outside double quotes; a quoted part keeps its spaces.
std::vector<TToken> Tokens(std::string_view expression) {
  std::vector<TToken> tokens;
  std::size_t pos = 0;
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (pos < expression.size()) {
    if (space(expression[pos])) {
      ++pos;
      continue;
    }
    TToken token;
    const std::size_t start = pos;
    bool quoted = false;
    bool anyQuote = false;
    std::string text;
    std::size_t keyEnd = std::string::npos;
    for (; pos < expression.size() && (quoted || !space(expression[pos])); ++pos) {
      const char c = expression[pos];
      if (c == '"') {
        quoted = !quoted;
        anyQuote = true;
      } else {
        if (c == ':' && !quoted && !anyQuote && keyEnd == std::string::npos) keyEnd = text.size();
        text += c;
      }
    }
    token.Source = std::string(expression.substr(start, pos - start));
    if (quoted) Fail(token.Source, "a closing \"");
    // A colon before any quote makes a key, so "a:b" in quotes stays a word;
    // keys are letters only, so "type2:" or ":" cannot match silently.
    const bool letters =
        keyEnd != std::string::npos && keyEnd > 0 &&
        std::all_of(text.begin(), text.begin() + std::ptrdiff_t(keyEnd),
                    [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
    if (letters) {
      token.Key = Lower(std::string_view(text).substr(0, keyEnd));
      token.Value = text.substr(keyEnd + 1);
    } else {
      token.Value = text;
      token.UnknownKey = keyEnd != std::string::npos;
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

std::optional<std::int64_t> Number(std::string_view text) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return value;
}

// yyyy-mm-dd as yyyymmdd.
std::optional<std::int64_t> IsoDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  const auto number = DateNumber(text, TDateOrder::doDayMonth);
  if (!number) return std::nullopt;
  return *number;
}

// "a..b", "a..", "..b" or "a" with each side read by parse; alternatives by '|'.
template <typename Parse>
std::vector<std::pair<std::int64_t, std::int64_t>> Ranges(std::string_view value,
                                                          std::string_view source,
                                                          std::string_view expected, Parse parse) {
  std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
  for (const std::string_view part : Alternatives(value)) {
    const std::size_t dots = part.find("..");
    std::optional<std::int64_t> low, high;
    if (dots == std::string_view::npos) {
      low = high = parse(part);
      if (!low) Fail(source, expected);
    } else {
      const std::string_view left = part.substr(0, dots);
      const std::string_view right = part.substr(dots + 2);
      if (left.empty() && right.empty()) Fail(source, expected);
      low = left.empty() ? std::optional<std::int64_t>(std::numeric_limits<std::int64_t>::min())
                         : parse(left);
      high = right.empty() ? std::optional<std::int64_t>(std::numeric_limits<std::int64_t>::max())
                           : parse(right);
      if (!low || !high) Fail(source, expected);
      if (*low > *high) Fail(source, "a range whose start is not after its end");
    }
    ranges.emplace_back(*low, *high);
  }
  return ranges;
}

bool InRanges(const std::vector<std::pair<std::int64_t, std::int64_t>>& ranges, std::int64_t v) {
  for (const auto& [low, high] : ranges)
    if (v >= low && v <= high) return true;
  return false;
}

}  // namespace

TObjectFilter::TObjectFilter(std::string_view expression, TFilterOptions options)
    : FOptions(std::move(options)) {
  for (const TToken& token : Tokens(expression)) {
    if (token.UnknownKey) FailKey(token.Source);
    AddTerm(token.Key, token.Value, token.Source);
  }
}

void TObjectFilter::FailKey(std::string_view source) const {
  std::string kinds = KindsText;
  for (const auto& [name, kind] : FOptions.ExtraKinds) kinds = name + ":, " + kinds;
  Fail(source, kinds);
}

void TObjectFilter::AddTerm(std::string_view key, std::string_view value, std::string_view source) {
  TTerm term{};
  auto patterns = [&](std::string_view expected) {
    for (const std::string_view part : Alternatives(value)) {
      if (part.empty()) Fail(source, expected);
      std::string pattern(part);
      for (char& c : pattern) c = Upper(c);
      term.Patterns.push_back(std::move(pattern));
    }
  };
  if (key.empty()) {
    if (value.empty()) Fail(source, "a word of the name");
    term.Kind = TKind::tkName;
    for (const std::string_view part : Alternatives(value)) {
      if (part.empty()) Fail(source, "a word of the name");
      term.Patterns.push_back("*" + std::string(part) + "*");
      for (char& c : term.Patterns.back()) c = Upper(c);
    }
  } else if (key == "type") {
    term.Kind = TKind::tkType;
    for (const std::string_view part : Alternatives(value)) {
      const std::string word = Lower(part);
      int found = -1;
      int prefixes = 0;
      for (std::size_t i = 0; i < ObjectTypeNames.size() && !word.empty(); ++i) {
        const std::string name = Lower(ObjectTypeNames[i]);
        if (name == word) {
          found = int(i);
          prefixes = 1;
          break;
        }
        if (name.rfind(word, 0) == 0) {
          found = int(i);
          ++prefixes;
        }
      }
      if (prefixes != 1)
        Fail(source, prefixes > 1 ? "an unambiguous object type"
                                  : "object types such as table, page or codeunit, "
                                    "parted by |");
      term.Types = std::uint16_t(term.Types | (1u << found));
    }
  } else if (key == "id") {
    term.Kind = TKind::tkID;
    term.Ranges =
        Ranges(value, source, "numbers such as 50000..59999, ..100, 50000.. or 18|27", Number);
  } else if (key == "name") {
    term.Kind = TKind::tkName;
    patterns("a name, with * and ? as wildcards");
  } else if (key == "version") {
    term.Kind = TKind::tkVersion;
    patterns("a version list, with * and ? as wildcards");
  } else if (key == "modified") {
    term.Kind = TKind::tkModified;
    for (const std::string_view part : Alternatives(value)) {
      const std::string word = Lower(part);
      if (word == "yes")
        term.ModifiedYes = true;
      else if (word == "no")
        term.ModifiedNo = true;
      else
        Fail(source, "yes or no");
    }
  } else if (key == "date") {
    term.Kind = TKind::tkDate;
    term.Ranges = Ranges(
        value, source, "dates such as 2018-01-01..2018-12-31, ..2018-12-31 or 2018-06-30", IsoDate);
  } else if (auto extra = FOptions.ExtraKinds.find(std::string(key));
             extra != FOptions.ExtraKinds.end()) {
    term.Kind = TKind::tkOther;
    term.Other = extra->second(value);
  } else {
    FailKey(source);
  }
  FTerms.push_back(std::move(term));
}

bool TObjectFilter::TermHolds(const TTerm& term, const TObjectTextObject& object) const {
  switch (term.Kind) {
    case TKind::tkType: return (term.Types >> unsigned(object.ObjectType())) & 1u;
    case TKind::tkID: return InRanges(term.Ranges, object.ID());
    case TKind::tkName:
    case TKind::tkVersion: {
      const std::string_view text =
          term.Kind == TKind::tkName ? std::string_view(object.Name()) : object.VersionList();
      return std::any_of(term.Patterns.begin(), term.Patterns.end(),
                         [&](const std::string& p) { return WildcardMatch(p, text); });
    }
    case TKind::tkModified: return object.Modified() ? term.ModifiedYes : term.ModifiedNo;
    case TKind::tkDate: {
      const auto date =
          DateNumber(object.Date(), FOptions.DateOrder.value_or(object.Owner().DateOrder()));
      return date && InRanges(term.Ranges, *date);
    }
    case TKind::tkOther: return term.Other(object);
  }
  return false;
}

bool TObjectFilter::Matches(const TObjectTextObject& object) const {
  for (const TTerm& term : FTerms)
    if (!TermHolds(term, object)) return false;
  return true;
}

std::vector<std::int32_t> TObjectFilter::MatchingIndexes(const TObjectSet& file) const {
  std::vector<std::int32_t> result;
  for (std::int32_t i = 0; i < file.GetCount(); ++i)
    if (Matches(file.GetObject(i))) result.push_back(i);
  return result;
}

bool TObjectFilter::WildcardMatch(std::string_view pattern, std::string_view text) {
  // Greedy with one step back to the last '*': linear for the patterns people type.
  std::size_t p = 0, t = 0;
  std::size_t star = std::string_view::npos, resume = 0;
  while (t < text.size()) {
    // '*' first: it stays a wildcard where the text holds a '*' too.
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && (pattern[p] == '?' || Upper(pattern[p]) == Upper(text[t]))) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}
