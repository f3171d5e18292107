// SPDX-License-Identifier: MIT
#include "findall.h"

#include <string>

namespace marlox::cli {

std::size_t FindAll(TObjectTextFile& file, const std::string& fileName, const std::string& needle,
                    bool matchCase, const std::function<void(const TMatch&)>& report,
                    const TObjectAccept& accept, bool acceptAtEnd) {
  // One read of the file: the load's scan hands each stretch to the search.
  return FindWhileLoading(file, fileName, needle, matchCase, report, accept, acceptAtEnd);
}

bool MayReadDates(std::string_view filterExpression) {
  // A word that merely contains "date:" only makes the matches wait.
  std::string lower(filterExpression);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return lower.find("date:") != std::string::npos;
}

}  // namespace marlox::cli
