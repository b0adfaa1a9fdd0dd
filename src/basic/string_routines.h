// String routines of Setup's helper module, portable. Positions are 1-based; 0 means not found.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"
#include "basic/variant.h"

namespace quorin {

enum class CompareMode : int32_t {
    Binary = 0, // exact comparison of character codes
    Text = 1,   // without regard to letter case
};

// Position of the first occurrence of `pattern` in `text` at or after `start` (1-based); 0 if
// none. An empty pattern is found at `start` when start <= len + 1. Raises InvalidArgument
// for start < 1.
int32_t FindFirst(int32_t start, TextView text, TextView pattern, CompareMode compare);

// Position of the last occurrence of `pattern` in `text` that begins at or after `start`; 0 if
// none. An empty pattern with start inside the text gives len + 1. Raises InvalidArgument for
// start < 1.
int32_t FindLast(int32_t start, TextView text, TextView pattern, CompareMode compare);

// The UTF-16 code units of `text` in reverse order.
Text ReverseChars(TextView text);

// `templ` with each "$" replaced, in order, by the text form of the next value; each value
// replaces the first "$" of the text the previous replacements produced. Empty and null values
// contribute nothing. A value that finds no "$" left is dropped. Raises the conversion error
// of a value without a text form (an array, the omitted marker).
Text EmbedValues(TextView templ, const std::vector<Variant>& values);

// `templ` with its own "$" placeholders replaced, in order, by `values`: unlike EmbedValues, a
// "$" that a value brings in is never filled, so values holding "$" (a path on an
// administrative share such as \\server\c$) arrive as they are. Placeholders without a value
// stay "$"; values without a placeholder are dropped.
Text FillPlaceholders(TextView templ, const std::vector<Text>& values);

// Letter-case folding used by CompareMode::Text (ASCII and the full-width, Greek and Cyrillic
// letters the Japanese code page holds). A folded text serves as a key for lookups that
// ignore letter case.
char16_t FoldCase(char16_t c) noexcept;
Text FoldCase(TextView text);
bool EqualsNoCase(TextView a, TextView b) noexcept;

} // namespace quorin
