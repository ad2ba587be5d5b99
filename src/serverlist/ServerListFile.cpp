#include "serverlist/ServerListFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace tolvane {
namespace {

// Large enough that a list of thousands of records takes a handful of system
// calls; allocated once per open file, on the heap.
constexpr std::size_t kBufferSize = 64 * 1024;

constexpr char kSeparator[] = "\",\"";  // closes the name, opens the address
constexpr std::size_t kSeparatorSize = 3;

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Every encoding in use agrees with ASCII below 0x80, so those bytes need no
// trip through a converter.
std::optional<std::wstring> Decode(HostServices& host, std::string_view bytes, Field field,
                                   ListEncoding encoding) {
    if (IsAscii(bytes)) return std::wstring(bytes.begin(), bytes.end());
    if (encoding != ListEncoding::CodePage) {
        auto text = DecodeUtf8(bytes, encoding == ListEncoding::Utf8);
        // The registry gets the address in the code page: it must arrive there
        // as it reads here.
        if (text && field == Field::Address && host.FromAnsi(host.ToAnsi(*text)) != *text)
            return std::nullopt;
        return text;
    }
    std::string stored(bytes);
    std::wstring text = host.FromAnsi(stored);
    // Bytes the code page does not map (a lone lead byte, say) come back as a
    // substitute character; such a field would be rewritten as other bytes,
    // so it is no field at all.
    if (host.ToAnsi(text) != stored) return std::nullopt;
    return text;
}

std::optional<std::string> Encode(HostServices& host, const std::wstring& text, ListEncoding encoding) {
    if (std::all_of(text.begin(), text.end(), [](wchar_t c) { return static_cast<std::uint32_t>(c) < 0x80; }))
        return std::string(text.begin(), text.end());
    return encoding == ListEncoding::CodePage ? host.ToAnsi(text) : EncodeUtf8(text);
}

// Where the name's closing quote lies in a quoted line of `size` bytes (line
// end excluded): at the first `","` after the opening quote, which must leave
// the address's opening quote before the line's final quote.
std::optional<std::size_t> QuotedSplit(const std::string& bytes, std::size_t size) {
    if (size < 2 || bytes[0] != '"' || bytes[size - 1] != '"') return std::nullopt;
    std::size_t at = bytes.find(kSeparator, 1, kSeparatorSize);
    if (at == std::string::npos || at + kSeparatorSize > size - 1) return std::nullopt;
    return at;
}

// The bytes a field is stored as, or nothing when the reader would not give
// them back as `text`: a character outside the code page is stored as a
// substitute and reads back as another text.
std::optional<std::string> StoredBytes(HostServices& host, const std::wstring& text, Field field,
                                       ListEncoding encoding) {
    if (text.find_first_of(std::wstring(L"\"\r\n\0", 4)) != std::wstring::npos) return std::nullopt;
    std::optional<std::string> bytes = Encode(host, text, encoding);
    if (!bytes || Decode(host, *bytes, field, encoding) != text) return std::nullopt;
    return bytes;
}

}  // namespace

bool IsStorable(HostServices& host, const std::wstring& text, Field field, ListEncoding encoding) {
    return StoredBytes(host, text, field, encoding).has_value();
}

ServerListFile::ServerListFile(HostServices& host) : host_(host) {}

ServerListFile::~ServerListFile() = default;

void ServerListFile::OpenForReading(const std::wstring& fileName) {
    Open(fileName, FileMode::Read, ListEncoding::CodePage);
}

void ServerListFile::OpenForWriting(const std::wstring& fileName, ListEncoding encoding) {
    Open(fileName, FileMode::Write, encoding);
}

void ServerListFile::OpenForAppending(const std::wstring& fileName) {
    Open(fileName, FileMode::Append, ListEncoding::CodePage);
}

void ServerListFile::Open(const std::wstring& fileName, FileMode mode, ListEncoding encoding) {
    file_.reset();
    fileName_ = fileName;
    writing_ = mode != FileMode::Read;
    buffer_.resize(kBufferSize);
    begin_ = end_ = 0;
    endOfFile_ = false;
    pending_.reset();
    encoding_ = encoding;
    lineEndDue_ = "";
    Prescan(fileName, mode);
    markDue_ = mode == FileMode::Read && encoding_ == ListEncoding::Utf8WithMark;
    file_ = host_.OpenHostFile(fileName, mode);
    if (!file_) Fail(ListFileOperation::Open);
    if (mode == FileMode::Write && encoding_ == ListEncoding::Utf8WithMark)
        Append(kUtf8Mark.data(), kUtf8Mark.size());
}

