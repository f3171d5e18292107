// SPDX-License-Identifier: MIT
// Where in an object's text a use of one object may stand: the places a
// search for uses looks at closely, found without lexing the text; internal
// to this library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cal::detail {

// What an object must hold to be looked at closely: the number where a
// reference by number can stand, or the name where a name can refer.
struct TCandidateNeedles {
  std::string Number;
  std::string Name;

  TCandidateNeedles(std::int32_t id, std::string name)
      : Number(std::to_string(id)), Name(std::move(name)) {}

  // The offsets of every candidate in bytes, in order.
  void Find(std::string_view bytes, std::vector<std::size_t>& candidates) const;
};

}  // namespace cal::detail
