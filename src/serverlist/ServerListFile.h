#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/HostServices.h"
#include "serverlist/ListEncoding.h"
#include "serverlist/ListFileError.h"
#include "serverlist/ServerEntry.h"

namespace tolvane {

// What keeps a record from being stored so that it reads back exactly as
// written, in a file of a given encoding.
enum class RecordFault {
    None,
    // The field has no bytes that would read back: a double quote (fields are
    // quoted without escaping), CR, LF or NUL (they would end or cut the
    // record), a lone surrogate, or a character the encoding cannot hold. An
    // address goes to the registry in the code page, so in any file its
    // characters must exist there.
    NameNotStored,
    AddressNotStored,
    // The field has bytes, but the line they make is judged in the other
    // encoding of a file without the mark (LineReadsAsUtf8): code page bytes
    // that read as UTF-8, or UTF-8 that would not.
    NameMisread,
    AddressMisread,
};

RecordFault CheckRecord(HostServices& host, const ServerEntry& entry, ListEncoding encoding);

// One line of a list file as stored, and the record it holds if it reads as
// one. Lines that are not records are copied through untouched.
struct ListLine {
    std::string bytes;                 // the stored bytes, line end included
    std::optional<ServerEntry> entry;  // set when the line reads as a record
    // Where the record's two fields lie in `bytes` (valid with `entry` only).
    std::size_t nameBegin = 0;
    std::size_t nameSize = 0;
    std::size_t addressBegin = 0;
    std::size_t addressSize = 0;
};

// A list's text in the writer's forms, appended to `text` (which holds the
// list so far, mark included, in a file whose frame is `encoding`'s): a line
// as read (a record rewritten from its fields' own bytes, any other line as
// it was), or a new record in `encoding`, after what completes a last line
// left without its end. False, and nothing appended, for a record that would
// not read back exactly (CheckRecord).
void AppendLine(std::string& text, const ListLine& line, ListEncoding encoding);
bool AppendRecord(HostServices& host, std::string& text, const ServerEntry& entry, ListEncoding encoding);

// The only code that touches the bytes of "diablo.dat" or "diablo.new". One
// file at a time, opened by one of the three Open calls and closed by Close.
// Every failure throws ListFileError naming the file and the operation.
//
// A file opened for reading is read either record by record (AtEnd and
// ReadEntry), line by line (ReadLine) or as stored (Bytes); the first two do
// not mix on one open file. A file opened for writing holds what is written
// until Flush or Close hands it over in one piece.
class ServerListFile {
public:
    explicit ServerListFile(HostServices& host);
    // Closes without reporting and without writing what is still held, as a
    // process that stops midway would leave the file.
    ~ServerListFile();
    ServerListFile(const ServerListFile&) = delete;
    ServerListFile& operator=(const ServerListFile&) = delete;

    // The whole file is read at once.
    void OpenForReading(const std::wstring& fileName);
    // Written from empty, in the code page unless bytes given say otherwise.
    void OpenForWriting(const std::wstring& fileName);
    // Reading: by the mark, CodePage for a file without one.
    ListEncoding Encoding() const { return encoding_; }
    // Reading, once every line is read: the encoding new records go in. In a
    // file without the mark, UTF-8 when more of its lines read as UTF-8 than
    // in the code page.
    ListEncoding EncodingForNewRecords() const;

    // True when no further record can be read.
    bool AtEnd();
    // The next record; reading past the end fails.
    ServerEntry ReadEntry();
    // False at the end of the file. The mark is no part of the first line.
    bool ReadLine(ListLine& line);
    // The whole file as stored, mark included.
    const std::string& Bytes() const;

    // Writes one record; one that would not read back exactly fails without
    // writing anything.
    void WriteEntry(const ServerEntry& entry);
    void WriteBytes(const std::string& bytes);
    // Writes what is held and forces the file onto the disk.
    void Flush();
    // Writes what is held and closes; reports either failure.
    void Close();

private:
    void Open(const std::wstring& fileName, FileMode mode, ListEncoding encoding);
    void CountVote(const ListLine& line, bool ended);
    void WriteHeld();
    [[noreturn]] void Fail(ListFileOperation operation) const;

    HostServices& host_;
    std::unique_ptr<HostFile> file_;
    std::wstring fileName_;
    bool writing_ = false;
    ListEncoding encoding_ = ListEncoding::CodePage;
    std::string content_;       // reading: the whole file; writing: what is written so far
    std::size_t position_ = 0;  // reading: the next unread byte; writing: the first one not yet handed over
    int utf8Lines_ = 0, codePageLines_ = 0;  // reading a file without the mark
    ListLine scratch_;
    std::optional<ServerEntry> pending_;  // a record AtEnd found, for ReadEntry
};

}  // namespace tolvane
