// SPDX-License-Identifier: MIT
// Helpers shared by the suites of the object text model.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "vexafile.h"

// Records the progress events of a load.
struct ProgressLog {
  std::vector<std::pair<TProgressKind, int>> events;
  void attach(TObjectTextFile& file) {
    file.SetOnProgress([this](TObjectTextFile&, TProgressKind kind, std::uint8_t percent) {
      events.emplace_back(kind, percent);
    });
  }
};

using Events = std::vector<std::pair<TProgressKind, int>>;
constexpr auto kStart = TProgressKind::pkStart;
constexpr auto kProgress = TProgressKind::pkProgress;
constexpr auto kDone = TProgressKind::pkDone;

// An entry that is never loaded from a file: header parsing only.
struct Header {
  TObjectTextFile file;
  TObjectTextObject entry;
  explicit Header(const std::string& text) : entry(file, 0, text) {}
};
