// SPDX-License-Identifier: MIT
#include "objectmerge.h"

#include <optional>
#include <unordered_map>

#include "linemerge.h"
#include "objectelements.h"
#include "orderedunion.h"

namespace merge {

namespace {

// A run of lines of one side; Side is null for a side that lacks it.
struct TRange {
  const TObjectElements* Side = nullptr;
  std::int32_t Begin = 0;
  std::int32_t End = 0;
  std::string_view Text() const { return Side ? Side->Lines(Begin, End) : std::string_view{}; }
};

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A one-line property's value: from its = to its last ;.
std::string_view ValueOf(std::string_view line) {
  std::size_t end = line.find_first_of("\r\n");
  if (end == std::string_view::npos) end = line.size();
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos || eq >= end) return {};
  std::string_view value = line.substr(eq + 1, end - eq - 1);
  value = Trim(value);
  if (!value.empty() && value.back() == ';') value.remove_suffix(1);
  return value;
}

std::string WithValue(std::string_view line, std::string_view value) {
  const std::string_view old = ValueOf(line);
  const std::size_t at = std::size_t(old.data() - line.data());
  return std::string(line.substr(0, at)) + std::string(value) +
         std::string(line.substr(at + old.size()));
}

// hh:mm:ss as one number; nothing when the text holds no time.
std::optional<std::int32_t> TimeNumber(std::string_view text) {
  std::int32_t fields[3] = {0, 0, 0};
  int n = -1;
  bool inDigits = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      if (!inDigits && ++n >= 3) break;
      inDigits = true;
      fields[n] = fields[n] * 10 + (c - '0');
      if (fields[n] > 99999) return std::nullopt;
    } else {
      inDigits = false;
    }
  }
  if (n < 1) return std::nullopt;
  return fields[0] * 10000 + fields[1] * 100 + fields[2];
}

class TMerger {
 public:
  TMerger(const TObjectElements* o, const TObjectElements& a, const TObjectElements& b,
          const TMergeOptions& options)
      : FO(o), FA(a), FB(b), FOptions(options), FBreak(LineBreakOf(b.Text())) {}

  TObjectMerge Run();

 private:
  TRange Whole(const TObjectElements* side, const TElement* e) const {
    return e ? TRange{side, e->Begin, e->End} : TRange{};
  }
  TRange Head(const TObjectElements* side, const TElement* e, std::int32_t from) const {
    return e ? TRange{side, from, e->HeadEnd} : TRange{};
  }
  TRange Tail(const TObjectElements* side, const TElement* e) const {
    return e ? TRange{side, e->TailBegin, e->End} : TRange{};
  }

  void Header();
  void Element(const TElement* o, const TElement* a, const TElement* b);
  void Child(const TElement* o, const TElement* a, const TElement* b);
  void Children(const TElement* o, const TElement& a, const TElement& b);
  void ObjectProperties(const TElement* o, const TElement& a, const TElement& b);
  void Lines(const TRange& o, const TRange& a, const TRange& b);
  void Conflict(std::string_view o, std::string_view a, std::string_view b) {
    AppendConflict(FOut, o, a, b, FBreak);
    ++FConflicts;
  }
  bool Safe(const TRange& r, std::int32_t from, std::int32_t to) const {
    return !r.Side ||
           (r.Side->MarkSafeBefore(r.Begin + from) && r.Side->MarkSafeBefore(r.Begin + to));
  }

  const TObjectElements* FO;
  const TObjectElements& FA;
  const TObjectElements& FB;
  const TMergeOptions& FOptions;
  std::string_view FBreak;
  std::string FOut;
  std::int32_t FConflicts = 0;
};

TObjectMerge TMerger::Run() {
  Header();
  const TElement* o = FO ? &FO->Root() : nullptr;
  const TElement& a = FA.Root();
  const TElement& b = FB.Root();
  const bool structured = a.Kind == TElementKind::ekObject && b.Kind == TElementKind::ekObject &&
                          (!o || o->Kind == TElementKind::ekObject);
  if (structured) {
    Lines(Head(FO, o, 1), Head(&FA, &a, 1), Head(&FB, &b, 1));
    Children(o, a, b);
    Lines(Tail(FO, o), Tail(&FA, &a), Tail(&FB, &b));
  } else {
    Lines(o ? TRange{FO, 1, FO->LineCount()} : TRange{}, TRange{&FA, 1, FA.LineCount()},
          TRange{&FB, 1, FB.LineCount()});
  }
  return {std::move(FOut), FConflicts};
}

