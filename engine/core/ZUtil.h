#pragma once
// Small free functions shared across the engine: number and text helpers, the command-line splitter.
// None keeps state.
#include <cstddef>
#include <cstdint>

// Reads up to 8 hexadecimal digits from the start of the text (either case), stopping at the first
// other character. Returns the value; `digits` (when given) receives how many digits were read, so
// callers can tell whether an alpha byte was given. A leading "#" or "0x" is not skipped; a text
// that does not start with a digit (or null) gives 0 and 0 digits.
uint32_t ParseHexColor(const char* text, int* digits = nullptr);
