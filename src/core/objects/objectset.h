// SPDX-License-Identifier: MIT
// The objects of one loaded file or of a folder's files, in one order: what
// the commands, the comparison and the export need to work on either.
#pragma once

#include <cstdint>
#include <string>

class TObjectTextObject;

class TObjectSet {
 public:
  TObjectSet() = default;
  TObjectSet(const TObjectSet&) = delete;
  TObjectSet& operator=(const TObjectSet&) = delete;
  virtual ~TObjectSet() = default;

  virtual std::int32_t GetCount() const = 0;
  // Raises "List index out of bounds (%d)" outside 0 to GetCount() - 1.
  virtual TObjectTextObject& GetObject(std::int32_t index) const = 0;
  // Whether path names a file the set reads; such a file is never written.
  virtual bool Reads(const std::string& path) const = 0;
};
