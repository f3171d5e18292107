// SPDX-License-Identifier: MIT
#include "vexafile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <new>
#include <ostream>
#include <vector>

#include "cpufeatures.h"
#include "lineend.h"
#include "pathtext.h"
#include "propertyblock.h"
#ifdef VEXA_HAVE_AVX2_VARIANT
#include <immintrin.h>
#endif

const std::array<std::string_view, ObjectTypeCount> ObjectTypeNames = {
    "Unknown",  "Table",   "Form",      "Report", "Dataport",
    "Codeunit", "XMLport", "MenuSuite", "Page",   "Query"};

namespace {

[[noreturn]] void ThrowConversion(std::string_view text) {
  throw ConversionError("'" + std::string(text) + "' is not a valid integer value");
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsLineBreak(char c) {
  return c == '\r' || c == '\n' || c == '\0';
}

#ifdef VEXA_HAVE_AVX2_VARIANT
// Of the candidates in mask (bit i for the byte at from + i), the first
// whose byte before it ends a line.
bool FirstAfterBreak(const char* data, std::size_t from, std::uint64_t mask, std::size_t& at) {
  for (; mask != 0; mask &= mask - 1) {
    at = from + std::size_t(__builtin_ctzll(mask));
    if (IsLineBreak(data[at - 1])) return true;
  }
  return false;
}

// The first 'O' after a line break in [from, limit), 32 bytes at a time, or
// where the blocks end (a position before limit that still has to be looked
// at). A byte at most CR is taken first and checked exactly after, so each
// block costs one comparison for the letter and one for the break.
VEXA_TARGET_AVX2 std::size_t FindLineStartOAvx2(const char* data, std::size_t from,
                                                std::size_t limit, bool& found) {
  const __m256i letter = _mm256_set1_epi8('O');
  const __m256i cr = _mm256_set1_epi8('\r');
  for (; from + 32 <= limit; from += 32) {
    const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + from));
    const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + from - 1));
    const __m256i low = _mm256_cmpeq_epi8(_mm256_min_epu8(before, cr), before);
    auto mask =
        unsigned(_mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(block, letter), low)));
    if (std::size_t at = 0; FirstAfterBreak(data, from, mask, at)) {
      found = true;
      return at;
    }
  }
  found = false;
  return from;
}

// As FindLineStartOAvx2, 64 bytes at a time with masks of their own.
VEXA_TARGET_AVX512 std::size_t FindLineStartOAvx512(const char* data, std::size_t from,
                                                    std::size_t limit, bool& found) {
  const __m512i letter = _mm512_set1_epi8('O');
  const __m512i cr = _mm512_set1_epi8('\r');
  for (; from + 64 <= limit; from += 64) {
    const __m512i block = _mm512_loadu_si512(data + from);
    const __m512i before = _mm512_loadu_si512(data + from - 1);
    auto mask = std::uint64_t(
        _mm512_mask_cmpeq_epi8_mask(_mm512_cmple_epu8_mask(before, cr), block, letter));
    if (std::size_t at = 0; FirstAfterBreak(data, from, mask, at)) {
      found = true;
      return at;
    }
  }
  found = false;
  return from;
}
#endif

// From the line start pos, the start of the first later line that may be a
// header (it begins with 'O'), or of the last line that starts before limit
// when none does, or pos itself. Every line skipped is an ordinary line that
// ends before limit; limit must lie before the window's last byte, so that a
// CR at limit - 1 can see whether an LF follows it.
std::size_t SkipOrdinaryLines(const char* data, std::size_t pos, std::size_t limit) {
  std::size_t from = pos + 1;
#ifdef VEXA_HAVE_AVX2_VARIANT
  if (HaveAvx512()) {
    bool found = false;
    from = FindLineStartOAvx512(data, from, limit, found);
    if (found) return from;
  }
  if (HaveAvx2()) {
    bool found = false;
    from = FindLineStartOAvx2(data, from, limit, found);
    if (found) return from;
  }
#endif
#ifdef VEXA_HAVE_SSE2
  // Object text is full of 'O's inside lines (OF, ROUND, TO); looking for
  // 'O' and the line break before it together passes over them without a
  // stop each, which is what lets a load keep up with counting lines.
  const __m128i letter = _mm_set1_epi8('O');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i nul = _mm_setzero_si128();
  for (; from + 16 <= limit; from += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from));
    const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from - 1));
    const __m128i breaks =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(before, cr), _mm_cmpeq_epi8(before, lf)),
                     _mm_cmpeq_epi8(before, nul));
    const auto mask =
        unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(block, letter), breaks)));
    if (mask != 0) return from + std::size_t(__builtin_ctz(mask));
  }
