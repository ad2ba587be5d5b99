#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tolvane {

// How a list file's text is stored. A file that starts with a byte-order mark
// is in that encoding throughout. A file without one (what Tolvane itself
// writes, and what Notepad saves as "ANSI" or as UTF-8 without the mark) is
// read line by line: each line on its own is UTF-8 or the system's code page
// (LineReadsAsUtf8), so how one line reads never depends on another.
enum class ListEncoding {
    CodePage,      // no mark; new lines in the code page
    Utf8,          // no mark; new lines in UTF-8
    Utf8WithMark,  // EF BB BF
    Utf16Le,       // FF FE: Notepad's "Unicode"
    Utf16Be,       // FE FF
};

// The mark a file of this encoding starts with (empty without one).
std::string_view MarkOf(ListEncoding encoding);
// The encoding a file's first bytes announce by their mark, given at least
// the first three of them (or the whole file, when shorter); nothing when
// they carry no mark.
std::optional<ListEncoding> MarkedEncoding(std::string_view start);
inline bool IsUnmarked(ListEncoding e) { return e == ListEncoding::CodePage || e == ListEncoding::Utf8; }
inline bool IsUtf16(ListEncoding e) { return e == ListEncoding::Utf16Le || e == ListEncoding::Utf16Be; }

// The characters a line without the mark may hold besides ASCII and still
// read as UTF-8: what Chinese server names use. Ideographs (CJK Extension A
// and the unified block), CJK symbols and punctuation, full-width forms,
// general punctuation (dashes, ellipsis, curly quotes; no invisible spaces,
// joiners or direction marks) and the middle dot.
bool IsUnmarkedUtf8Character(char32_t c);
bool IsIdeograph(char32_t c);

// Whether a line of a file without the mark, on a system of `codePage`,
// reads as UTF-8 rather than in the code page: only on code page 936, and
// only when its bytes can hardly be code page text. It must hold a non-ASCII
// byte and no NUL, be strict UTF-8 whose characters are all
// IsUnmarkedUtf8Character, and hold at least one ideograph. Punctuation alone
// is not enough: the code page bytes of common characters (路 is C2 B7, the
// middle dot's UTF-8) decode to it.
bool LineReadsAsUtf8(std::string_view line, unsigned codePage);

// Strict UTF-8 and UTF-16: nothing for malformed, overlong or cut sequences
// and for lone surrogates. Texts in memory are wide strings (UTF-16 on
// Windows, UTF-32 elsewhere).
std::optional<std::wstring> DecodeUtf8(std::string_view bytes);
std::optional<std::string> EncodeUtf8(const std::wstring& text);
std::optional<std::wstring> DecodeUtf16(std::string_view bytes, bool bigEndian);
std::optional<std::string> EncodeUtf16(const std::wstring& text, bool bigEndian);

}  // namespace tolvane
