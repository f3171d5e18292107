// SPDX-License-Identifier: MIT
// The object text model: splits an object text file into object entries by
// byte offset and reads each object's text back from the open file on demand.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "errors.h"
#include "objectproperties.h"
#include "objectset.h"
#include "osfile.h"
#include "propertyblock.h"
#include "textsearch.h"

class TObjectTextFile;

enum class TObjectType : std::uint8_t {
  otUnknown,
  otTable,
  otForm,
  otReport,
  otDataport,
  otCodeunit,
  otXMLport,
  otMenuSuite,
  otPage,
  otQuery
};

inline constexpr std::size_t ObjectTypeCount = 10;

// Display names, indexed by the type's ordinal.
extern const std::array<std::string_view, ObjectTypeCount> ObjectTypeNames;

enum class TProgressKind : std::uint8_t { pkStart, pkProgress, pkDone };

using TProgressEvent = std::function<void(TObjectTextFile&, TProgressKind, std::uint8_t)>;

// A stretch of the text that a load has scanned: every header that starts
// before its end has its entry (the last entry's end may still be open).
// Entries from PropertiesFrom on may still wait for their properties. The
// stretches of one load follow each other without gap or overlap; the last
// one is empty, comes after every entry is complete, and has Final set.
struct TScannedText {
  std::string_view Bytes;
  std::int64_t Offset = 0;
  std::int32_t PropertiesFrom = 0;
  bool Final = false;
};
using TScannedEvent = std::function<void(const TScannedText&)>;
using TBytesEvent = std::function<void(std::string_view bytes, std::int64_t offset)>;

class TObjectTextObject;

// A stretch that one part of a load has scanned, told on that part's thread.
// A load scans its text in one part or shares it out in parts of whole
// lines; each part's stretches come in order and cover it without gap. Found
// is the part's own list of entries so far: every header that starts in the
// part before the stretch's end has one, and only this thread touches the
// list until the load is done. The bytes of a part before its first header
// belong to the last object of the part before it.
struct TPartScannedText {
  std::string_view Bytes;
  std::int64_t Offset = 0;
  std::size_t Part = 0;
  const std::deque<TObjectTextObject>* Found = nullptr;
  bool PartEnds = false;  // the part's last stretch
  bool TextEnds = false;  // the part ends where the text does
};
using TPartScannedEvent = std::function<void(const TPartScannedText&)>;

// Converts header number text the way object files write it: optional sign,
// then decimal digits or a $/x/X/0x/0X prefix and hexadecimal digits taken as
// a 32-bit pattern. Throws ConversionError otherwise.
std::int32_t StrToInt32(std::string_view text);

// The line breaks in bytes: CR LF, a lone CR, a lone LF and a NUL each end
// one line. afterCR says the byte before bytes was a CR, so that a leading LF
// completes that CR LF instead of ending a line of its own.
std::int32_t CountLineBreaks(std::string_view bytes, bool afterCR = false);

// Whether text is empty or its last byte ends a line as the load reads lines,
// so that what follows it starts a line of its own.
inline bool EndsAtLineStart(std::string_view text) {
  return text.empty() || text.back() == '\n' || text.back() == '\r' || text.back() == '\0';
}

// 1-based number of the line that holds the byte at 1-based position pos of text.
std::int32_t LineAtPosition(std::string_view text, std::int32_t pos);

class TObjectTextObject {
 public:
  static constexpr std::size_t MaxNameLength = 30;

  TObjectTextObject(TObjectTextFile& owner, std::int32_t startOffset, const std::string& header);
  TObjectTextObject(const TObjectTextObject&) = delete;
  // Only for an entry that a load made aside and moves into its file.
  TObjectTextObject(TObjectTextObject&&) noexcept = default;
  TObjectTextObject& operator=(const TObjectTextObject&) = delete;
  virtual ~TObjectTextObject() = default;