#endif
  while (from < limit) {
    const void* hit = std::memchr(data + from, 'O', limit - from);
    if (!hit) break;
    const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
    if (IsLineBreak(data[at - 1])) return at;
    from = at + 1;
  }
  std::size_t at = limit;
  while (at > pos && !IsLineBreak(data[at - 1])) --at;
  if (at == pos) return pos;
  // at follows a line break; a CR LF pair ends one line, so its LF is no start.
  if (data[at - 1] == '\r' && data[at] == '\n') ++at;
  return at;
}

// The stream the entries of file read from; entries whose file is no longer
// held must never read a released one.
const vexa::ExclusiveFile& HeldStream(const TObjectTextFile& file) {
  const vexa::ExclusiveFile* stream = file.Stream();
  if (!stream) throw VexaError("The object's file is no longer open; open the file again");
  return *stream;
}

}  // namespace

std::int32_t StrToInt32(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  bool hex = false;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= text.size()) ThrowConversion(text);
  std::uint64_t value = 0;
  for (; i < text.size(); ++i) {
    int digit = hex ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
    if (digit < 0) ThrowConversion(text);
    value = value * (hex ? 16 : 10) + static_cast<unsigned>(digit);
    if (value > 0xFFFFFFFFull) ThrowConversion(text);
  }
  if (hex) {
    auto pattern = static_cast<std::uint32_t>(value);
    if (negative) pattern = 0u - pattern;
    return static_cast<std::int32_t>(pattern);
  }
  if (negative) {
    if (value > 0x80000000ull) ThrowConversion(text);
    return static_cast<std::int32_t>(-static_cast<std::int64_t>(value));
  }
  if (value > 0x7FFFFFFFull) ThrowConversion(text);
  return static_cast<std::int32_t>(value);
}

std::int32_t CountLineBreaks(std::string_view bytes, bool afterCR) {
  if (bytes.empty()) return 0;
  auto ends = [](char c, char before) {
    return int(c == '\r') | int(c == '\0') | (int(c == '\n') & int(before != '\r'));
  };
  // Branch-free, so that the compiler can count many bytes at a time.
  std::int32_t breaks = ends(bytes[0], afterCR ? '\r' : ' ');
  for (std::size_t i = 1; i < bytes.size(); ++i) breaks += ends(bytes[i], bytes[i - 1]);
  return breaks;
}

std::int32_t LineAtPosition(std::string_view text, std::int32_t pos) {
  const std::size_t end = pos > 1 ? std::min<std::size_t>(std::size_t(pos) - 1, text.size()) : 0;
  return 1 + CountLineBreaks(text.substr(0, end));
}

// ---- TObjectTextObject

TObjectTextObject::TObjectTextObject(TObjectTextFile& owner, std::int32_t startOffset,
                                     const std::string& header)
    : FStartOffset(startOffset), FOwner(owner) {
  ParseHeader(header);
}