// Reading and appending need the file's encoding before its first line, and
// it takes the whole file to judge: a separate read goes first.
//
// A hand-edited file may also end without a line end; a record appended
// straight after it would be glued to that last line and both would be lost.
// A last line cut after its CR gets only the LF: another CR would stay in the
// line and no longer read as the line end.
void ServerListFile::Prescan(const std::wstring& fileName, FileMode mode) {
    if (mode == FileMode::Write) return;
    auto file = host_.OpenHostFile(fileName, FileMode::Read);
    if (!file) return;  // a new file, or one the open itself reports
    EncodingDetector detector(host_.CodePage());
    std::size_t size = 0;
    char last = '\n';
    while (mode == FileMode::Append || !detector.Decided()) {
        std::size_t got = 0;
        if (!file->Read(buffer_.data(), buffer_.size(), got)) Fail(ListFileOperation::Read);
        if (got == 0) break;
        detector.Feed(buffer_.data(), got);
        size += got;
        last = buffer_[got - 1];
    }
    encoding_ = detector.Result();
    bool empty = size == (encoding_ == ListEncoding::Utf8WithMark ? kUtf8Mark.size() : 0);
    if (mode == FileMode::Append && !empty) lineEndDue_ = last == '\n' ? "" : last == '\r' ? "\n" : "\r\n";
}

// Reading rules. The writer puts each record on a line of its own as
//     "name","address" CR LF
// with no escaping. Hand-edited files are read leniently, line by line:
//  - A line ends at LF or at the end of the file; one CR just before that end
//    is dropped. A last line without an end counts.
//  - A line starting with a double quote is a record when it ends with one and
//    holds `","` after the opening quote: the name runs up to the first `","`
//    and the address from there to the final quote, so an address may hold
//    quotes and commas, a name commas.
//  - A line without any double quote is a record when a comma splits it into a
//    non-empty name and a non-empty address (at the first comma).
//  - Either way both fields must decode in the file's encoding and encode
//    back to the very same bytes (see IsStorable), and hold no NUL (the
//    system's text calls would cut them short).
// Every other line (blank, one field, stray quotes, undecodable bytes, binary
// junk) is not a record. Removal copies such lines through byte for byte and
// rewrites records in the writer's form, so nothing it does not mean to remove
// is lost. A record's writer form reads back as the same record.
void ServerListFile::ParseLine(ListLine& line) const {
    line.entry.reset();
    const std::string& bytes = line.bytes;
    std::size_t size = bytes.size();
    if (size > 0 && bytes[size - 1] == '\n') --size;
    if (size > 0 && bytes[size - 1] == '\r') --size;
    if (size == 0 || std::memchr(bytes.data(), '\0', size)) return;

    std::size_t nameBegin = 0, nameSize = 0, addressBegin = 0;
    if (bytes[0] == '"') {
        auto split = QuotedSplit(bytes, size);
        if (!split) return;
        nameBegin = 1;
        nameSize = *split - 1;
        addressBegin = *split + kSeparatorSize;
        --size;  // the closing quote
    } else {
        if (std::memchr(bytes.data(), '"', size)) return;
        auto* comma = static_cast<const char*>(std::memchr(bytes.data(), ',', size));
        if (!comma) return;
        nameSize = static_cast<std::size_t>(comma - bytes.data());
        addressBegin = nameSize + 1;
        if (nameSize == 0 || addressBegin == size) return;
    }
    std::size_t addressSize = size - addressBegin;

    auto name = Decode(host_, std::string_view(bytes).substr(nameBegin, nameSize), Field::Name, encoding_);
    if (!name) return;
    auto address =
        Decode(host_, std::string_view(bytes).substr(addressBegin, addressSize), Field::Address, encoding_);
    if (!address) return;
    line.entry = ServerEntry{std::move(*name), std::move(*address)};
    line.nameBegin = nameBegin;
    line.nameSize = nameSize;
    line.addressBegin = addressBegin;
    line.addressSize = addressSize;
}

bool ServerListFile::FillBuffer() {
    begin_ = end_ = 0;
    std::size_t got = 0;
    if (!file_->Read(buffer_.data(), buffer_.size(), got)) Fail(ListFileOperation::Read);
    end_ = std::min(got, buffer_.size());
    endOfFile_ = end_ == 0;
    return !endOfFile_;
}

