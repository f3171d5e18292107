// SPDX-License-Identifier: MIT
// Paths are UTF-8 text inside the program. Windows names files in UTF-16,
// and its narrow forms go through the ANSI code page, which loses every
// character it lacks; these cross between the two without it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vexa {

std::filesystem::path PathOf(const std::string& utf8);
std::string PathText(const std::filesystem::path& path);
// With '/' between the levels on every system.
std::string GenericPathText(const std::filesystem::path& path);

#ifdef _WIN32
std::wstring WideOf(std::string_view utf8);
std::string Utf8Of(std::wstring_view wide);
#endif

}  // namespace vexa