void TObjectTextObject::ParseHeader(const std::string& header) {
  std::string_view h(header);
  if (!h.empty()) {
    switch (h.front()) {
      case 'T': FObjectType = TObjectType::otTable; break;
      case 'F': FObjectType = TObjectType::otForm; break;
      case 'R': FObjectType = TObjectType::otReport; break;
      case 'D': FObjectType = TObjectType::otDataport; break;
      case 'C': FObjectType = TObjectType::otCodeunit; break;
      case 'X': FObjectType = TObjectType::otXMLport; break;
      case 'M': FObjectType = TObjectType::otMenuSuite; break;
      case 'P': FObjectType = TObjectType::otPage; break;
      case 'Q': FObjectType = TObjectType::otQuery; break;
      default: break;
    }
  }
  // A header without spaces has no number text; one without the second
  // space has a number and an empty name. Nothing past the end is read.
  std::size_t first = h.find(' ');
  std::string_view number;
  std::string_view name;
  if (first != std::string_view::npos) {
    std::size_t second = h.find(' ', first + 1);
    if (second == std::string_view::npos) {
      number = h.substr(first + 1);
    } else {
      number = h.substr(first + 1, second - first - 1);
      name = h.substr(second + 1);
    }
  }
  FID = StrToInt32(number);
  FName.assign(name.substr(0, MaxNameLength));
}

std::string_view TObjectTextObject::Date() const {
  return FOwner.Properties().Dates.Get(FProperties.Date);
}

std::string_view TObjectTextObject::Time() const {
  return FOwner.Properties().Times.Get(FProperties.Time);
}

std::string_view TObjectTextObject::VersionList() const {
  return FOwner.Properties().VersionLists.Get(FProperties.VersionList);
}

void TObjectTextObject::SetEndOffset(std::int32_t endOffset) {
  FLength = endOffset - FStartOffset;
}

std::string TObjectTextObject::GetDisplayName() const {
  std::string result(ObjectTypeNames[std::size_t(FObjectType)]);
  result += ' ';
  result += std::to_string(FID);
  result += ' ';
  result += FName;
  return result;
}

std::string TObjectTextObject::GetExportFileName() const {
  std::string result(ObjectTypeNames[std::size_t(FObjectType)].substr(0, 3));
  for (char& c : result)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return result + std::to_string(FID) + ".txt";
}

std::string TObjectTextObject::GetText() const {
  const vexa::ExclusiveFile& stream = HeldStream(FOwner);
  std::string text(std::size_t(FLength > 0 ? FLength : 0), '\0');
  stream.ReadAt(FStartOffset, text.data(), text.size());
  return text;
}

void TObjectTextObject::SaveToStream(std::ostream& stream) const {
  const std::string text = GetText();
  stream.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!stream) throw StreamError(StreamWriteErrorText);
}

void TObjectTextObject::SaveToFile(const std::string& fileName) const {
  vexa::WriteFileReplacing(
      fileName, [this](std::ostream& out) { SaveToStream(out); }, FOwner.Stream());
}

bool TObjectTextObject::FindText(std::int32_t& Pos, const std::string& text, bool MatchCase) const {
  if (text.empty()) {
    Pos = 0;
    return false;
  }
  const std::string haystack = GetText();
  const std::size_t from = Pos >= 2 ? std::size_t(Pos) - 1 : 0;
  const std::size_t hit =
      MatchCase ? FindBytes(haystack, text, from) : FindBytesIgnoringCase(haystack, text, from);
  Pos = hit == std::string_view::npos ? 0 : static_cast<std::int32_t>(hit + 1);
  return Pos != 0;
}

// ---- TObjectTextFile

TObjectTextFile::TObjectTextFile() = default;

TObjectTextFile::~TObjectTextFile() {
  FStream.reset();
  FObjects.clear();
}

std::int32_t TObjectTextFile::GetCount() const {
  return static_cast<std::int32_t>(FObjects.size());
}

TObjectTextObject& TObjectTextFile::GetObject(std::int32_t index) const {
  if (index < 0 || index >= GetCount())
    throw ListIndexError("List index out of bounds (" + std::to_string(index) + ")");
  return const_cast<TObjectTextObject&>(FObjects[std::size_t(index)]);
}

