// SPDX-License-Identifier: MIT
#include "profile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <optional>
#include <ostream>
#include <system_error>
#include <vector>

#include "osfile.h"
#include "pathtext.h"

namespace fs = std::filesystem;

namespace {

enum class TIniLineKind { lkOther, lkSection, lkEntry };

struct TIniLine {
  std::string_view Text;    // without its line break
  std::string_view Ending;  // "\n", "\r\n", or "" for a last line without one
  TIniLineKind Kind = TIniLineKind::lkOther;
  std::string_view Name;   // section or key name, blanks removed
  std::string_view Value;  // an entry's value, blanks removed
};

struct TIniLocation {
  static constexpr std::size_t None = std::string_view::npos;
  std::size_t Section = None;
  std::size_t Key = None;
  // The section's last entry line, or its header when it has no entries.
  std::size_t LastEntry = None;
};

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view Trim(std::string_view text) {
  text = TrimLeft(text);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

void Classify(TIniLine& line, std::string_view text) {
  text = TrimLeft(text);
  if (text.empty() || text.front() == ';') return;
  if (text.front() == '[') {
    std::size_t close = text.find(']');
    if (close == std::string_view::npos) return;
    line.Kind = TIniLineKind::lkSection;
    line.Name = Trim(text.substr(1, close - 1));
    return;
  }
  std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return;
  line.Kind = TIniLineKind::lkEntry;
  line.Name = Trim(text.substr(0, equals));
  line.Value = Trim(text.substr(equals + 1));
}

std::vector<TIniLine> SplitLines(std::string_view content) {
  std::vector<TIniLine> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    TIniLine line;
    std::size_t end = content.find('\n', start);
    if (end == std::string_view::npos) {
      line.Text = content.substr(start);
      start = content.size();
    } else {
      std::size_t textEnd = end > start && content[end - 1] == '\r' ? end - 1 : end;
      line.Text = content.substr(start, textEnd - start);
      line.Ending = content.substr(textEnd, end + 1 - textEnd);
      start = end + 1;
    }
    // A file saved by an editor that marks UTF-8 still has its first section.
    std::string_view text = line.Text;
    if (lines.empty() && text.starts_with(Utf8Bom)) text.remove_prefix(Utf8Bom.size());
    Classify(line, text);
    lines.push_back(line);
  }
  return lines;
}

TIniLocation Locate(const std::vector<TIniLine>& lines, std::string_view section,
                    std::string_view key) {
  TIniLocation at;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const TIniLine& line = lines[i];
    if (line.Kind == TIniLineKind::lkSection) {
      if (at.Section != TIniLocation::None) break;
      if (SameText(line.Name, section)) at.Section = at.LastEntry = i;
    } else if (line.Kind == TIniLineKind::lkEntry && at.Section != TIniLocation::None) {
      at.LastEntry = i;
      if (at.Key == TIniLocation::None && SameText(line.Name, key)) at.Key = i;
    }
  }
  return at;
}

enum class TLoadResult { lrLoaded, lrMissing, lrFailed };

TLoadResult LoadFile(const std::string& fileName, std::string& content) {
  content.clear();
#ifdef _WIN32
  std::FILE* file = ::_wfopen(vexa::WideOf(fileName).c_str(), L"rb");
#else
  std::FILE* file = std::fopen(fileName.c_str(), "rb");
#endif
  if (!file)
    return errno == ENOENT || errno == ENOTDIR ? TLoadResult::lrMissing : TLoadResult::lrFailed;
  char buffer[8192];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  return failed ? TLoadResult::lrFailed : TLoadResult::lrLoaded;
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool IsStorableSection(std::string_view section) {
  return !section.empty() && Trim(section) == section && !HasLineBreakOrNul(section) &&
         section.find(']') == std::string_view::npos;
}

bool IsStorableKey(std::string_view key) {
  return !key.empty() && Trim(key) == key && !HasLineBreakOrNul(key) &&
         key.find('=') == std::string_view::npos && key.front() != ';' && key.front() != '[';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<int> ParseInteger(std::string_view text) {
  int base = 10;
  bool negative = false;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  } else if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  const long long limit = negative ? -static_cast<long long>(std::numeric_limits<int>::min())
                                   : std::numeric_limits<int>::max();
  long long value = 0;
  for (char c : text) {
    int digit = HexDigit(c);
    if (digit < 0 || digit >= base) return std::nullopt;
    value = value * base + digit;
    if (value > limit) return std::nullopt;
  }
  return static_cast<int>(negative ? -value : value);
}

}  // namespace