  std::int32_t ID() const { return FID; }
  const std::string& Name() const { return FName; }
  TObjectType ObjectType() const { return FObjectType; }
  std::int32_t StartOffset() const { return FStartOffset; }
  std::int32_t Length() const { return FLength; }
  TObjectTextFile& Owner() const { return FOwner; }

  // The values of the object's OBJECT-PROPERTIES block, as stored; empty
  // when absent.
  std::string_view Date() const;
  std::string_view Time() const;
  std::string_view VersionList() const;
  bool Modified() const { return FProperties.Modified; }
  const TPropertyIds& PropertyIds() const { return FProperties; }
  void SetProperties(const TPropertyIds& ids) { FProperties = ids; }

  virtual std::string GetExportFileName() const;
  virtual std::string GetDisplayName() const;
  virtual std::string GetText() const;
  virtual void SaveToStream(std::ostream& stream) const;
  virtual void SaveToFile(const std::string& fileName) const;
  virtual bool FindText(std::int32_t& Pos, const std::string& text, bool MatchCase) const;
  virtual void ParseHeader(const std::string& header);
  virtual void SetEndOffset(std::int32_t endOffset);

 private:
  std::string FName;
  std::int32_t FID = 0;
  std::int32_t FStartOffset;
  std::int32_t FLength = 0;
  TObjectType FObjectType = TObjectType::otUnknown;
  TObjectTextFile& FOwner;
  TPropertyIds FProperties;
};

class TObjectTextFile : public TObjectSet {
 public:
  // Offsets are signed 32-bit, so larger files are refused before reading.
  static constexpr std::int64_t MaxFileSize = 0x7FFFFFFF;

  TObjectTextFile();
  ~TObjectTextFile() override;

  std::int32_t GetCount() const override;
  TObjectTextObject& GetObject(std::int32_t index) const override;
  bool Reads(const std::string& path) const override;
  virtual void LoadFromFile(const std::string& fileName);
  virtual void ParseText(const std::string& text);
  virtual void Clear();
  virtual bool FindText(std::int32_t& ObjIndex, std::int32_t& Pos, const std::string& text,
                        bool MatchCase);

  const std::string& FileName() const { return FFileName; }
  void SetOnProgress(TProgressEvent event) { FOnProgress = std::move(event); }

  // The open file the entries read from; null before the first load and
  // after a failed open.
  const vexa::ExclusiveFile* Stream() const { return FStream.get(); }

  // How many bytes a load reads at a time; the result never depends on it.
  void SetReadPieceSize(std::size_t size) { FReadPieceSize = size ? size : 1; }

  // How many parts a load shares out between threads: 0 (the default) decides
  // by the file's size and the processors, 1 keeps the load on the caller's
  // thread. A load that keeps its text or tells what it scans never shares.
  // The result never depends on it.
  void SetLoadParts(std::size_t parts) { FLoadParts = parts; }

  // How many bytes FindText reads at a time at most; the result never depends on it.
  void SetSearchChunkSize(std::size_t size) { FSearchChunkSize = size ? size : 1; }

  // Sees the text as the load scans it, so that a caller can work on the
  // bytes without reading the file a second time.
  void SetOnScanned(TScannedEvent event) { FOnScanned = std::move(event); }
  // Sees every stretch of the text a load scans, on whichever thread scans
  // it and in no set order: several at once where the load shares out its
  // parts. The stretches cover the text once, without gap or overlap.
  void SetOnBytes(TBytesEvent event) { FOnBytes = std::move(event); }
  // Sees every stretch with the entries its part has found, so that work on
  // whole objects can go on in the load's parts (TPartScannedText).
  void SetOnPartScanned(TPartScannedEvent event) { FOnPartScanned = std::move(event); }

