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

enum class Field { Name, Address };

// The one rule for what a field may hold in a file of `encoding`: text that
// the writer stores and the reader gives back unchanged. Fields are quoted
// without escaping, so no double quote; CR, LF and NUL would end or cut the
// record. In the code page, every character must exist there, or it is stored
// as another one. In UTF-8 without the mark, every character must keep the
// file recognisable as UTF-8. An address goes to the registry in the code
// page, so in any file its characters must exist there.
bool IsStorable(HostServices& host, const std::wstring& text, Field field, ListEncoding encoding);

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

// The only code that touches the bytes of "diablo.dat" or "diablo.new". One
// file at a time, opened by one of the three Open calls and closed by Close.
// Every failure throws ListFileError naming the file and the operation.
//
// A file opened for reading is read either record by record (AtEnd and
// ReadEntry), line by line (ReadLine) or as stored (ReadBytes); they do not
// mix on one open file. Reading and appending take the file's own encoding; a
// file opened for writing is written in the encoding given.
class ServerListFile {
public:
    explicit ServerListFile(HostServices& host);
    // Closes without reporting and without writing what is still buffered, as
    // a process that stops midway would leave the file.
    ~ServerListFile();
    ServerListFile(const ServerListFile&) = delete;
    ServerListFile& operator=(const ServerListFile&) = delete;

    void OpenForReading(const std::wstring& fileName);
    void OpenForWriting(const std::wstring& fileName, ListEncoding encoding = ListEncoding::CodePage);
    void OpenForAppending(const std::wstring& fileName);
    ListEncoding Encoding() const { return encoding_; }

    // True when no further record can be read.
    bool AtEnd();
    // The next record; reading past the end fails.
    ServerEntry ReadEntry();
    // False at the end of the file. The mark is no part of the first line.
    bool ReadLine(ListLine& line);
    // The next bytes as stored, mark included, as many as come at once; false
    // at the end of the file.
    bool ReadBytes(std::string& bytes);

    // Writes one record. A field that is not IsStorable in the file's
    // encoding fails without writing anything.
    void WriteEntry(const ServerEntry& entry);
    // Writes a record line in the writer's form, any other line as it was.
    void WriteLine(const ListLine& line);
    void WriteBytes(const std::string& bytes);
    // Writes what is buffered and forces the file onto the disk.
    void Flush();
    // Writes what is buffered and closes; reports either failure.
    void Close();

private:
    void Open(const std::wstring& fileName, FileMode mode, ListEncoding encoding);
    void Prescan(const std::wstring& fileName, FileMode mode);
    // Reads `line.bytes` as a record, filling the rest of `line`.
    void ParseLine(ListLine& line) const;
    void DropMark();
    bool FillBuffer();
    void CompleteLastLine();
    void AppendRecord(std::string_view name, std::string_view address);
    void Append(const char* data, std::size_t size);
    void WriteBuffered();
    [[noreturn]] void Fail(ListFileOperation operation) const;

    HostServices& host_;
    std::unique_ptr<HostFile> file_;
    std::wstring fileName_;
    bool writing_ = false;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;  // reading: next unread byte in buffer_
    std::size_t end_ = 0;    // reading: bytes in buffer_; writing: bytes waiting
    bool endOfFile_ = false;
    ListEncoding encoding_ = ListEncoding::CodePage;
    bool markDue_ = false;         // reading: the mark is still to be passed over
    const char* lineEndDue_ = "";  // appending: what completes a last line left open
    ListLine scratch_;
    std::optional<ServerEntry> pending_;  // a record AtEnd found, for ReadEntry
};

}  // namespace tolvane
