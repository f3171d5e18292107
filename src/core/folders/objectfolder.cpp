// SPDX-License-Identifier: MIT
#include "objectfolder.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <ostream>
#include <tuple>

#include "pathtext.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// The set's own GetObject, not the GDI macro.
#undef GetObject
#endif

namespace fs = std::filesystem;

struct TObjectFolder::TFile {
  std::string RelativePath;
  TObjectTextFile Objects;
};

namespace {

bool IsObjectFileName(const fs::path& path) {
  const std::string ext = vexa::PathText(path.extension());
  return ext.size() == 4 && ext[0] == '.' && (ext[1] | 0x20) == 't' && (ext[2] | 0x20) == 'x' &&
         (ext[3] | 0x20) == 't';
}

bool IsHiddenFolder(const fs::directory_entry& entry) {
  const std::string name = vexa::PathText(entry.path().filename());
  if (!name.empty() && name[0] == '.') return true;
#ifdef _WIN32
  const DWORD attributes = ::GetFileAttributesW(entry.path().c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN)) return true;
#endif
  return false;
}

[[noreturn]] void ThrowListError(const fs::path& where, const std::error_code& ec) {
  throw FileError("Cannot read folder \"" + vexa::FullPath(vexa::PathText(where)) + "\". " +
                  vexa::SystemErrorText(ec.value()));
}

// Every object file below root, relative, in byte order of the paths.
std::vector<std::string> ObjectFilesBelow(const fs::path& root) {
  std::vector<std::string> files;
  std::error_code ec;
  fs::recursive_directory_iterator it(root, ec);
  if (ec) ThrowListError(root, ec);
  for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
    if (ec) ThrowListError(root, ec);
    const fs::directory_entry& entry = *it;
    std::error_code statusError;
    if (entry.is_directory(statusError)) {
      if (IsHiddenFolder(entry)) it.disable_recursion_pending();
      continue;
    }
    if (IsObjectFileName(entry.path()) && entry.is_regular_file(statusError))
      files.push_back(vexa::GenericPathText(entry.path().lexically_relative(root)));
  }
  if (ec) ThrowListError(root, ec);
  std::sort(files.begin(), files.end());
  return files;
}

// Unknown type words come after every type a database exports.
std::uint64_t OrderKey(const TObjectTextObject& object) {
  const auto type = object.ObjectType() == TObjectType::otUnknown
                        ? ObjectTypeCount
                        : std::size_t(object.ObjectType());
  return (std::uint64_t(type) << 32) |
         (std::uint32_t(object.ID()) ^ 0x80000000u);  // negative numbers first
}

bool IdentityLess(const vexa::FileIdentity& a, const vexa::FileIdentity& b) {
  return std::tie(a.device, a.inode) < std::tie(b.device, b.inode);
}

}  // namespace

TObjectFolder::TObjectFolder() = default;
TObjectFolder::~TObjectFolder() = default;

void TObjectFolder::Clear() {
  FEntries.clear();
  FFiles.clear();
  FSkipped.clear();
  FDuplicates.clear();
  FIdentities.clear();
  FFolderName.clear();
  FDateOrder = TDateOrder::doDayMonth;
}

void TObjectFolder::LoadFromFolder(const std::string& path) {
  Clear();
  const fs::path root = vexa::PathOf(path);
  std::error_code ec;
  if (!fs::is_directory(root, ec))
    throw FileError("Cannot open folder \"" + vexa::FullPath(path) + "\". " +
                    vexa::SystemErrorText(ec ? ec.value() : ENOTDIR));
  std::vector<std::unique_ptr<TFile>> files;
  std::vector<std::string> skipped;
  TStringPool dates;
  for (std::string& relative : ObjectFilesBelow(root)) {
    auto file = std::make_unique<TFile>();
    file->RelativePath = std::move(relative);
    file->Objects.SetReadProperties(FReadProperties);
    const std::string name = vexa::PathText(root / vexa::PathOf(file->RelativePath));
    try {
      file->Objects.LoadFromFile(name);
    } catch (const FileError&) {
      throw;  // names the file already
    } catch (const VexaError& e) {
      throw VexaError(vexa::FullPath(name) + ": " + e.what());
    }
    // Thousands of files cannot all stay open; each read opens its file again.
    file->Objects.Stream()->Release();
    if (file->Objects.GetCount() == 0) {
      skipped.push_back(std::move(file->RelativePath));
      continue;
    }
    const TStringPool& own = file->Objects.Properties().Dates;
    for (std::uint32_t id = 1; id < own.Count(); ++id) dates.Add(own.Get(id));
    files.push_back(std::move(file));
  }

  std::vector<TEntry> entries;
  std::vector<vexa::FileIdentity> identities;
  for (std::uint32_t f = 0; f < files.size(); ++f) {
    const TObjectTextFile& objects = files[f]->Objects;
    identities.push_back(objects.Stream()->Identity());
    for (std::int32_t i = 0; i < objects.GetCount(); ++i)
      entries.push_back({&objects.GetObject(i), f});
  }
  std::stable_sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) {
    return OrderKey(*a.Object) < OrderKey(*b.Object);
  });
  std::sort(identities.begin(), identities.end(), IdentityLess);

  for (std::size_t i = 0; i < entries.size();) {
    std::size_t j = i + 1;
    while (j < entries.size() && OrderKey(*entries[j].Object) == OrderKey(*entries[i].Object)) ++j;
    if (j - i > 1) {
      TDuplicate duplicate{entries[i].Object->ObjectType(), entries[i].Object->ID(), {}};
      for (std::size_t k = i; k < j; ++k)
        duplicate.Files.push_back(files[entries[k].File]->RelativePath);
      FDuplicates.push_back(std::move(duplicate));
    }
    i = j;
  }
  dates.Seal();
  FDateOrder = DecideDateOrder(dates);
  for (const auto& file : files) file->Objects.SetDateOrder(FDateOrder);
  FFiles = std::move(files);
  FEntries = std::move(entries);
  FIdentities = std::move(identities);
  FSkipped = std::move(skipped);
  FFolderName = path;
}

