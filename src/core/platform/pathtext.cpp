// SPDX-License-Identifier: MIT
#include "pathtext.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace vexa {

#ifdef _WIN32

std::wstring WideOf(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = int(utf8.size());
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(std::size_t(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

std::string Utf8Of(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = int(wide.size());
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(std::size_t(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(WideOf(utf8));
}

std::string PathText(const std::filesystem::path& path) {
  return Utf8Of(path.native());
}

std::string GenericPathText(const std::filesystem::path& path) {
  return Utf8Of(path.generic_wstring());
}

#else

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(utf8);
}

std::string PathText(const std::filesystem::path& path) {
  return path.native();
}

std::string GenericPathText(const std::filesystem::path& path) {
  return path.generic_string();
}

#endif

}  // namespace vexa
