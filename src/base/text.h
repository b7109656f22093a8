// Text helpers shared by every layer. The program's text type is UTF-16 (std::u16string),
// the encoding of the Windows registry and of the Win32 "W" functions.
#pragma once

#include <string>
#include <string_view>

namespace zentrim {

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string ToUtf8(std::u16string_view text);

// UTF-8 to UTF-16; malformed sequences become U+FFFD.
std::u16string FromUtf8(std::string_view text);

// Windows-1252 (8-bit) text to UTF-16. The five codes the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the control characters of the same number, as Windows' own conversion does.
std::u16string FromWindows1252(std::string_view text);

// Upper-case form of one character for comparisons that ignore case, covering the scripts a
// registry or catalogue name is written in (Latin, Greek, Cyrillic).
char16_t FoldCase(char16_t c);
char16_t LowerCase(char16_t c);

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b);
// Whether `text` begins with `prefix`, compared as EqualsIgnoringCase compares.
bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix);

// An ASCII decimal digit, in text of any character type.
constexpr bool IsDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

// Whether the bytes are well-formed UTF-8: every sequence complete and in its shortest form, no
// surrogate code points, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);
std::u16string ToLowerText(std::u16string_view text);
std::u16string ToUpperText(std::u16string_view text);

// Decimal text of a signed integer, and the strict reverse: an optional sign followed by digits
// only, within the 32-bit range.
std::u16string IntToText(long long value);
bool TryParseInt32(std::u16string_view text, int& value);

} // namespace zentrim
