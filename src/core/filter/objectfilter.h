// SPDX-License-Identifier: MIT
// The object filter language shared by the window and the command line:
// terms separated by spaces, all of which must hold, for example
//   type:table|page id:50000..59999 name:*Sales* version:*ABC1* modified:yes
//   date:2018-01-01..2018-12-31 Customer
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "errors.h"
#include "vexafile.h"

// A malformed expression; the message names the term and what was expected.
class EFilterError : public VexaError {
 public:
  using VexaError::VexaError;
};

using TObjectPredicate = std::function<bool(const TObjectTextObject&)>;

// Compiles the value of a term of a kind the caller adds (the text after
// "key:"); throws EFilterError when the value is wrong.
using TFilterTermKind = std::function<TObjectPredicate(std::string_view value)>;

struct TFilterOptions {
  // Overrides the order of day and month that each file decides for itself.
  std::optional<TDateOrder> DateOrder;
  // More term kinds by their key in lower case, such as "status".
  std::map<std::string, TFilterTermKind> ExtraKinds;
};

class TObjectFilter {
 public:
  // A filter without terms: every object matches.
  TObjectFilter() = default;
  // Throws EFilterError for a malformed expression.
  explicit TObjectFilter(std::string_view expression, TFilterOptions options = {});

  bool Empty() const { return FTerms.empty(); }
  bool Matches(const TObjectTextObject& object) const;
  // Indexes of the matching objects of file, in file order.
  std::vector<std::int32_t> MatchingIndexes(const TObjectSet& file) const;

  // A pattern with '*' and '?' against text; letters match in either case.
  static bool WildcardMatch(std::string_view pattern, std::string_view text);

 private:
  enum class TKind : std::uint8_t { tkType, tkID, tkName, tkVersion, tkModified, tkDate, tkOther };
  struct TTerm {
    TKind Kind;
    std::uint16_t Types = 0;  // bit per type ordinal
    bool ModifiedYes = false;
    bool ModifiedNo = false;
    std::vector<std::pair<std::int64_t, std::int64_t>> Ranges;  // ids or yyyymmdd dates
    std::vector<std::string> Patterns;
    TObjectPredicate Other;
  };

  void AddTerm(std::string_view key, std::string_view value, std::string_view source);
  // The error of a term whose key is none of the known ones.
  [[noreturn]] void FailKey(std::string_view source) const;
  bool TermHolds(const TTerm& term, const TObjectTextObject& object) const;

  std::vector<TTerm> FTerms;
  TFilterOptions FOptions;
};