bool TObjectTextFile::Reads(const std::string& path) const {
  if (!FStream) return false;
#ifdef _WIN32
  std::error_code ec;
  return std::filesystem::equivalent(vexa::PathOf(path), vexa::PathOf(FStream->FullName()), ec);
#else
  // The held file itself, under whatever name it has now. An export asks this
  // of every target, and a look at the held file's name each time was a third
  // of its lookups.
  vexa::FileIdentity identity;
  return vexa::IdentityOf(path, identity) && identity == FStream->Identity();
#endif
}

void TObjectTextFile::DoProgress(TProgressKind kind, std::uint8_t percent) {
  if (FOnProgress) FOnProgress(*this, kind, percent);
}

void TObjectTextFile::LoadFromFile(const std::string& fileName) {
  FStream.reset();
  auto stream = std::make_unique<vexa::ExclusiveFile>(fileName, FHold);
  if (stream->Size() > MaxFileSize)
    throw FileError("Cannot open file \"" + stream->FullName() +
                    "\". The file is 2 GiB or larger; files must be smaller than 2 GiB "
                    "(2147483648 bytes).");
  FStream = std::move(stream);
  LoadFromStream(*FStream);
  FFileName = fileName;
}

void TObjectTextFile::LoadFromStream(vexa::ExclusiveFile& stream) {
  FObjects.clear();
  FProperties.Clear();
  // The text is read in pieces into one reused buffer: the result is the same
  // as scanning the whole text at once, without paying for a buffer the size
  // of the file. Only a line that crosses a piece and may be a header line is
  // carried over to the next piece.
  const auto size = static_cast<std::size_t>(stream.Size());
  TScanState state;
  if (const std::size_t parts = LoadPartCount(stream); parts > 1) {
    LoadInParts(stream, parts);
    return;
  }
  BeginScan(state, size);
  ScanStream(state, stream, 0, size);
  if (state.Last) state.Last->SetEndOffset(static_cast<std::int32_t>(size));
  ReadPropertiesLeft(state, stream);
  EndScan(state, size);
  TellScanned(state, {}, size, true);
}

// Scans [begin, end) of the file, which must start and end at line starts.
void TObjectTextFile::ScanStream(TScanState& state, const vexa::ExclusiveFile& stream,
                                 std::size_t begin, std::size_t end) {
  // Plain reads into one 1 MB buffer: pieces from 64 KB to 4 MB and
  // posix_fadvise(SEQUENTIAL) measured the same on a cached file, and a
  // mapping saved under a tenth of the time but turns a file truncated by
  // another program during the load into a crash.
  // At least a few bytes, so that the first piece shows a byte-order mark whole.
  const std::size_t size = end - begin;
  std::vector<char> buffer(std::max<std::size_t>(std::min(size, FReadPieceSize), 8));
  std::size_t read = begin;
  std::size_t carry = 0;
  bool first = begin == 0;
  do {
    if (carry == buffer.size()) buffer.resize(buffer.size() * 2);
    const std::size_t piece = std::min(buffer.size() - carry, end - read);
    stream.ReadAt(static_cast<std::int64_t>(read), buffer.data() + carry, piece);
    read += piece;
    const std::size_t filled = carry + piece;
    const std::string_view window(buffer.data(), filled);
    std::size_t from = 0;
    if (first) {
      from = ScanStart(window, end);
      first = false;
    }
    const std::size_t consumed = ScanWindow(state, window, read - filled, from, read == end);
    if (FOnBytes && consumed > 0)
      FOnBytes(window.substr(0, consumed), static_cast<std::int64_t>(read - filled));
    TellScanned(state, window.substr(0, consumed), read - filled, false);
    if (FOnPartScanned)
      TellPartScanned(state, window.substr(0, consumed), read - filled, read == end);
    carry = filled - consumed;
    std::memmove(buffer.data(), buffer.data() + consumed, carry);
  } while (read < end);
}

