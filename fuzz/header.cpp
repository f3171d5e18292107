// SPDX-License-Identifier: MIT
// Header numbers and header lines: the fields as written, or only the
// documented conversion error with the number text in its message.
#include <cstdint>
#include <string>

#include "fuzzsupport.h"
#include "naiveobjects.h"
#include "vexafile.h"

namespace {

// what() is a C string, so a NUL in the number text ends the message there;
// a header read from a file never holds one, as a NUL ends the line.
bool IsConversionMessage(const ConversionError& error, std::string_view number) {
  const std::string message = "'" + std::string(number) + "' is not a valid integer value";
  return std::string_view(error.what()) == std::string_view(message.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  const std::optional<std::int32_t> number = naive::HeaderNumber(text);
  try {
    const std::int32_t value = StrToInt32(text);
    FUZZ_CHECK(number && value == *number);
  } catch (const ConversionError& error) {
    FUZZ_CHECK(!number);
    FUZZ_CHECK(IsConversionMessage(error, text));
  }

  const naive::THeader header = naive::Header(text);
  TObjectTextFile owner;
  try {
    TObjectTextObject entry(owner, 0, text);
    FUZZ_CHECK(header.ID);
    FUZZ_CHECK(entry.ObjectType() == header.Type);
    FUZZ_CHECK(entry.ID() == *header.ID);
    FUZZ_CHECK(entry.Name() == header.Name);
    const std::string typeName(ObjectTypeNames[std::size_t(header.Type)]);
    const std::string id = std::to_string(*header.ID);
    FUZZ_CHECK(entry.GetDisplayName() == typeName + " " + id + " " + header.Name);
    std::string prefix = typeName.substr(0, 3);
    for (char& c : prefix) c = char(c | 0x20);
    FUZZ_CHECK(entry.GetExportFileName() == prefix + id + ".txt");
  } catch (const ConversionError& error) {
    FUZZ_CHECK(!header.ID);
    FUZZ_CHECK(IsConversionMessage(error, header.NumberText));
  }
  return 0;
}
