// SPDX-License-Identifier: MIT
// The outline of one object's text: its sections, fields, the triggers of
// fields, controls and actions, its procedures and its documentation
// trigger, each with where it stands.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cal {

enum class TOutlineKind : std::uint8_t {
  okSection,
  okField,
  okTrigger,
  okProcedure,
  okDocumentation
};

struct TOutlineEntry {
  TOutlineKind Kind;
  std::string Name;
  // A trigger's field, control or action; empty for the object's own triggers.
  std::string Owner;
  bool Local = false;  // LOCAL PROCEDURE
  // A procedure's attribute lines such as [EventSubscriber(...)], joined by a space.
  std::string Attributes;
  std::int32_t Start = 0;  // byte offset of the name in the text
  std::int32_t Line = 0;   // 1-based
};

std::vector<TOutlineEntry> BuildOutline(std::string_view text);

// The first four columns of a row such as "{ 1   ;   ;No.   ;Code20   ;...",
// after its {, trimmed.
std::vector<std::string_view> RowColumns(std::string_view line);

// "section", "field", "trigger", "procedure", "local procedure", "documentation".
std::string OutlineKindName(const TOutlineEntry& entry);

// How a list shows the entry, indented by its depth.
std::string OutlineCaption(const TOutlineEntry& entry);

// Index of the last entry that starts at or before offset, or -1.
int OutlineEntryAt(const std::vector<TOutlineEntry>& outline, std::int32_t offset);

}  // namespace cal
