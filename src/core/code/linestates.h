// SPDX-License-Identifier: MIT
// Lines of object text many at a time: their ends and breaks, and the state
// the lexer reaches over them, found without lexing each line.
#pragma once

#include <cstddef>
#include <string_view>

#include "callexer.h"

namespace cal {

// The state the line that starts at to begins in, when the line that
// starts at from begins in state; both are line starts of text, from <= to.
// The same as LexLine over each line in turn without tokens, but code is
// passed over many lines at a time, up to what may change its state.
TLexState LexStatesBetween(std::string_view text, std::size_t from, std::size_t to,
                           TLexState state);

// The end of the line that starts at start (or holds it): the first CR or LF
// from start on, or the text's end.
std::size_t LineEndFrom(std::string_view text, std::size_t start);

// The line breaks in text: CR LF, lone CR and lone LF each count one.
int CountLineBreaks(std::string_view text);

}  // namespace cal
