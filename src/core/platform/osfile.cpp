// SPDX-License-Identifier: MIT
#include "osfile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>
#include <streambuf>
#include <system_error>

#include "pathtext.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace vexa {

namespace {

std::string OpenErrorMessage(const std::string& fullName, const std::string& text) {
  return "Cannot open file \"" + fullName + "\". " + text;
}

std::string CreateErrorMessage(const std::string& fullName, const std::string& text) {
  return "Cannot create file \"" + fullName + "\". " + text;
}

std::string ChangedMessage(const std::string& fullName) {
  return "The file \"" + fullName + "\" has changed since it was loaded";
}

std::string GoneMessage(const std::string& fullName) {
  return "The file \"" + fullName + "\" no longer exists; open it again";
}

int LastError() {
#ifdef _WIN32
  return static_cast<int>(::GetLastError());
#else
  return errno;
#endif
}

// Output to a native file handle with no buffering of its own beyond a
// small block, so a failed write is reported to the stream at once.
class NativeFileBuf : public std::streambuf {
 public:
#ifdef _WIN32
  explicit NativeFileBuf(HANDLE handle) : FHandle(handle) {}
#else
  explicit NativeFileBuf(int handle) : FHandle(handle) {}
#endif

 protected:
  std::streamsize xsputn(const char* data, std::streamsize count) override {
    std::streamsize done = 0;
    while (done < count) {
#ifdef _WIN32
      DWORD chunk = static_cast<DWORD>(std::min<std::streamsize>(count - done, 1 << 30));
      DWORD written = 0;
      if (!::WriteFile(FHandle, data + done, chunk, &written, nullptr) || written == 0) break;
#else
      ssize_t written = ::write(FHandle, data + done, static_cast<std::size_t>(count - done));
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) break;
#endif
      done += static_cast<std::streamsize>(written);
    }
    return done;
  }

  int_type overflow(int_type ch) override {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    char c = traits_type::to_char_type(ch);
    return xsputn(&c, 1) == 1 ? ch : traits_type::eof();
  }

 private:
#ifdef _WIN32
  HANDLE FHandle;
#else
  int FHandle;
#endif
};

std::string TempNameBeside(const fs::path& target) {
  static std::mt19937_64 random{std::random_device{}()};
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(random()));
  std::string name = ".";
  name += PathText(target.filename());
  name += suffix;
  return PathText(target.parent_path() / PathOf(name));
}

#ifdef _WIN32
using NativeHandle = HANDLE;
#else
using NativeHandle = int;
#endif

// Streams write's bytes into handle, which stays open; a failure throws.
void WriteThrough(NativeHandle handle, const std::function<void(std::ostream&)>& write) {
  NativeFileBuf buffer(handle);
  std::ostream out(&buffer);
  write(out);
  if (!out) throw StreamError(StreamWriteErrorText);
}

#ifdef O_TMPFILE
// A new file is written unnamed and gets its name only once every byte is in,
// as safe as the named temporary below but with one directory entry instead
// of two and no rename: creating entries was most of an export's time.
// False, with nothing written, where unnamed files cannot be had (an older
// file system, no /proc); the named way then reports any error itself.
bool WriteUnnamedThenLink(const fs::path& target, const std::string& fullName,
                          const std::function<void(std::ostream&)>& write) {
  static const bool linkable = ::access("/proc/self/fd", X_OK) == 0;
  if (!linkable) return false;
  const int handle = ::open(target.parent_path().c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  if (handle < 0) return false;
  try {
    WriteThrough(handle, write);
  } catch (...) {
    ::close(handle);
    throw;
  }
  char self[32];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", handle);
  int error = 0;
  if (::linkat(AT_FDCWD, self, AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) != 0) {
    error = errno;
    // The name was made since it was looked up: it is replaced, as a rename
    // would have done.
    if (error == EEXIST) {
      const std::string tempName = TempNameBeside(target);
      error =
          ::linkat(AT_FDCWD, self, AT_FDCWD, tempName.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
      if (!error && ::rename(tempName.c_str(), target.c_str()) != 0) {
        error = errno;
        ::unlink(tempName.c_str());
      }
    }
  }
  const bool closed = ::close(handle) == 0;
  if (error) throw FileError(CreateErrorMessage(fullName, SystemErrorText(error)));
  if (!closed) {
    ::unlink(target.c_str());
    throw StreamError(StreamWriteErrorText);
  }
  return true;
}
#endif

// The file a chain of symbolic links ends at (path itself when it is no
// link), so that replacing it keeps the links as links.
fs::path FollowLinks(const fs::path& path, const std::string& fullName) {
  fs::path current = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(current, ec))) return current;
    fs::path next = fs::read_symlink(current, ec);
    if (ec) throw FileError(CreateErrorMessage(fullName, SystemErrorText(ec.value())));
    current = next.is_absolute() ? next : current.parent_path() / next;
  }
  throw FileError(CreateErrorMessage(fullName, SystemErrorText(ELOOP)));
}