std::int32_t TObjectFolder::GetCount() const {
  return std::int32_t(FEntries.size());
}

TObjectTextObject& TObjectFolder::GetObject(std::int32_t index) const {
  if (index < 0 || index >= GetCount())
    throw ListIndexError("List index out of bounds (" + std::to_string(index) + ")");
  return *FEntries[std::size_t(index)].Object;
}

const std::string& TObjectFolder::RelativePath(std::int32_t index) const {
  GetObject(index);
  return FFiles[FEntries[std::size_t(index)].File]->RelativePath;
}

bool TObjectFolder::Reads(const std::string& path) const {
  vexa::FileIdentity identity;
  return vexa::IdentityOf(path, identity) &&
         std::binary_search(FIdentities.begin(), FIdentities.end(), identity, IdentityLess);
}

bool TObjectFolder::FindText(std::int32_t& ObjIndex, std::int32_t& Pos, const std::string& text,
                             bool MatchCase) const {
  if (ObjIndex < 0) GetObject(ObjIndex);
  for (; ObjIndex < GetCount(); ++ObjIndex, Pos = 0)
    if (GetObject(ObjIndex).FindText(Pos, text, MatchCase)) return true;
  return false;
}

bool IsObjectFolder(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(vexa::PathOf(path), ec);
}

std::unique_ptr<TObjectSet> LoadObjectSet(const std::string& path, bool readProperties) {
  if (IsObjectFolder(path)) {
    auto folder = std::make_unique<TObjectFolder>();
    folder->SetReadProperties(readProperties);
    folder->LoadFromFolder(path);
    return folder;
  }
  auto file = std::make_unique<TObjectTextFile>();
  file->SetReadProperties(readProperties);
  file->LoadFromFile(path);
  return file;
}

std::vector<const TObjectTextObject*> ExportOrder(const std::vector<const TObjectSet*>& sets) {
  std::vector<const TObjectTextObject*> objects;
  for (const TObjectSet* set : sets)
    for (std::int32_t i = 0; i < set->GetCount(); ++i) objects.push_back(&set->GetObject(i));
  std::stable_sort(objects.begin(), objects.end(),
                   [](const TObjectTextObject* a, const TObjectTextObject* b) {
                     return OrderKey(*a) < OrderKey(*b);
                   });
  return objects;
}

namespace {

// The first line break of text, CR LF when it has none.
std::string_view LineBreakOf(std::string_view text) {
  const std::size_t at = text.find_first_of("\r\n");
  if (at == std::string_view::npos) return "\r\n";
  if (text[at] == '\n') return "\n";
  return at + 1 < text.size() && text[at + 1] == '\n' ? "\r\n" : "\r";
}

}  // namespace

void WriteJoined(const std::vector<const TObjectTextObject*>& objects, const std::string& path,
                 const std::vector<const TObjectSet*>& sets) {
  for (const TObjectSet* set : sets)
    if (set->Reads(path))
      throw FileError("Cannot create file \"" + vexa::FullPath(path) +
                      "\". It is a file being read and is never overwritten.");
  vexa::WriteFileReplacing(
      path,
      [&](std::ostream& out) {
        for (std::size_t i = 0; i < objects.size(); ++i) {
          const std::string text = objects[i]->GetText();
          out.write(text.data(), std::streamsize(text.size()));
          if (!EndsAtLineStart(text) && i + 1 < objects.size()) {
            const std::string_view lineBreak = LineBreakOf(text);
            out.write(lineBreak.data(), std::streamsize(lineBreak.size()));
          }
          if (!out) throw StreamError(StreamWriteErrorText);
        }
      },
      nullptr);
}

std::size_t FindAllInSet(const TObjectSet& set, const std::string& needle, bool matchCase,
                         const std::function<void(const TFoundMatch&)>& report,
                         const std::function<bool(std::int32_t index)>& accept) {
  if (needle.empty()) return 0;
  std::size_t count = 0;
  for (std::int32_t index = 0; index < set.GetCount(); ++index) {
    if (accept && !accept(index)) continue;
    const std::string text = set.GetObject(index).GetText();
    std::int32_t line = 1;
    std::size_t counted = 0;
    bool afterCR = false;
    for (std::size_t from = 0;; ++count) {
      const std::size_t hit =
          matchCase ? FindBytes(text, needle, from) : FindBytesIgnoringCase(text, needle, from);
      if (hit == std::string::npos) break;
      const std::string_view before = std::string_view(text).substr(counted, hit - counted);
      line += CountLineBreaks(before, afterCR);
      if (!before.empty()) afterCR = before.back() == '\r';
      counted = hit;
      report({index, std::int32_t(hit + 1), line});
      from = hit + needle.size();
    }
  }
  return count;
}
