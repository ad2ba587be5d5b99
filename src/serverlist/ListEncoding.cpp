#include "serverlist/ListEncoding.h"

namespace tolvane {
namespace {

constexpr unsigned kChineseCodePage = 936;

// The leading byte's share of the character, the continuation bytes due and
// the smallest character that needs that many (anything less is overlong).
// False for a byte that cannot start a character.
bool Lead(unsigned char byte, char32_t& character, int& pending, char32_t& smallest) {
    if (byte >= 0xC2 && byte <= 0xDF) {
        character = byte & 0x1Fu, pending = 1, smallest = 0x80;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
        character = byte & 0x0Fu, pending = 2, smallest = 0x800;
    } else if (byte >= 0xF0 && byte <= 0xF4) {
        character = byte & 0x07u, pending = 3, smallest = 0x10000;
    } else {
        return false;
    }
    return true;
}

bool IsCharacter(char32_t c, char32_t smallest) {
    return c >= smallest && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

void Append(std::wstring& text, char32_t c) {
    if (sizeof(wchar_t) == 2 && c > 0xFFFF) {
        c -= 0x10000;
        text += static_cast<wchar_t>(0xD800 + (c >> 10));
        text += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
        text += static_cast<wchar_t>(c);
    }
}

}  // namespace

bool IsUnmarkedUtf8Character(char32_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFFEF);
}

std::optional<std::wstring> DecodeUtf8(std::string_view bytes, bool unmarked) {
    std::wstring text;
    for (std::size_t i = 0; i < bytes.size();) {
        auto byte = static_cast<unsigned char>(bytes[i++]);
        if (byte < 0x80) {
            text += static_cast<wchar_t>(byte);
            continue;
        }
        char32_t c = 0, smallest = 0;
        int pending = 0;
        if (!Lead(byte, c, pending, smallest)) return std::nullopt;
        for (; pending > 0; --pending, ++i) {
            if (i == bytes.size() || (bytes[i] & 0xC0) != 0x80) return std::nullopt;
            c = (c << 6) | (bytes[i] & 0x3Fu);
        }
        if (!IsCharacter(c, smallest) || (unmarked && !IsUnmarkedUtf8Character(c))) return std::nullopt;
        Append(text, c);
    }
    return text;
}

std::optional<std::string> EncodeUtf8(const std::wstring& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<char32_t>(text[i]);
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
            text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[++i]) - 0xDC00);
        if (!IsCharacter(c, 0)) return std::nullopt;
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

void EncodingDetector::Feed(const char* data, std::size_t size) {
    if (Decided()) return;  // an append still reads on to the last byte
    for (std::size_t i = 0; i < size; ++i, ++position_) {
        auto byte = static_cast<unsigned char>(data[i]);
        if (position_ < kUtf8Mark.size()) marked_ = marked_ && data[i] == kUtf8Mark[position_];
        if (byte == '\n') {
            EndLine();
        } else if (byte == 0) {
            lineNul_ = true;
        } else if (!lineUtf8_) {
            // The line is judged; only its end and its NUL bytes still count.
        } else if (pending_ > 0) {
            lineUtf8_ = (byte & 0xC0) == 0x80;
            character_ = (character_ << 6) | (byte & 0x3Fu);
            if (lineUtf8_ && --pending_ == 0)
                lineUtf8_ = IsCharacter(character_, smallest_) && IsUnmarkedUtf8Character(character_);
        } else if (byte >= 0x80) {
            lineNonAscii_ = true;
            lineUtf8_ = Lead(byte, character_, pending_, smallest_);
        }
    }
}

void EncodingDetector::EndLine() {
    if (!lineNul_) {
        utf8_ = utf8_ && lineUtf8_ && pending_ == 0;
        nonAscii_ = nonAscii_ || lineNonAscii_;
    }
    lineUtf8_ = true, lineNonAscii_ = lineNul_ = false;
    pending_ = 0;
}

bool EncodingDetector::Decided() const {
    if (position_ < kUtf8Mark.size()) return false;
    return marked_ || codePage_ != kChineseCodePage || !utf8_;
}

ListEncoding EncodingDetector::Result() {
    EndLine();
    if (marked_ && position_ >= kUtf8Mark.size()) return ListEncoding::Utf8WithMark;
    return codePage_ == kChineseCodePage && utf8_ && nonAscii_ ? ListEncoding::Utf8 : ListEncoding::CodePage;
}

}  // namespace tolvane