void TObjectTextFile::TellScanned(const TScanState& state, std::string_view bytes,
                                  std::size_t offset, bool final) {
  if (!FOnScanned) return;
  const std::int32_t propertiesFrom =
      state.PropertiesLeft.empty() || final ? GetCount() : state.PropertiesLeft.front();
  FOnScanned({bytes, static_cast<std::int64_t>(offset), propertiesFrom, final});
}

void TObjectTextFile::ParseText(const std::string& text) {
  FProperties.Clear();
  TScanState state;
  BeginScan(state, text.size());
  ScanWindow(state, text, 0, ScanStart(text, text.size()), true);
  EndScan(state, text.size());
}

std::size_t TObjectTextFile::ScanStart(std::string_view head, std::size_t length) {
  // A UTF-8 byte-order mark must not hide a header on the first line.
  return length >= 3 && head.size() >= 3 && head.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
}

// The rounded percentage cannot change before the returned position, so
// most lines skip the division.
static std::size_t NextProgressCheck(std::uint8_t percent, std::size_t length) {
  double bound = std::floor((percent + 0.5) * static_cast<double>(length) / 100.0) - 1.0;
  return bound > 0 ? static_cast<std::size_t>(bound) : 0;
}

void TObjectTextFile::ResetScan(TScanState& state, std::size_t begin, std::size_t length) {
  state = TScanState();
  state.Begin = begin;
  state.Length = length;
  state.NextCheck = begin + NextProgressCheck(0, length);
}

void TObjectTextFile::BeginScan(TScanState& state, std::size_t length) {
  ResetScan(state, 0, length);
  DoProgress(TProgressKind::pkStart, 0);
}

void TObjectTextFile::EndScan(TScanState& state, std::size_t length) {
  if (state.Last) state.Last->SetEndOffset(static_cast<std::int32_t>(length));
  FProperties.Seal();
  FDateOrder = DecideDateOrder(FProperties.Dates);
  DoProgress(TProgressKind::pkDone, 100);
}

std::size_t TObjectTextFile::ScanWindow(TScanState& state, std::string_view window,
                                        std::size_t base, std::size_t from, bool final) {
  const char* data = window.data();
  const std::size_t size = window.size();
  std::size_t pos = from;
  if (state.SkipLineFeed && pos < size) {
    if (data[pos] == '\n') ++pos;
    state.SkipLineFeed = false;
  }
  while (pos < size) {
    if (!state.InOrdinaryLine && data[pos] != 'O' && size > 1) {
      // Lines that cannot be headers and cannot change the percentage need
      // no visit of their own.
      const std::size_t limit =
          std::min(size - 1, state.NextCheck > base ? state.NextCheck - base : 0);
      if (limit > pos + 1) pos = SkipOrdinaryLines(data, pos, limit);
    }
    const std::size_t lineStart = pos;
    pos = FindLineEnd(data, pos, size);
    const std::size_t lineLength = pos - lineStart;
    const bool marker =
        !state.InOrdinaryLine && lineLength >= ObjectMarker.size() &&
        std::memcmp(data + lineStart, ObjectMarker.data(), ObjectMarker.size()) == 0;
    if (pos == size && !final) {
      // The line goes on in the next piece. Keep its bytes only while they
      // may still turn out to be a header line.
      if (marker || (!state.InOrdinaryLine && lineLength < ObjectMarker.size())) return lineStart;
      state.InOrdinaryLine = true;
      return size;
    }
    state.InOrdinaryLine = false;
    if (marker) {
      FoundHeader(state, base + lineStart, window.substr(lineStart, lineLength),
                  window.substr(lineStart), final);
    } else if (base + pos >= state.NextCheck) {
      ReachPosition(state, base + pos);
    }
    if (pos < size) {
      if (data[pos] == '\0') {
        ++pos;
      } else {
        if (data[pos] == '\r') {
          ++pos;
          if (pos == size && !final) state.SkipLineFeed = true;
        }
        if (pos < size && data[pos] == '\n') ++pos;
      }
    }
  }
  return size;
}