TIniProfile::TIniProfile(const std::string& fileName) : FFileName(vexa::FullPath(fileName)) {}

std::string TIniProfile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
  std::string content;
  std::string_view result = defaultValue;
  if (LoadFile(FFileName, content) == TLoadResult::lrLoaded) {
    std::vector<TIniLine> lines = SplitLines(content);
    TIniLocation at = Locate(lines, section, key);
    if (at.Key != TIniLocation::None) {
      result = lines[at.Key].Value;
      if (result.size() >= 2 && (result.front() == '"' || result.front() == '\'') &&
          result.back() == result.front())
        result = result.substr(1, result.size() - 2);
    }
  }
  return std::string(result.substr(0, MaxValueLength));
}

void TIniProfile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  if (!IsStorableSection(section) || !IsStorableKey(key) || HasLineBreakOrNul(value)) WriteFailed();

  std::error_code ec;
  const fs::file_status status = fs::status(vexa::PathOf(FFileName), ec);
  const bool exists = !ec && fs::exists(status);
  // Respect a file marked read-only, as the Windows service does; replacing
  // it by rename would otherwise succeed whenever the directory is writable.
  constexpr fs::perms writeBits =
      fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  if (exists && fs::is_regular_file(status) &&
      (status.permissions() & writeBits) == fs::perms::none)
    WriteFailed();

  std::string content;
  if (LoadFile(FFileName, content) == TLoadResult::lrFailed) WriteFailed();
  const std::vector<TIniLine> lines = SplitLines(content);
  const TIniLocation at = Locate(lines, section, key);

  std::string_view lineBreak = "\r\n";
  for (const TIniLine& line : lines)
    if (!line.Ending.empty()) {
      lineBreak = line.Ending;
      break;
    }

  std::string updated;
  updated.reserve(content.size() + section.size() + key.size() + value.size() + 8);
  auto appendEntry = [&](std::string_view name) { updated.append(name).append("=").append(value); };
  auto appendLine = [&](const TIniLine& line, bool needsBreak) {
    updated.append(line.Text).append(line.Ending.empty() && needsBreak ? lineBreak : line.Ending);
  };
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i == at.Key) {
      appendEntry(lines[i].Name);
      updated.append(lines[i].Ending);
      continue;
    }
    const bool insertAfter = at.Key == TIniLocation::None && i == at.LastEntry;
    appendLine(lines[i],
               insertAfter || (at.Section == TIniLocation::None && i + 1 == lines.size()));
    if (insertAfter) {
      appendEntry(key);
      updated.append(lineBreak);
    }
  }
  if (at.Section == TIniLocation::None) {
    updated.append("[").append(section).append("]").append(lineBreak);
    appendEntry(key);
    updated.append(lineBreak);
  }

  // Write through a symbolic link to its target rather than replacing the link.
  std::string target = FFileName;
  if (fs::is_symlink(fs::symlink_status(vexa::PathOf(FFileName), ec))) {
    fs::path resolved = fs::canonical(vexa::PathOf(FFileName), ec);
    if (!ec) target = vexa::PathText(resolved);
  }
  try {
    vexa::WriteFileReplacing(
        target,
        [&](std::ostream& out) { out.write(updated.data(), std::streamsize(updated.size())); },
        nullptr);
  } catch (const VexaError&) {
    WriteFailed();
  } catch (const std::system_error&) {
    WriteFailed();
  }
  if (exists) fs::permissions(vexa::PathOf(target), status.permissions(), ec);
}

int TIniProfile::ReadInteger(std::string_view section, std::string_view key,
                             int defaultValue) const {
  return ParseInteger(ReadString(section, key, "")).value_or(defaultValue);
}

void TIniProfile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

bool TIniProfile::ReadBool(std::string_view section, std::string_view key,
                           bool defaultValue) const {
  return (ReadInteger(section, key, defaultValue ? 1 : 0) & 0xFF) != 0;
}

void TIniProfile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteInteger(section, key, value ? 1 : 0);
}

void TIniProfile::WriteFailed() const {
  throw FileError(std::string(ProfileWriteErrorText) + FFileName);
}