// The header line stays the one line that starts the object; names changed
// differently on both sides show in a conflict after it, indented by a
// space so that no header line stands inside the conflict.
void TMerger::Header() {
  const std::string_view o = FO ? FO->Lines(0, 1) : std::string_view{};
  const std::string_view a = FA.Lines(0, 1);
  const std::string_view b = FB.Lines(0, 1);
  if (a == b || a == o) {
    FOut += b;
  } else if (b == o) {
    FOut += a;
  } else {
    FOut += b;
    auto indented = [](std::string_view line) {
      return line.empty() ? std::string() : " " + std::string(line);
    };
    Conflict(indented(o), indented(a), indented(b));
  }
}

void TMerger::Element(const TElement* o, const TElement* a, const TElement* b) {
  const std::string_view ta = FA.TextOf(*a);
  const std::string_view tb = FB.TextOf(*b);
  const std::string_view to = o ? FO->TextOf(*o) : std::string_view{};
  if (ta == tb || (o && ta == to)) {
    FOut += tb;
    return;
  }
  if (o && tb == to) {
    FOut += ta;
    return;
  }
  if (a->Container() && a->Kind == b->Kind && (!o || o->Kind == a->Kind)) {
    if (a->Kind == TElementKind::ekProperties && a->Key == "OBJECT-PROPERTIES") {
      ObjectProperties(o, *a, *b);
      return;
    }
    Lines(Head(FO, o, o ? o->Begin : 0), Head(&FA, a, a->Begin), Head(&FB, b, b->Begin));
    Children(o, *a, *b);
    Lines(Tail(FO, o), Tail(&FA, a), Tail(&FB, b));
    return;
  }
  Lines(Whole(FO, o), Whole(&FA, a), Whole(&FB, b));
}

// One key of a container: an element on one side only was added there, or
// deleted on the other; deleted on one side and changed on the other, it
// is a conflict.
void TMerger::Child(const TElement* o, const TElement* a, const TElement* b) {
  if (a && b) return Element(o, a, b);
  if (!a && !b) return;
  const std::string_view to = o ? FO->TextOf(*o) : std::string_view{};
  const std::string_view ta = a ? FA.TextOf(*a) : std::string_view{};
  const std::string_view tb = b ? FB.TextOf(*b) : std::string_view{};
  if (!o)
    FOut += a ? ta : tb;
  else if ((a ? ta : tb) != to)
    Conflict(to, ta, tb);
}

void TMerger::Children(const TElement* o, const TElement& a, const TElement& b) {
  auto index = [](const TElement* e) {
    std::unordered_map<std::string_view, const TElement*> map;
    if (e)
      for (const TElement& child : e->Children) map.emplace(child.Key, &child);
    return map;
  };
  auto keys = [](const TElement& e) {
    std::vector<std::string_view> list;
    for (const TElement& child : e.Children) list.push_back(child.Key);
    return list;
  };
  const auto inO = index(o), inA = index(&a), inB = index(&b);
  auto find = [](const auto& map, std::string_view key) -> const TElement* {
    const auto it = map.find(key);
    return it == map.end() ? nullptr : it->second;
  };
  const std::vector<std::string_view> oKeys = o ? keys(*o) : std::vector<std::string_view>{};
  for (std::string_view key : MergedOrder(o ? &oKeys : nullptr, keys(a), keys(b)))
    Child(find(inO, key), find(inA, key), find(inB, key));
}

