// SPDX-License-Identifier: MIT
// Errors of the core. Each carries its user-facing message in what().
#pragma once

#include <stdexcept>

class VexaError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "'%s' is not a valid integer value"
class ConversionError : public VexaError {
 public:
  using VexaError::VexaError;
};

// "List index out of bounds (%d)"
class ListIndexError : public VexaError {
 public:
  using VexaError::VexaError;
};

// "Stream read error" / "Stream write error"
class StreamError : public VexaError {
 public:
  using VexaError::VexaError;
};

// "The file "<full path>" has changed since it was loaded": a read found the
// file grown, shrunk or rewritten since it was opened, so every offset taken
// from it may be wrong; loading it again is the remedy.
class FileChangedError : public StreamError {
 public:
  using StreamError::StreamError;
};

// "Cannot open file ..." / "Cannot create file ..." and other file-system failures.
class FileError : public VexaError {
 public:
  using VexaError::VexaError;
};

inline constexpr const char* StreamReadErrorText = "Stream read error";
inline constexpr const char* StreamWriteErrorText = "Stream write error";