void TObjectTextFile::FoundHeader(TScanState& state, std::size_t start, std::string_view line,
                                  std::string_view text, bool final) {
  const std::string_view header = line.substr(ObjectMarker.size());
  if (state.Part) return FoundInPart(*state.Part, start, header, text, final && state.TextEnds);
  const auto offset = static_cast<std::int32_t>(start);
  if (state.Last) state.Last->SetEndOffset(offset);
  state.Last = &FObjects.emplace_back(*this, offset, std::string(header));
  if (FReadProperties) ReadProperties(state, text, final);
}

void TObjectTextFile::ReachPosition(TScanState& state, std::size_t end) {
  auto percent = static_cast<std::uint8_t>(std::nearbyint(
      static_cast<double>(end - state.Begin) / static_cast<double>(state.Length) * 100.0));
  if (percent == state.LastPercent) return;
  state.LastPercent = percent;
  state.NextCheck = state.Begin + NextProgressCheck(percent, state.Length);
  if (state.Part) return ReachedInPart(*state.Part, percent);
  DoProgress(TProgressKind::pkProgress, percent);
}

void TObjectTextFile::ReadProperties(TScanState& state, std::string_view text, bool final) {
  TPropertyValues values;
  if (ParseObjectProperties(text, final, values) == TBlockScan::bsTruncated) {
    state.PropertiesLeft.push_back(GetCount() - 1);
    return;
  }
  state.Last->SetProperties({FProperties.Dates.Add(values.Date),
                             FProperties.Times.Append(values.Time),
                             FProperties.VersionLists.Add(values.VersionList), values.Modified});
}

void TObjectTextFile::ReadPropertiesLeft(TScanState& state, const vexa::ExclusiveFile& stream) {
  // The block lies near the object's start: a small read nearly always holds
  // it, and the whole object settles the rest.
  constexpr std::int32_t FirstRead = 4 << 10;
  std::string text;
  for (const std::int32_t index : state.PropertiesLeft) {
    TObjectTextObject& object = FObjects[std::size_t(index)];
    const std::int32_t length = std::max(object.Length(), 0);
    TPropertyValues values;
    for (std::int32_t want = std::min(length, FirstRead);; want = length) {
      text.resize(std::size_t(want));
      stream.ReadAt(object.StartOffset(), text.data(), text.size());
      if (ParseObjectProperties(text, want == length, values) != TBlockScan::bsTruncated) break;
    }
    object.SetProperties({FProperties.Dates.Add(values.Date), FProperties.Times.Append(values.Time),
                          FProperties.VersionLists.Add(values.VersionList), values.Modified});
  }
}

void TObjectTextFile::Clear() {
  FObjects.clear();
  FProperties.Clear();
  FFileName.clear();
}

bool TObjectTextFile::FindText(std::int32_t& ObjIndex, std::int32_t& Pos, const std::string& text,
                               bool MatchCase) {
  if (ObjIndex < 0) GetObject(ObjIndex);
  const std::int32_t count = GetCount();
  if (ObjIndex >= count) return false;
  if (text.empty()) {
    ObjIndex = count;
    Pos = 0;
    return false;
  }
  // The entries lie one after another in the file, so one read serves many
  // of them; each entry is still searched within its own bytes only.
  vexa::TChunkReader reader(HeldStream(*this), FSearchChunkSize);
  for (; ObjIndex < count; ++ObjIndex, Pos = 0) {
    const TObjectTextObject& object = FObjects[std::size_t(ObjIndex)];
    const std::int64_t start = object.StartOffset();
    const std::int64_t end = start + std::max(object.Length(), 0);
    const std::int64_t hit = reader.Find(start + (Pos >= 2 ? Pos - 1 : 0), end, text, MatchCase);
    if (hit >= 0) {
      Pos = static_cast<std::int32_t>(hit - start + 1);
      return true;
    }
  }
  return false;
}
