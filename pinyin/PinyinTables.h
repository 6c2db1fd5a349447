#pragma once

#include <cstdint>

// The constant tables behind PinyinCode, exposed so tests can check their invariants.

struct PinyinSyllable {
    std::uint8_t length;
    char letters[7]; // up to six lower-case ASCII letters, NUL-terminated
};

constexpr int PinyinSyllableCount = 405;
constexpr int PinyinIndexRows = 126;    // lead bytes 0x81-0xFE
constexpr int PinyinIndexColumns = 191; // trail bytes 0x40-0xFE, 0x7F included
constexpr int PinyinIndexSize = PinyinIndexRows * PinyinIndexColumns;

// Syllable number s (1..405) is element s - 1.
extern const PinyinSyllable PinyinSyllables[PinyinSyllableCount];

// Entry at (lead - 0x81) * 191 + (trail - 0x40): 0 for no code, else a syllable number.
extern const std::uint16_t PinyinIndex[PinyinIndexSize];

// Row 0xA2, trail 0xA1-0xFE: the decimal number a numbered symbol shows, "" where unassigned.
extern const char NumberSymbolCodes[94][3];

// Row 0xA6: transcription of the k-th Greek letter, shared by capital (0xA1 + k) and small (0xC1 + k).
extern const char GreekLetterCodes[24][3];