// Date and Time of the later side, Modified when either side says so, the
// Version List as the options say; every other property as any element.
void TMerger::ObjectProperties(const TElement* o, const TElement& a, const TElement& b) {
  Lines(Head(FO, o, o ? o->Begin : 0), Head(&FA, &a, a.Begin), Head(&FB, &b, b.Begin));
  auto child = [](const TElement* e, std::string_view key) -> const TElement* {
    if (e)
      for (const TElement& c : e->Children)
        if (c.Key == key) return &c;
    return nullptr;
  };
  auto value = [](const TObjectElements* side, const TElement* e) {
    return e ? ValueOf(side->TextOf(*e)) : std::string_view{};
  };
  auto stamp = [&](const TObjectElements* side, const TElement* e) {
    return std::string(value(side, child(e, "Date"))) + ' ' +
           std::string(value(side, child(e, "Time")));
  };
  // The side whose Date and Time win.
  bool modifiedLater = false;
  if (o && stamp(FO, o) == stamp(&FB, &b)) {
    modifiedLater = true;
  } else if (!(o && stamp(FO, o) == stamp(&FA, &a))) {
    const auto aDate = DateNumber(value(&FA, child(&a, "Date")), FOptions.ModifiedDates);
    const auto bDate = DateNumber(value(&FB, child(&b, "Date")), FOptions.TargetDates);
    const auto aTime = TimeNumber(value(&FA, child(&a, "Time")));
    const auto bTime = TimeNumber(value(&FB, child(&b, "Time")));
    if (aDate && bDate)
      modifiedLater =
          *aDate > *bDate || (*aDate == *bDate && aTime.value_or(0) > bTime.value_or(0));
    else
      modifiedLater = aDate && !bDate;
  }
  std::vector<std::string_view> oKeys, aKeys, bKeys;
  if (o)
    for (const TElement& c : o->Children) oKeys.push_back(c.Key);
  for (const TElement& c : a.Children) aKeys.push_back(c.Key);
  for (const TElement& c : b.Children) bKeys.push_back(c.Key);
  for (std::string_view key : MergedOrder(o ? &oKeys : nullptr, aKeys, bKeys)) {
    const TElement* co = child(o, key);
    const TElement* ca = child(&a, key);
    const TElement* cb = child(&b, key);
    if (key == "Date" || key == "Time") {
      // The later side's, or the other's when the later one has none and
      // the other changed it.
      const TElement* later = modifiedLater ? ca : cb;
      const TElement* other = modifiedLater ? cb : ca;
      const TObjectElements& otherSide = modifiedLater ? FB : FA;
      if (later)
        FOut += (modifiedLater ? FA : FB).TextOf(*later);
      else if (other && (!co || otherSide.TextOf(*other) != FO->TextOf(*co)))
        FOut += otherSide.TextOf(*other);
    } else if (key == "Modified" && (value(&FA, ca) == "Yes" || value(&FB, cb) == "Yes")) {
      FOut += value(&FB, cb) == "Yes" ? FB.TextOf(*cb) : FA.TextOf(*ca);
    } else if (key == "Version List" && ca && cb) {
      const std::string_view va = value(&FA, ca);
      const std::string_view vb = value(&FB, cb);
      const std::string_view vo = value(FO, co);
      std::string merged;
      switch (FOptions.VersionList) {
        case TVersionListMode::vlModified: merged = va; break;
        case TVersionListMode::vlTarget: merged = vb; break;
        case TVersionListMode::vlMerge:
          merged = co && va == vo   ? std::string(vb)
                   : co && vb == vo ? std::string(va)
                                    : MergeVersionLists(va, vb);
          break;
      }
      FOut += merged == va ? std::string(FA.TextOf(*ca)) : WithValue(FB.TextOf(*cb), merged);
    } else {
      Child(co, ca, cb);
    }
  }
  Lines(Tail(FO, o), Tail(&FA, &a), Tail(&FB, &b));
}

