// SPDX-License-Identifier: MIT
// Writing one value into any file: a value that can be stored reads back as
// written (blanks and one pair of quotes aside) and every other key reads as
// before; one that cannot is refused with the documented error and the file
// stays as it was. Integers and flags come back exactly.
//
// Input: section, key and value, each ended by a 0x01 byte, then the file.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fuzzsupport.h"
#include "naiveprofile.h"
#include "profile.h"

namespace {

// The default that stands for "no such key"; no ordinary file holds it.
constexpr std::string_view Absent = "\x02 absent";

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool Storable(std::string_view section, std::string_view key, std::string_view value) {
  return !section.empty() && naive::Trim(section) == section && !HasLineBreakOrNul(section) &&
         section.find(']') == std::string_view::npos && !key.empty() && naive::Trim(key) == key &&
         !HasLineBreakOrNul(key) && key.find('=') == std::string_view::npos && key[0] != ';' &&
         key[0] != '[' && !HasLineBreakOrNul(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::TInput input(data, size);
  const std::string section(input.Until('\x01'));
  const std::string key(input.Until('\x01'));
  const std::string value(input.Until('\x01'));
  const std::string content(input.Rest());

  const std::string path = fuzz::WriteScratchFile("write.zup", content);
  TIniProfile profile(path);
  // The keys the file names (enough of them to stay fast), and a few it may not.
  std::vector<std::pair<std::string, std::string>> probes = naive::IniKeys(content);
  if (probes.size() > 64) probes.resize(64);
  probes.emplace_back(section, "Other");
  probes.emplace_back("Other", key);
  std::vector<std::string> before;
  for (const auto& [s, k] : probes) {
    before.push_back(profile.ReadString(s, k, Absent));
    FUZZ_CHECK(before.back() == naive::ReadString(content, s, k, Absent));
  }

  try {
    profile.WriteString(section, key, value);
    FUZZ_CHECK(Storable(section, key, value));
  } catch (const FileError& error) {
    FUZZ_CHECK(!Storable(section, key, value));
    FUZZ_CHECK(error.what() == std::string(ProfileWriteErrorText) + profile.FileName());
    FUZZ_CHECK(fuzz::ReadScratchFile(path) == content);
    return 0;
  }
  const std::string written = fuzz::ReadScratchFile(path);
  FUZZ_CHECK(profile.ReadString(section, key, Absent) == naive::ReadValue(naive::Trim(value)));
  FUZZ_CHECK(naive::ReadString(written, section, key, Absent) ==
             naive::ReadValue(naive::Trim(value)));
  for (std::size_t i = 0; i < probes.size(); ++i) {
    const auto& [s, k] = probes[i];
    if (naive::SameText(s, section) && naive::SameText(k, key)) continue;
    FUZZ_CHECK(profile.ReadString(s, k, Absent) == before[i]);
  }

  // Numbers and flags, drawn from the value's bytes, come back exactly.
  fuzz::TInput digits(reinterpret_cast<const std::uint8_t*>(value.data()), value.size());
  const std::int32_t number = digits.Int32();
  profile.WriteInteger(section, key, number);
  FUZZ_CHECK(profile.ReadInteger(section, key, number ^ 1) == number);
  profile.WriteBool(section, key, number & 1);
  FUZZ_CHECK(profile.ReadBool(section, key, !(number & 1)) == bool(number & 1));
  return 0;
}
