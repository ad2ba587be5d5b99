#include "serverlist/ServerListFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace tolvane {
namespace {

// Reads go in pieces this large: a list of thousands of records takes a
// handful of system calls.
constexpr std::size_t kReadSize = 64 * 1024;

enum class Field { Name, Address };

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// ASCII text as the encoding stores it: a UTF-16 unit per character.
std::string Frame(std::string_view ascii, ListEncoding encoding) {
    if (!IsUtf16(encoding)) return std::string(ascii);
    std::string bytes;
    for (char c : ascii) {
        bytes += encoding == ListEncoding::Utf16Be ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return bytes;
}

// A field's text from its stored bytes, in the encoding its line reads in;
// nothing when the bytes would not be written back as they are.
std::optional<std::wstring> Decode(HostServices& host, std::string_view bytes, Field field,
                                   ListEncoding encoding, bool lineUtf8) {
    std::optional<std::wstring> text;
    if (IsUtf16(encoding)) {
        text = DecodeUtf16(bytes, encoding == ListEncoding::Utf16Be);
    } else if (IsAscii(bytes)) {
        // Every 8-bit encoding in use agrees with ASCII.
        return std::wstring(bytes.begin(), bytes.end());
    } else if (lineUtf8 || encoding == ListEncoding::Utf8WithMark) {
        text = DecodeUtf8(bytes);
    } else {
        // Bytes the code page does not map (a lone lead byte, say) come back
        // as a substitute character; such a field would be rewritten as other
        // bytes, so it is no field at all.
        std::string stored(bytes);
        text = host.FromAnsi(stored);
        if (host.ToAnsi(*text) != stored) return std::nullopt;
        return text;
    }
    // The registry gets the address in the code page: it must arrive there as
    // it reads here.
    if (text && field == Field::Address && host.FromAnsi(host.ToAnsi(*text)) != *text) return std::nullopt;
    return text;
}

// The bytes a field is stored as in `encoding`, or nothing when there are
// none that read back as the same text.
std::optional<std::string> StoredBytes(HostServices& host, const std::wstring& text, Field field,
                                       ListEncoding encoding) {
    if (text.find_first_of(std::wstring(L"\"\r\n\0", 4)) != std::wstring::npos) return std::nullopt;
    std::optional<std::string> bytes;
    if (IsUtf16(encoding)) {
        bytes = EncodeUtf16(text, encoding == ListEncoding::Utf16Be);
    } else if (encoding == ListEncoding::CodePage) {
        bytes = host.ToAnsi(text);
    } else {
        bytes = EncodeUtf8(text);
    }
    if (!bytes || Decode(host, *bytes, field, encoding, encoding == ListEncoding::Utf8) != text)
        return std::nullopt;
    return bytes;
}

// Reading rules. The writer puts each record on a line of its own as
//     "name","address" CR LF
// with no escaping, in UTF-16 units in a UTF-16 file. Hand-edited files are
// read leniently, line by line:
//  - A line ends at LF or at the end of the file; one CR just before that end
//    is dropped. A last line without an end counts.
//  - A line starting with a double quote is a record when it ends with one and
//    holds `","` after the opening quote: the name runs up to the first `","`
//    and the address from there to the final quote, so an address may hold
//    quotes and commas, a name commas.
//  - A line without any double quote is a record when a comma splits it into a
//    non-empty name and a non-empty address (at the first comma).
//  - A line of a file without the mark reads in UTF-8 or in the code page as
//    LineReadsAsUtf8 judges it, by its own bytes alone.
//  - Both fields must decode and encode back to the very same bytes, and the
//    line holds no NUL (the system's text calls would cut it short) and no
//    half of a UTF-16 unit.
// Every other line (blank, one field, stray quotes, undecodable bytes, binary
// junk, a line cut by a power failure) is not a record. Removal copies such
// lines through byte for byte and rewrites records in the writer's form from
// their fields' own bytes, so no line it keeps reads differently afterwards.
// The units of a line, `at(i)` each (bytes, or UTF-16 units), `size` of them.
template <typename At>
void ParseUnits(HostServices& host, ListEncoding encoding, ListLine& line, std::size_t width,
                std::size_t size, At at) {
    if (size > 0 && at(size - 1) == '\n') --size;
    if (size > 0 && at(size - 1) == '\r') --size;
    std::size_t quotes = 0, comma = size, split = 0;
    for (std::size_t i = 0; i < size; ++i) {
        char32_t c = at(i);
        if (c > '"' && c != ',') continue;
        if (c == 0) return;
        if (c == ',' && comma == size) comma = i;
        if (c != '"') continue;
        ++quotes;
        if (!split && i >= 1 && i + 2 < size - 1 && at(i + 1) == ',' && at(i + 2) == '"') split = i;
    }
    if (size == 0) return;

    std::size_t nameBegin = 0, nameSize = 0, addressBegin = 0, addressEnd = size;
    if (at(0) == '"') {
        if (size < 2 || at(size - 1) != '"' || !split) return;
        nameBegin = 1, nameSize = split - 1, addressBegin = split + 3, addressEnd = size - 1;
    } else {
        if (quotes > 0 || comma == 0 || comma >= size - 1) return;
        nameSize = comma, addressBegin = comma + 1;
    }
    const std::string_view bytes(line.bytes);
    const std::string_view nameBytes = bytes.substr(nameBegin * width, nameSize * width),
                           addressBytes =
                               bytes.substr(addressBegin * width, (addressEnd - addressBegin) * width);
    // Fields of ASCII alone read the same in either encoding of a line.
    bool lineUtf8 = IsUnmarked(encoding) && !(IsAscii(nameBytes) && IsAscii(addressBytes)) &&
                    LineReadsAsUtf8(bytes.substr(0, size), host.CodePage());
    auto name = Decode(host, nameBytes, Field::Name, encoding, lineUtf8);
    auto address = Decode(host, addressBytes, Field::Address, encoding, lineUtf8);
    if (!name || !address) return;
    line.entry = ServerEntry{std::move(*name), std::move(*address)};
    line.nameBegin = nameBegin * width;
    line.nameSize = nameSize * width;
    line.addressBegin = addressBegin * width;
    line.addressSize = (addressEnd - addressBegin) * width;
}

void ParseLine(HostServices& host, ListEncoding encoding, ListLine& line) {
    line.entry.reset();
    const std::string& bytes = line.bytes;
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (!IsUtf16(encoding)) return ParseUnits(host, encoding, line, 1, bytes.size(), byte);
    if (bytes.size() % 2) return;  // cut inside a unit
    const bool bigEndian = encoding == ListEncoding::Utf16Be;
    ParseUnits(host, encoding, line, 2, bytes.size() / 2, [&](std::size_t i) -> char32_t {
        return bigEndian ? byte(2 * i) << 8 | byte(2 * i + 1) : byte(2 * i + 1) << 8 | byte(2 * i);
    });
}

// The writer's form of a record from its fields' stored bytes.
std::string RecordBytes(std::string_view name, std::string_view address, ListEncoding encoding) {
    std::string bytes;
    bytes.reserve(name.size() + address.size() + 12);
    bytes.append(Frame("\"", encoding)).append(name).append(Frame("\",\"", encoding)).append(address);
    return bytes.append(Frame("\"\r\n", encoding));
}

// A record's line as the writer stores it, when it reads back exactly.
std::optional<std::string> RecordLine(HostServices& host, const ServerEntry& entry, ListEncoding encoding,
                                      RecordFault& fault) {
    std::optional<std::string> name = StoredBytes(host, entry.name, Field::Name, encoding);
    std::optional<std::string> address = StoredBytes(host, entry.address, Field::Address, encoding);
    fault = !name ? RecordFault::NameNotStored : !address ? RecordFault::AddressNotStored : RecordFault::None;
    if (fault != RecordFault::None) return std::nullopt;
    // Only in a file without the mark can the line as a whole read otherwise.
    auto readsBack = [&](const std::string& nameBytes, const std::string& addressBytes,
                         const ServerEntry& want) {
        ListLine line;
        line.bytes = RecordBytes(nameBytes, addressBytes, encoding);
        ParseLine(host, encoding, line);
        return line.entry == want;
    };
    if (readsBack(*name, *address, entry)) return RecordBytes(*name, *address, encoding);
    fault =
        readsBack(*name, "0", {entry.name, L"0"}) ? RecordFault::AddressMisread : RecordFault::NameMisread;
    return std::nullopt;
}

// What completes the last line of `text` (a list from its mark on) before
// another line: nothing after a line feed or in an empty list, the LF after
// a CR (another CR would stay in the line), else CR LF. Half a UTF-16 unit is
// completed by a byte that makes no line end of it (a half LF completed by 00
// would end the line) and followed by a NUL, so that its line stays no record
// rather than turning into one.
std::string Completion(std::string_view text, ListEncoding encoding) {
    const std::size_t size = text.size() - std::min(MarkOf(encoding).size(), text.size());
    const std::string lf = Frame("\n", encoding), cr = Frame("\r", encoding);
    auto endsWith = [&](const std::string& end) {
        return size >= end.size() && text.substr(text.size() - end.size()) == end;
    };
    if (IsUtf16(encoding) && size % 2) return "\1" + std::string(2, '\0') + cr + lf;
    if (size == 0 || endsWith(lf)) return {};
    return endsWith(cr) ? lf : cr + lf;
}

}  // namespace

RecordFault CheckRecord(HostServices& host, const ServerEntry& entry, ListEncoding encoding) {
    RecordFault fault = RecordFault::None;
    RecordLine(host, entry, encoding, fault);
    return fault;
}

void AppendLine(std::string& text, const ListLine& line, ListEncoding encoding) {
    if (!line.entry) {
        text += line.bytes;
        return;
    }
    // The fields' bytes are known to read back; only the frame is rewritten.
    text += RecordBytes(std::string_view(line.bytes).substr(line.nameBegin, line.nameSize),
                        std::string_view(line.bytes).substr(line.addressBegin, line.addressSize), encoding);
}

bool AppendRecord(HostServices& host, std::string& text, const ServerEntry& entry, ListEncoding encoding) {
    RecordFault fault = RecordFault::None;
    std::optional<std::string> line = RecordLine(host, entry, encoding, fault);
    if (!line) return false;
    text += Completion(text, encoding) + *line;
    return true;
}

ServerListFile::ServerListFile(HostServices& host) : host_(host) {}

ServerListFile::~ServerListFile() = default;

void ServerListFile::OpenForReading(const std::wstring& fileName) {
    Open(fileName, FileMode::Read, ListEncoding::CodePage);
}

void ServerListFile::OpenForWriting(const std::wstring& fileName) {
    Open(fileName, FileMode::Write, ListEncoding::CodePage);
}

void ServerListFile::Open(const std::wstring& fileName, FileMode mode, ListEncoding encoding) {
    file_.reset();
    fileName_ = fileName;
    writing_ = mode != FileMode::Read;
    encoding_ = encoding;
    content_.clear();
    position_ = 0;
    utf8Lines_ = codePageLines_ = 0;
    pending_.reset();
    file_ = host_.OpenHostFile(fileName, mode);
    if (!file_) Fail(ListFileOperation::Open);
    if (writing_) return;
    std::size_t got = 0;
    do {
        std::size_t at = content_.size();
        content_.resize(at + kReadSize);
        if (!file_->Read(content_.data() + at, kReadSize, got)) Fail(ListFileOperation::Read);
        content_.resize(at + std::min(got, kReadSize));
    } while (got > 0);
    if (auto marked = MarkedEncoding(content_)) {
        encoding_ = *marked;
        position_ = MarkOf(*marked).size();
    }
}

// Lines with a NUL do not count, nor a last line without its end that does
// not read as UTF-8: it may be cut inside a character.
void ServerListFile::CountVote(const ListLine& line, bool ended) {
    if (!IsUnmarked(encoding_) || IsAscii(line.bytes) || line.bytes.find('\0') != std::string::npos) return;
    if (LineReadsAsUtf8(line.bytes, host_.CodePage())) {
        ++utf8Lines_;
    } else if (ended) {
        ++codePageLines_;
    }
}

ListEncoding ServerListFile::EncodingForNewRecords() const {
    if (!IsUnmarked(encoding_)) return encoding_;
    return utf8Lines_ > codePageLines_ ? ListEncoding::Utf8 : ListEncoding::CodePage;
}

bool ServerListFile::ReadLine(ListLine& line) {
    if (!file_ || writing_) Fail(ListFileOperation::Read);
    line.bytes.clear();
    line.entry.reset();
    if (position_ >= content_.size()) return false;
    // The line feed that ends the line: a byte, or a UTF-16 unit whose other
    // byte is NUL, at a unit's place.
    const bool utf16 = IsUtf16(encoding_), bigEndian = encoding_ == ListEncoding::Utf16Be;
    std::size_t end = content_.size();
    for (std::size_t at = position_; at < content_.size(); ++at) {
        const void* found = std::memchr(content_.data() + at, '\n', content_.size() - at);
        if (!found) break;
        at = static_cast<std::size_t>(static_cast<const char*>(found) - content_.data());
        if (!utf16) {
            end = at + 1;
            break;
        }
        std::size_t unit = at - (at - position_) % 2;  // where the byte's unit starts
        if (unit + 1 < content_.size() && at == unit + (bigEndian ? 1 : 0) &&
            content_[bigEndian ? unit : unit + 1] == '\0') {
            end = unit + 2;
            break;
        }
    }
    line.bytes.assign(content_, position_, end - position_);
    position_ = end;
    ParseLine(host_, encoding_, line);
    CountVote(line, line.bytes.back() == '\n');
    return true;
}

const std::string& ServerListFile::Bytes() const {
    if (!file_ || writing_) Fail(ListFileOperation::Read);
    return content_;
}

bool ServerListFile::AtEnd() {
    if (pending_) return false;
    while (ReadLine(scratch_)) {
        if (scratch_.entry) {
            pending_ = std::move(scratch_.entry);
            return false;
        }
    }
    return true;
}

ServerEntry ServerListFile::ReadEntry() {
    if (AtEnd()) Fail(ListFileOperation::Read);
    ServerEntry entry = std::move(*pending_);
    pending_.reset();
    return entry;
}

void ServerListFile::WriteEntry(const ServerEntry& entry) {
    // A record the reader would not give back (a line feed could even forge a
    // record of its own) is refused before a byte is written.
    if (!file_ || !writing_ || !AppendRecord(host_, content_, entry, encoding_))
        Fail(ListFileOperation::Write);
}

void ServerListFile::WriteBytes(const std::string& bytes) {
    if (!file_ || !writing_) Fail(ListFileOperation::Write);
    content_ += bytes;
}

void ServerListFile::WriteHeld() {
    std::size_t from = std::exchange(position_, content_.size());
    if (from < content_.size() && !file_->Write(content_.data() + from, content_.size() - from))
        Fail(ListFileOperation::Write);
}

void ServerListFile::Flush() {
    if (!file_ || !writing_) Fail(ListFileOperation::Flush);
    WriteHeld();
    if (!file_->Flush()) Fail(ListFileOperation::Flush);
}

void ServerListFile::Close() {
    if (!file_) return;
    bool written = true;
    if (writing_) {
        std::size_t from = std::exchange(position_, content_.size());
        written = from == content_.size() || file_->Write(content_.data() + from, content_.size() - from);
    }
    bool closed = file_->Close();
    file_.reset();
    pending_.reset();
    if (!written) Fail(ListFileOperation::Write);
    if (!closed) Fail(ListFileOperation::Close);
}

void ServerListFile::Fail(ListFileOperation operation) const { throw ListFileError(fileName_, operation); }

}  // namespace tolvane
