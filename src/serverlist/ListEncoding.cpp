#include "serverlist/ListEncoding.h"

#include <vector>

namespace tolvane {
namespace {

constexpr unsigned kChineseCodePage = 936;

bool IsCharacter(char32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

// The characters of strict UTF-8 in turn; false for anything malformed
// (a stray or missing continuation byte, an overlong form, a surrogate, a
// character beyond U+10FFFF), with `each` called on the characters before it.
template <typename Each>
bool ForEachUtf8(std::string_view bytes, Each each) {
    for (std::size_t i = 0; i < bytes.size();) {
        auto byte = static_cast<unsigned char>(bytes[i++]);
        char32_t c = byte, smallest = 0;
        int pending = 0;
        if (byte >= 0xC2 && byte <= 0xDF) {
            c = byte & 0x1Fu, pending = 1, smallest = 0x80;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            c = byte & 0x0Fu, pending = 2, smallest = 0x800;
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            c = byte & 0x07u, pending = 3, smallest = 0x10000;
        } else if (byte >= 0x80) {
            return false;
        }
        for (; pending > 0; --pending, ++i) {
            if (i == bytes.size() || (bytes[i] & 0xC0) != 0x80) return false;
            c = (c << 6) | (bytes[i] & 0x3Fu);
        }
        if (c < smallest || !IsCharacter(c) || !each(c)) return false;
    }
    return true;
}

// A character onto a wide string, as a surrogate pair where wchar_t is 16 bits.
void Append(std::wstring& text, char32_t c) {
    if (sizeof(wchar_t) == 2 && c > 0xFFFF) {
        c -= 0x10000;
        text += static_cast<wchar_t>(0xD800 + (c >> 10));
        text += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
        text += static_cast<wchar_t>(c);
    }
}

// The characters of `count` UTF-16 units, `at(i)` each, a surrogate pair
// joined; nothing for a lone surrogate.
template <typename At>
std::optional<std::u32string> JoinPairs(std::size_t count, At at) {
    std::u32string characters;
    for (std::size_t i = 0; i < count; ++i) {
        char32_t c = at(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && at(i + 1) >= 0xDC00 && at(i + 1) <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (at(++i) - 0xDC00);
        if (!IsCharacter(c)) return std::nullopt;
        characters += c;
    }
    return characters;
}

// The characters of a wide string (UTF-16 on Windows, UTF-32 elsewhere).
std::optional<std::u32string> Characters(const std::wstring& text) {
    return JoinPairs(text.size(), [&](std::size_t i) { return static_cast<char32_t>(text[i]); });
}

}  // namespace

std::string_view MarkOf(ListEncoding encoding) {
    switch (encoding) {
        case ListEncoding::Utf8WithMark:
            return "\xEF\xBB\xBF";
        case ListEncoding::Utf16Le:
            return "\xFF\xFE";
        case ListEncoding::Utf16Be:
            return "\xFE\xFF";
        case ListEncoding::CodePage:
        case ListEncoding::Utf8:
            break;
    }
    return {};
}

std::optional<ListEncoding> MarkedEncoding(std::string_view start) {
    for (ListEncoding e : {ListEncoding::Utf8WithMark, ListEncoding::Utf16Le, ListEncoding::Utf16Be}) {
        if (start.substr(0, MarkOf(e).size()) == MarkOf(e)) return e;
    }
    return std::nullopt;
}

bool IsIdeograph(char32_t c) { return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF); }

bool IsUnmarkedUtf8Character(char32_t c) {
    // General punctuation without its spaces, joiners and direction marks,
    // which would make names that look alike and are not.
    return c == 0xB7 || (c >= 0x2010 && c <= 0x2027) || (c >= 0x2030 && c <= 0x205E) ||
           (c >= 0x3000 && c <= 0x303F) || IsIdeograph(c) || (c >= 0xFF00 && c <= 0xFFEF);
}

bool LineReadsAsUtf8(std::string_view line, unsigned codePage) {
    if (codePage != kChineseCodePage) return false;
    bool ideograph = false;
    return ForEachUtf8(line,
                       [&](char32_t c) {
                           if (c == 0 || (c >= 0x80 && !IsUnmarkedUtf8Character(c))) return false;
                           ideograph = ideograph || IsIdeograph(c);
                           return true;
                       }) &&
           ideograph;
}

std::optional<std::wstring> DecodeUtf8(std::string_view bytes) {
    std::wstring text;
    if (!ForEachUtf8(bytes, [&](char32_t c) { return Append(text, c), true; })) return std::nullopt;
    return text;
}

std::optional<std::string> EncodeUtf8(const std::wstring& text) {
    std::optional<std::u32string> characters = Characters(text);
    if (!characters) return std::nullopt;
    std::string bytes;
    for (char32_t c : *characters) {
        if (c < 0x80) {
            bytes += static_cast<char>(c);
            continue;
        }
        static constexpr unsigned char kLeads[] = {0, 0xC0, 0xE0, 0xF0};
        int continuation = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        bytes += static_cast<char>(kLeads[continuation] | (c >> (6 * continuation)));
        while (continuation-- > 0) bytes += static_cast<char>(0x80 | ((c >> (6 * continuation)) & 0x3F));
    }
    return bytes;
}

std::optional<std::wstring> DecodeUtf16(std::string_view bytes, bool bigEndian) {
    if (bytes.size() % 2) return std::nullopt;  // cut inside a unit
    std::optional<std::u32string> characters = JoinPairs(bytes.size() / 2, [&](std::size_t i) {
        auto first = static_cast<unsigned char>(bytes[2 * i]),
             second = static_cast<unsigned char>(bytes[2 * i + 1]);
        return static_cast<char32_t>(bigEndian ? first << 8 | second : second << 8 | first);
    });
    if (!characters) return std::nullopt;
    std::wstring text;
    for (char32_t c : *characters) Append(text, c);
    return text;
}

std::optional<std::string> EncodeUtf16(const std::wstring& text, bool bigEndian) {
    std::optional<std::u32string> characters = Characters(text);
    if (!characters) return std::nullopt;
    std::string bytes;
    auto unit = [&](char32_t u) {
        char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    };
    for (char32_t c : *characters) {
        if (c > 0xFFFF) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
    return bytes;
}

}  // namespace tolvane