void TMerger::Lines(const TRange& o, const TRange& a, const TRange& b) {
  const std::string_view to = o.Text(), ta = a.Text(), tb = b.Text();
  if (ta == tb || ta == to) {
    FOut += tb;
    return;
  }
  if (tb == to) {
    FOut += ta;
    return;
  }
  const std::vector<TMergeChunk> chunks = MergeLineChunks(to, ta, tb);
  bool safe = true;
  for (const TMergeChunk& c : chunks)
    if (c.Kind == TMergeChunk::mcConflict)
      safe = safe && Safe(o, c.OriginalBegin, c.OriginalEnd) &&
             Safe(a, c.ModifiedBegin, c.ModifiedEnd) && Safe(b, c.TargetBegin, c.TargetEnd);
  if (!safe) {
    // A mark inside a comment or a [...] value would not be read as one:
    // the whole element is the conflict then.
    Conflict(to, ta, tb);
    return;
  }
  const TLineIndex io = IndexLines(to), ia = IndexLines(ta), ib = IndexLines(tb);
  for (const TMergeChunk& c : chunks) {
    switch (c.Kind) {
      case TMergeChunk::mcStable: FOut += io.Lines(to, c.OriginalBegin, c.OriginalEnd); break;
      case TMergeChunk::mcModified: FOut += ia.Lines(ta, c.ModifiedBegin, c.ModifiedEnd); break;
      case TMergeChunk::mcTarget: FOut += ib.Lines(tb, c.TargetBegin, c.TargetEnd); break;
      case TMergeChunk::mcConflict:
        Conflict(io.Lines(to, c.OriginalBegin, c.OriginalEnd),
                 ia.Lines(ta, c.ModifiedBegin, c.ModifiedEnd),
                 ib.Lines(tb, c.TargetBegin, c.TargetEnd));
        break;
    }
  }
}

struct TTag {
  std::string_view Prefix;
  std::string_view Text;
};

std::vector<TTag> Tags(std::string_view list) {
  std::vector<TTag> tags;
  std::size_t from = 0;
  while (from <= list.size() && !list.empty()) {
    const std::size_t comma = std::min(list.find(',', from), list.size());
    const std::string_view tag = list.substr(from, comma - from);
    const std::size_t digit = std::min(tag.find_first_of("0123456789"), tag.size());
    if (!tag.empty()) tags.push_back({tag.substr(0, digit), tag});
    from = comma + 1;
  }
  return tags;
}

}  // namespace

TObjectMerge MergeObject(std::string_view original, std::string_view modified,
                         std::string_view target, const TMergeOptions& options) {
  std::optional<TObjectElements> o;
  if (!original.empty()) o.emplace(original);
  const TObjectElements a(modified);
  const TObjectElements b(target);
  return TMerger(o ? &*o : nullptr, a, b, options).Run();
}

bool VersionBelow(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      while (i < a.size() && a[i] == '0') ++i;
      while (j < b.size() && b[j] == '0') ++j;
      std::size_t ei = i, ej = j;
      while (ei < a.size() && digit(a[ei])) ++ei;
      while (ej < b.size() && digit(b[ej])) ++ej;
      if (ei - i != ej - j) return ei - i < ej - j;
      const int order = a.substr(i, ei - i).compare(b.substr(j, ej - j));
      if (order != 0) return order < 0;
      i = ei, j = ej;
    } else {
      if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
      ++i, ++j;
    }
  }
  return i == a.size() && j < b.size();
}

std::string MergeVersionLists(std::string_view modified, std::string_view target) {
  const std::vector<TTag> a = Tags(modified), b = Tags(target);
  auto keyed = [](const std::vector<TTag>& tags) {
    std::vector<std::string> keys;
    std::unordered_map<std::string_view, int> seen;
    for (const TTag& tag : tags)
      keys.push_back(std::string(tag.Prefix) + "#" + std::to_string(++seen[tag.Prefix]));
    return keys;
  };
  const std::vector<std::string> aKeys = keyed(a), bKeys = keyed(b);
  std::unordered_map<std::string, std::string_view> best;
  for (std::size_t i = 0; i < a.size(); ++i) best[aKeys[i]] = a[i].Text;
  for (std::size_t i = 0; i < b.size(); ++i) {
    auto [it, fresh] = best.emplace(bKeys[i], b[i].Text);
    if (!fresh && !VersionBelow(b[i].Text, it->second)) it->second = b[i].Text;
  }
  std::string result;
  for (const std::string& key : OrderedUnion(aKeys, bKeys)) {
    if (!result.empty()) result += ',';
    result += best[key];
  }
  return result;
}

}  // namespace merge
