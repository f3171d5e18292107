// SPDX-License-Identifier: MIT
// Object sets read from folders of object files, as teams keep them under
// version control (TAB18.TXT, Tables/COD80.TXT), and the join of sets into
// one file ready to import.
//
// A folder's objects are those of every *.txt file below it (any letter
// case, subfolders included, folders whose name starts with a dot and, on
// Windows, hidden folders skipped), in the order a database export has: by
// type in the order of TObjectType (unknown type words last), then number; objects of equal type
// and number keep the order of their files' relative paths and their order within a file.
//
// No file is held open after the load: each read opens its file again and
// refuses it, naming it, when it changed or vanished since the load. Nothing
// here ever writes a file the set reads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "onepassfind.h"
#include "vexafile.h"

class TObjectFolder : public TObjectSet {
 public:
  // A type and number that more than one object of the set has.
  struct TDuplicate {
    TObjectType Type;
    std::int32_t ID;
    std::vector<std::string> Files;  // relative paths, one per object, in set order
  };

  TObjectFolder();
  ~TObjectFolder() override;

  // Reads every object file below path. Throws FileError when path is no
  // folder or a file cannot be read, and the error of a file whose header
  // is bad, naming that file; the set is then empty.
  void LoadFromFolder(const std::string& path);
  void Clear();

  std::int32_t GetCount() const override;
  TObjectTextObject& GetObject(std::int32_t index) const override;
  bool Reads(const std::string& path) const override;

  // The path given to the last load that completed; empty before and after Clear.
  const std::string& FolderName() const { return FFolderName; }
  // The file that holds the object at index, relative to the folder, '/' between levels.
  const std::string& RelativePath(std::int32_t index) const;
  // Files that hold no object header, relative, in path order.
  const std::vector<std::string>& Skipped() const { return FSkipped; }
  const std::vector<TDuplicate>& Duplicates() const { return FDuplicates; }
  // How many object files were read (the skipped ones not counted).
  std::size_t FileCount() const { return FFiles.size(); }

  // The order of day and month that the dates of all files show together;
  // each object's dates are read in it.
  TDateOrder DateOrder() const { return FDateOrder; }
  // Whether the next loads read each object's properties (on by default).
  void SetReadProperties(bool read) { FReadProperties = read; }

  // Searches from object ObjIndex, position Pos, onward, as
  // TObjectTextFile::FindText does.
  bool FindText(std::int32_t& ObjIndex, std::int32_t& Pos, const std::string& text,
                bool MatchCase) const;

 private:
  struct TFile;
  struct TEntry {
    TObjectTextObject* Object;
    std::uint32_t File;
  };

  std::string FFolderName;
  std::vector<std::unique_ptr<TFile>> FFiles;
  std::vector<TEntry> FEntries;
  std::vector<std::string> FSkipped;
  std::vector<TDuplicate> FDuplicates;
  std::vector<vexa::FileIdentity> FIdentities;  // sorted, for Reads
  TDateOrder FDateOrder = TDateOrder::doDayMonth;
  bool FReadProperties = true;
};

// Whether path names a folder (a link to one counts).
bool IsObjectFolder(const std::string& path);

// Loads path as a folder when it is one and as an object text file
// otherwise. A file loaded here keeps its hold as TObjectTextFile does.
std::unique_ptr<TObjectSet> LoadObjectSet(const std::string& path, bool readProperties = true);

// The objects of every set in export order: by type, then number;
// equal ones keep the order of the sets and their order within each.
std::vector<const TObjectTextObject*> ExportOrder(const std::vector<const TObjectSet*>& sets);

// Writes objects one after another into path, each byte for byte, replacing
// path only once every byte is written. When an object's text does not end
// in a line break and another follows, its own kind of line break is put
// between them, so that the next header still starts a line. A path that
// any of sets reads is refused before anything is written.
void WriteJoined(const std::vector<const TObjectTextObject*>& objects, const std::string& path,
                 const std::vector<const TObjectSet*>& sets);

// Every match of needle in the objects of set that accept takes (all when
// none), in set order, each search going on after the previous match and
// never across the end of an object: what find-next from the first object
// gives over and over. Reads each object once. Returns the number of matches.
std::size_t FindAllInSet(const TObjectSet& set, const std::string& needle, bool matchCase,
                         const std::function<void(const TFoundMatch&)>& report,
                         const std::function<bool(std::int32_t index)>& accept = {});
