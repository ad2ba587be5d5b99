#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tolvane {

// How a list file's text is stored. Tolvane writes new lists in the system's
// ANSI code page; a list saved as UTF-8 by an editor stays UTF-8.
enum class ListEncoding {
    CodePage,
    Utf8,          // without a byte-order mark: judged by its content
    Utf8WithMark,  // starts with EF BB BF
};

inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// The characters a UTF-8 list without the mark may hold besides ASCII: CJK
// ideographs, CJK symbols and punctuation, full-width forms. Code page 936
// bytes of ordinary names almost never decode to these alone.
bool IsUnmarkedUtf8Character(char32_t c);

// Strict UTF-8: nothing for malformed, overlong or surrogate sequences. With
// `unmarked`, also nothing for a character outside IsUnmarkedUtf8Character.
std::optional<std::wstring> DecodeUtf8(std::string_view bytes, bool unmarked);
// Nothing for a lone surrogate.
std::optional<std::string> EncodeUtf8(const std::wstring& text);

// Judges a file's encoding from its bytes, fed in any pieces in order.
//
// A file that starts with the mark is UTF-8. Without it, a file is UTF-8 only
// on a code page 936 system, and only when it cannot be a code page list of
// ordinary names: it holds non-ASCII bytes, and every one of its lines is
// UTF-8 whose non-ASCII characters are all IsUnmarkedUtf8Character. Lines
// holding a NUL byte are not judged: they are never records, and a power cut
// may have left them half written. Anything else, an empty or ASCII-only file
// included, is in the code page.
class EncodingDetector {
public:
    explicit EncodingDetector(unsigned codePage) : codePage_(codePage) {}
    void Feed(const char* data, std::size_t size);
    // True once more bytes cannot change the result.
    bool Decided() const;
    // The encoding of all the bytes fed, taken as the whole file.
    ListEncoding Result();

private:
    void EndLine();

    unsigned codePage_;
    std::size_t position_ = 0;
    bool marked_ = true;  // the bytes so far are the mark's beginning
    bool utf8_ = true, nonAscii_ = false;
    // The current line.
    bool lineUtf8_ = true, lineNonAscii_ = false, lineNul_ = false;
    int pending_ = 0;  // continuation bytes still due
    char32_t character_ = 0, smallest_ = 0;
};

}  // namespace tolvane