void ServerListFile::DropMark() {
    for (std::size_t left = kUtf8Mark.size(); left > 0 && (begin_ < end_ || (!endOfFile_ && FillBuffer()));
         --left)
        ++begin_;
}

bool ServerListFile::ReadLine(ListLine& line) {
    if (!file_ || writing_) Fail(ListFileOperation::Read);
    if (std::exchange(markDue_, false)) DropMark();
    line.bytes.clear();
    for (;;) {
        if (begin_ == end_ && (endOfFile_ || !FillBuffer())) break;
        const char* start = buffer_.data() + begin_;
        auto* lineFeed = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
        std::size_t take = lineFeed ? static_cast<std::size_t>(lineFeed - start) + 1 : end_ - begin_;
        line.bytes.append(start, take);
        begin_ += take;
        if (lineFeed) break;
    }
    if (line.bytes.empty()) {
        line.entry.reset();
        return false;
    }
    ParseLine(line);
    return true;
}

bool ServerListFile::ReadBytes(std::string& bytes) {
    if (!file_ || writing_) Fail(ListFileOperation::Read);
    if (begin_ == end_ && (endOfFile_ || !FillBuffer())) return false;
    bytes.assign(buffer_.data() + begin_, end_ - begin_);
    begin_ = end_;
    return true;
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
    if (!file_ || !writing_) Fail(ListFileOperation::Write);
    // A field the reader would not give back (a line feed could even forge a
    // record of its own) is refused before a byte is written.
    std::optional<std::string> name = StoredBytes(host_, entry.name, Field::Name, encoding_);
    std::optional<std::string> address = StoredBytes(host_, entry.address, Field::Address, encoding_);
    if (!name || !address) Fail(ListFileOperation::Write);
    CompleteLastLine();
    AppendRecord(*name, *address);
}

void ServerListFile::WriteLine(const ListLine& line) {
    if (!file_ || !writing_) Fail(ListFileOperation::Write);
    CompleteLastLine();
    if (!line.entry) {
        Append(line.bytes.data(), line.bytes.size());
        return;
    }
    // The fields' bytes are known to read back; only the frame is rewritten.
    AppendRecord(std::string_view(line.bytes).substr(line.nameBegin, line.nameSize),
                 std::string_view(line.bytes).substr(line.addressBegin, line.addressSize));
}

void ServerListFile::WriteBytes(const std::string& bytes) {
    if (!file_ || !writing_) Fail(ListFileOperation::Write);
    Append(bytes.data(), bytes.size());
}

// The writer's form: "name","address" CR LF.
void ServerListFile::AppendRecord(std::string_view name, std::string_view address) {
    Append("\"", 1);
    Append(name.data(), name.size());
    Append(kSeparator, kSeparatorSize);
    Append(address.data(), address.size());
    Append("\"\r\n", 3);
}

void ServerListFile::CompleteLastLine() {
    Append(lineEndDue_, std::strlen(lineEndDue_));
    lineEndDue_ = "";
}

void ServerListFile::Append(const char* data, std::size_t size) {
    if (end_ + size > buffer_.size()) WriteBuffered();
    if (size >= buffer_.size()) {
        if (!file_->Write(data, size)) Fail(ListFileOperation::Write);
        return;
    }
    std::memcpy(buffer_.data() + end_, data, size);
    end_ += size;
}

void ServerListFile::WriteBuffered() {
    if (end_ == 0) return;
    std::size_t size = end_;
    end_ = 0;
    if (!file_->Write(buffer_.data(), size)) Fail(ListFileOperation::Write);
}

void ServerListFile::Flush() {
    if (!file_ || !writing_) Fail(ListFileOperation::Flush);
    WriteBuffered();
    if (!file_->Flush()) Fail(ListFileOperation::Flush);
}

void ServerListFile::Close() {
    if (!file_) return;
    bool written = true;
    if (writing_ && end_ > 0) {
        written = file_->Write(buffer_.data(), end_);
        end_ = 0;
    }
    bool closed = file_->Close();
    file_.reset();
    pending_.reset();
    if (!written) Fail(ListFileOperation::Write);
    if (!closed) Fail(ListFileOperation::Close);
}

void ServerListFile::Fail(ListFileOperation operation) const { throw ListFileError(fileName_, operation); }

}  // namespace tolvane
