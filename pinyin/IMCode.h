#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Flag bits of PinyinCode. Bits 3-30 are ignored; a negative flags word yields an empty code.
constexpr std::int32_t FullSyllable = 1; // whole upper-case syllable instead of its first letter
constexpr std::int32_t MarkNoCode = 2;   // "?" for a double-byte character without a code
constexpr std::int32_t KeepSymbols = 4;  // copy every single byte and full-width form, not just letters/digits

// Turns GBK text into its pinyin search code: upper-case initials of the Chinese characters, ASCII
// letters and digits carried over upper-cased, cut to at most maxLength bytes. Pure and reentrant.
std::string PinyinCode(std::string_view source, std::int32_t flags, std::int32_t maxLength);