  // Whether the next loads read each object's properties (on by default);
  // a caller that neither shows nor filters on them saves a sixth of a load.
  void SetReadProperties(bool read) { FReadProperties = read; }
  // Whether the next loads hold the file shared with other readers that
  // share reading (commands that only read) instead of against everyone.
  void SetShareReading(bool share) {
    FHold = share ? vexa::THold::hSharedRead : vexa::THold::hExclusive;
  }

  // The distinct property values of the loaded objects.
  const TPropertyStore& Properties() const { return FProperties; }
  // The order of day and month that the file's dates show.
  TDateOrder DateOrder() const { return FDateOrder; }
  // For a file that is one of many whose dates decide together.
  void SetDateOrder(TDateOrder order) { FDateOrder = order; }

 protected:
  virtual void DoProgress(TProgressKind kind, std::uint8_t percent);
  virtual void LoadFromStream(vexa::ExclusiveFile& stream);

 private:
  struct TPart;
  struct TPartLoad;

  // Where a scan stands between two pieces of text.
  struct TScanState {
    TObjectTextObject* Last = nullptr;
    std::uint8_t LastPercent = 0;
    std::size_t NextCheck = 0;
    std::size_t Begin = 0;        // where the scanned stretch starts in the text
    std::size_t Length = 0;       // of the scanned stretch
    bool TextEnds = true;         // the text ends where the stretch does
    TPart* Part = nullptr;        // a part of a load shared out between threads
    bool SkipLineFeed = false;    // the last piece ended in a CR
    bool InOrdinaryLine = false;  // the last piece ended inside an ordinary line
    // Entries whose property block the piece cut off; read again after the scan.
    std::vector<std::int32_t> PropertiesLeft;
  };

  static std::size_t ScanStart(std::string_view head, std::size_t length);
  static void ResetScan(TScanState& state, std::size_t begin, std::size_t length);
  void BeginScan(TScanState& state, std::size_t length);
  std::size_t ScanWindow(TScanState& state, std::string_view window, std::size_t base,
                         std::size_t from, bool final);
  void EndScan(TScanState& state, std::size_t length);
  void ScanStream(TScanState& state, const vexa::ExclusiveFile& stream, std::size_t begin,
                  std::size_t end);
  void ReachPosition(TScanState& state, std::size_t end);
  void FoundHeader(TScanState& state, std::size_t start, std::string_view line,
                   std::string_view text, bool final);
  std::size_t LoadPartCount(const vexa::ExclusiveFile& stream) const;
  void LoadInParts(const vexa::ExclusiveFile& stream, std::size_t parts);
  void ScanPart(TPart& part, const vexa::ExclusiveFile& stream);
  void FoundInPart(TPart& part, std::size_t start, std::string_view header, std::string_view text,
                   bool final);
  void NumberPartValues(TPart& part);
  void ReachedInPart(TPart& part, std::uint8_t percent);
  void ReportParts(TPartLoad& load);
  void ReadProperties(TScanState& state, std::string_view text, bool final);
  void ReadPropertiesLeft(TScanState& state, const vexa::ExclusiveFile& stream);
  void TellScanned(const TScanState& state, std::string_view bytes, std::size_t offset, bool final);
  void TellPartScanned(const TScanState& state, std::string_view bytes, std::size_t offset,
                       bool partEnds);

  std::unique_ptr<vexa::ExclusiveFile> FStream;
  std::string FFileName;
  // A deque keeps entries in place as it grows and avoids one allocation per entry.
  std::deque<TObjectTextObject> FObjects;
  TProgressEvent FOnProgress;
  std::size_t FReadPieceSize = std::size_t(1) << 20;
  std::size_t FLoadParts = 0;
  std::size_t FSearchChunkSize = std::size_t(1) << 20;
  TPropertyStore FProperties;
  TDateOrder FDateOrder = TDateOrder::doDayMonth;
  TScannedEvent FOnScanned;
  TBytesEvent FOnBytes;
  TPartScannedEvent FOnPartScanned;
  bool FReadProperties = true;
  vexa::THold FHold = vexa::THold::hExclusive;
};
