// SPDX-License-Identifier: MIT
// The small operating-system layer the model needs: an exclusively held
// input file, file identity, system error texts and replace-on-success writes.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

#include "errors.h"

namespace vexa {

// The absolute, normalised form of path, as error messages show it.
std::string FullPath(const std::string& path);

// The operating system's text for an error number (errno, or GetLastError on Windows).
std::string SystemErrorText(int error);

struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of the file path names (links followed); false when there is none.
bool IdentityOf(const std::string& path, FileIdentity& identity);

// True when path names an existing file that is not a directory.
bool FileExists(const std::string& path);

// Creates path and every missing parent; throws FileError when it cannot.
void ForceDirectories(const std::string& path);

// How an opened file is held against other openers.
enum class THold : std::uint8_t {
  // Against everyone: on Windows no sharing, elsewhere an exclusive advisory lock.
  hExclusive,
  // Shared with other readers that share reading, refused by a writer and by
  // an exclusive hold: FILE_SHARE_READ on Windows, a shared advisory lock
  // elsewhere. For commands that only read, so that they can run side by side.
  hSharedRead
};

// A file opened for reading and held as hold says.
class ExclusiveFile {
 public:
  // Throws FileError "Cannot open file "<full path>". <system text>".
  explicit ExclusiveFile(const std::string& path, THold hold = THold::hExclusive);
  ExclusiveFile(const ExclusiveFile&) = delete;
  ExclusiveFile& operator=(const ExclusiveFile&) = delete;
  ~ExclusiveFile();

  std::int64_t Size() const { return FSize; }
  const FileIdentity& Identity() const { return FIdentity; }
  const std::string& FullName() const { return FFullName; }
  // Unique to this opening within the process: a file opened later may be
  // given the same address, never the same number.
  std::uint64_t Opening() const { return FOpening; }

  // Reads exactly size bytes at offset into buffer. A range beyond the size
  // raises "Stream read error"; a file that changed size or time since it
  // was opened, or ends early, raises FileChangedError.
  void ReadAt(std::int64_t offset, char* buffer, std::size_t size) const;

  // Closes the handle and gives up the hold, so that a caller can keep
  // thousands of files without a descriptor each. Every later read opens
  // the file for that read only; a file that is gone or is no longer the
  // one opened (identity, size or time differ) raises a FileError naming it.
  void Release() const;
  bool Released() const;

 private:
  void CheckUnchanged() const;
  // Opens a released file for one read; throws when it is gone or changed.
  void Reopen() const;
  void ReadReleased(std::int64_t offset, char* buffer, std::size_t size) const;
  [[noreturn]] void FailChanged() const;

  std::string FFullName;
  FileIdentity FIdentity;
  std::int64_t FSize = 0;
  std::int64_t FModified = 0;
  std::uint64_t FOpening = NextOpening();
  static std::uint64_t NextOpening();
#ifdef _WIN32
  mutable void* FHandle = nullptr;
#else
  mutable int FHandle = -1;
#endif
};

// Writes a new file at path through write(), then moves it over path only
// once every byte is written, so a failure never leaves a half-written file
// in its place. A target that is the same file as guard (when given) is
// refused. Errors: FileError "Cannot create file "<full path>". <text>", or
// whatever write() throws ("Stream write error" for a short write).
void WriteFileReplacing(const std::string& path, const std::function<void(std::ostream&)>& write,
                        const ExclusiveFile* guard);

}  // namespace vexa