// An existing file the user may not write is refused before anything is
// written: renaming over it would succeed whenever its folder is writable.
// A file without any write permission counts as read-only for everyone, as
// the read-only attribute does on Windows.
void CheckWritable(const fs::path& target, const std::string& fullName) {
#ifdef _WIN32
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
      !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    throw FileError(CreateErrorMessage(fullName, SystemErrorText(ERROR_ACCESS_DENIED)));
#else
  struct stat info {};
  if (::stat(target.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  if (::access(target.c_str(), W_OK) != 0) {
    const int error = LastError();
    throw FileError(CreateErrorMessage(fullName, SystemErrorText(error)));
  }
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
    throw FileError(CreateErrorMessage(fullName, SystemErrorText(EACCES)));
#endif
}

}  // namespace

std::string FullPath(const std::string& path) {
  std::error_code ec;
  fs::path full = fs::absolute(PathOf(path), ec);
  if (ec) return path;
  return PathText(full.lexically_normal());
}

std::string SystemErrorText(int error) {
#ifdef _WIN32
  wchar_t* buffer = nullptr;
  DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  std::string text = length ? Utf8Of(std::wstring_view(buffer, length)) : "Unknown error";
  ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
#else
  return std::generic_category().message(error);
#endif
}

bool IdentityOf(const std::string& path, FileIdentity& identity) {
#ifdef _WIN32
  HANDLE handle =
      ::CreateFileW(WideOf(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = ::GetFileInformationByHandle(handle, &info) != 0;
  ::CloseHandle(handle);
  if (known)
    identity = {info.dwVolumeSerialNumber,
                (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  return known;
#else
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  identity = {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
  return true;
#endif
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  auto status = fs::status(PathOf(path), ec);
  return !ec && fs::exists(status) && !fs::is_directory(status);
}

void ForceDirectories(const std::string& path) {
  std::error_code ec;
  if (path.empty()) throw FileError("Unable to create directory");
  fs::create_directories(PathOf(path), ec);
  if (ec || !fs::is_directory(PathOf(path)))
    throw FileError("Unable to create directory \"" + FullPath(path) + "\". " +
                    (ec ? SystemErrorText(ec.value()) : SystemErrorText(ENOTDIR)));
}

#ifdef _WIN32

ExclusiveFile::ExclusiveFile(const std::string& path, THold hold) : FFullName(FullPath(path)) {
  HANDLE handle = ::CreateFileW(WideOf(path).c_str(), GENERIC_READ,
                                hold == THold::hSharedRead ? FILE_SHARE_READ : 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    throw FileError(OpenErrorMessage(FFullName, SystemErrorText(LastError())));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle, &info)) {
    int error = LastError();
    ::CloseHandle(handle);
    throw FileError(OpenErrorMessage(FFullName, SystemErrorText(error)));
  }
  FHandle = handle;
  FIdentity = {info.dwVolumeSerialNumber,
               (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  FSize = (std::int64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  FModified = (std::int64_t(info.ftLastWriteTime.dwHighDateTime) << 32) |
              info.ftLastWriteTime.dwLowDateTime;
}

ExclusiveFile::~ExclusiveFile() {
  if (FHandle) ::CloseHandle(static_cast<HANDLE>(FHandle));
}

void ExclusiveFile::Release() const {
  if (FHandle) ::CloseHandle(static_cast<HANDLE>(FHandle));
  FHandle = nullptr;
}

bool ExclusiveFile::Released() const {
  return FHandle == nullptr;
}

void ExclusiveFile::Reopen() const {
  // Shared with other readers only: no writer can start while the read runs.
  HANDLE handle = ::CreateFileW(WideOf(FFullName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const int error = LastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
      throw FileChangedError(GoneMessage(FFullName));
    throw FileError(OpenErrorMessage(FFullName, SystemErrorText(error)));
  }
  BY_HANDLE_FILE_INFORMATION info{};
  const bool same =
      ::GetFileInformationByHandle(handle, &info) &&
      FileIdentity{info.dwVolumeSerialNumber,
                   (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow} == FIdentity &&
      ((std::int64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow) == FSize &&
      ((std::int64_t(info.ftLastWriteTime.dwHighDateTime) << 32) |
       info.ftLastWriteTime.dwLowDateTime) == FModified;
  if (!same) {
    ::CloseHandle(handle);
    throw FileChangedError(ChangedMessage(FFullName));
  }
  FHandle = handle;
}

void ExclusiveFile::CheckUnchanged() const {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(static_cast<HANDLE>(FHandle), &info) ||
      ((std::int64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow) != FSize)
    FailChanged();
}

void ExclusiveFile::ReadAt(std::int64_t offset, char* buffer, std::size_t size) const {
  if (Released()) return ReadReleased(offset, buffer, size);
  CheckUnchanged();
  if (offset < 0 || offset + std::int64_t(size) > FSize) throw StreamError(StreamReadErrorText);
  std::size_t done = 0;
  while (done < size) {
    OVERLAPPED at{};
    std::uint64_t position = std::uint64_t(offset) + done;
    at.Offset = DWORD(position);
    at.OffsetHigh = DWORD(position >> 32);
    DWORD chunk = DWORD(std::min<std::size_t>(size - done, 1u << 30));
    DWORD got = 0;
    if (!::ReadFile(static_cast<HANDLE>(FHandle), buffer + done, chunk, &got, &at))
      throw StreamError(StreamReadErrorText);
    if (got == 0) FailChanged();
    done += got;
  }
}

#else

ExclusiveFile::ExclusiveFile(const std::string& path, THold hold) : FFullName(FullPath(path)) {
  int handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (handle < 0) throw FileError(OpenErrorMessage(FFullName, SystemErrorText(LastError())));
  struct stat info {};
  if (::fstat(handle, &info) != 0) {
    int error = LastError();
    ::close(handle);
    throw FileError(OpenErrorMessage(FFullName, SystemErrorText(error)));
  }
  if (S_ISDIR(info.st_mode)) {
    ::close(handle);
    throw FileError(OpenErrorMessage(FFullName, SystemErrorText(EISDIR)));
  }
  if (::flock(handle, (hold == THold::hSharedRead ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
    int error = LastError();
    ::close(handle);
    throw FileError(OpenErrorMessage(FFullName, error == EWOULDBLOCK
                                                    ? "The file is in use by another process."
                                                    : SystemErrorText(error)));
  }
  FHandle = handle;
  FIdentity = {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
  FSize = info.st_size;
  FModified = std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

ExclusiveFile::~ExclusiveFile() {
  if (FHandle >= 0) ::close(FHandle);
}

void ExclusiveFile::Release() const {
  if (FHandle >= 0) ::close(FHandle);
  FHandle = -1;
}

bool ExclusiveFile::Released() const {
  return FHandle < 0;
}

void ExclusiveFile::Reopen() const {
  // No lock: a read that takes one could fail beside another reader's.
  const int handle = ::open(FFullName.c_str(), O_RDONLY | O_CLOEXEC);
  if (handle < 0) {
    const int error = LastError();
    if (error == ENOENT || error == ENOTDIR) throw FileChangedError(GoneMessage(FFullName));
    throw FileError(OpenErrorMessage(FFullName, SystemErrorText(error)));
  }
  struct stat info {};
  if (::fstat(handle, &info) != 0 ||
      FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                   static_cast<std::uint64_t>(info.st_ino)} != FIdentity ||
      info.st_size != FSize ||
      std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec != FModified) {
    ::close(handle);
    throw FileChangedError(ChangedMessage(FFullName));
  }
  FHandle = handle;
}

void ExclusiveFile::CheckUnchanged() const {
  struct stat info {};
  if (::fstat(FHandle, &info) != 0 || info.st_size != FSize ||
      std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec != FModified)
    FailChanged();
}

void ExclusiveFile::ReadAt(std::int64_t offset, char* buffer, std::size_t size) const {
  if (Released()) return ReadReleased(offset, buffer, size);
  CheckUnchanged();
  if (offset < 0 || offset + std::int64_t(size) > FSize) throw StreamError(StreamReadErrorText);
  std::size_t done = 0;
  while (done < size) {
    ssize_t got = ::pread(FHandle, buffer + done, size - done, offset + std::int64_t(done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw StreamError(StreamReadErrorText);
    if (got == 0) FailChanged();
    done += std::size_t(got);
  }
}

#endif

void ExclusiveFile::ReadReleased(std::int64_t offset, char* buffer, std::size_t size) const {
  Reopen();
  struct TReleaseAfter {
    const ExclusiveFile& File;
    ~TReleaseAfter() { File.Release(); }
  } releaseAfter{*this};
  ReadAt(offset, buffer, size);
}

std::uint64_t ExclusiveFile::NextOpening() {
  static std::atomic<std::uint64_t> openings{0};
  return ++openings;
}

void ExclusiveFile::FailChanged() const {
  throw FileChangedError(ChangedMessage(FFullName));
}

void WriteFileReplacing(const std::string& path, const std::function<void(std::ostream&)>& write,
                        const ExclusiveFile* guard) {
  const std::string fullName = FullPath(path);
  // Nothing at all at the name (not even a dangling link): it can be neither
  // the viewed file, a folder, a device nor a link, and nothing is replaced,
  // so the checks below would each look it up in vain: in an export of
  // thousands of new files they were most of the system calls.
  std::error_code lookupError;
  const bool fresh =
      fs::symlink_status(PathOf(fullName), lookupError).type() == fs::file_type::not_found;
  if (guard && !fresh) {
    std::error_code ec;
#ifdef _WIN32
    // Windows refuses to replace a file opened without sharing; comparing
    // full names catches the plain case before anything is written.
    bool same = fs::equivalent(PathOf(fullName), PathOf(guard->FullName()), ec);
#else
    // The name that is written is the normalised one, so that is the one
    // compared: "sub/../x" names x even where sub does not exist.
    struct stat info {};
    bool same = ::stat(fullName.c_str(), &info) == 0 &&
                FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                             static_cast<std::uint64_t>(info.st_ino)} == guard->Identity();
#endif
    if (same)
      throw FileError(
          CreateErrorMessage(fullName, "It is the file being viewed and is never overwritten."));
  }
  if (!fresh && fs::is_directory(PathOf(path)))
    throw FileError(CreateErrorMessage(fullName, SystemErrorText(EISDIR)));
  // A device or a pipe (/dev/null, /dev/stdout) is written into: renaming a
  // file over it would destroy it.
  std::error_code statusError;
  const fs::file_status status =
      fresh ? fs::file_status(fs::file_type::not_found) : fs::status(PathOf(fullName), statusError);
  if (!statusError && fs::exists(status) && !fs::is_regular_file(status)) {
    std::ofstream stream(PathOf(fullName), std::ios::binary);
    if (!stream) throw FileError(CreateErrorMessage(fullName, SystemErrorText(errno)));
    write(stream);
    if (!stream.flush()) throw StreamError(StreamWriteErrorText);
    return;
  }

  const fs::path target = fresh ? PathOf(fullName) : FollowLinks(PathOf(fullName), fullName);
  if (!fresh) CheckWritable(target, fullName);
#ifdef O_TMPFILE
  if (fresh && WriteUnnamedThenLink(target, fullName, write)) return;
#endif
  const std::string targetName = PathText(target);
  const std::string tempName = TempNameBeside(target);
#ifdef _WIN32
  HANDLE handle = ::CreateFileW(WideOf(tempName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    throw FileError(CreateErrorMessage(fullName, SystemErrorText(LastError())));
  auto closeHandle = [&] { return ::CloseHandle(handle) != 0; };
#else
  int handle = ::open(tempName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (handle < 0) throw FileError(CreateErrorMessage(fullName, SystemErrorText(LastError())));
  auto closeHandle = [&] { return ::close(handle) == 0; };
  // A replaced file keeps its permissions.
  struct stat replaced {};
  if (!fresh && ::stat(targetName.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode))
    ::fchmod(handle, replaced.st_mode & 07777);
#endif
  auto removeTemp = [&] {
    std::error_code ignored;
    fs::remove(PathOf(tempName), ignored);
  };
  try {
    WriteThrough(handle, write);
  } catch (...) {
    closeHandle();
    removeTemp();
    throw;
  }
  if (!closeHandle()) {
    removeTemp();
    throw StreamError(StreamWriteErrorText);
  }
  std::error_code ec;
#ifdef _WIN32
  if (!::MoveFileExW(WideOf(tempName).c_str(), WideOf(targetName).c_str(),
                     MOVEFILE_REPLACE_EXISTING))
    ec = std::error_code(static_cast<int>(::GetLastError()), std::system_category());
#else
  fs::rename(PathOf(tempName), target, ec);
#endif
  if (ec) {
    removeTemp();
    throw FileError(CreateErrorMessage(fullName, SystemErrorText(ec.value())));
  }
}

}  // namespace vexa
