#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tolvane {

// One open file of the host. The list file code reads and writes it byte-wise;
// the destructor closes it without reporting, Close() reports.
class HostFile {
public:
    virtual ~HostFile() = default;

    // Reads up to `size` bytes into `buffer` and sets `bytesRead`; 0 bytes read
    // with a true result means end of file. False on a read error.
    virtual bool Read(char* buffer, std::size_t size, std::size_t& bytesRead) = 0;
    // Writes all `size` bytes or reports false.
    virtual bool Write(const char* data, std::size_t size) = 0;
    // Forces what was written so far onto the disk (not only into a cache).
    virtual bool Flush() = 0;
    virtual bool Close() = 0;
};

enum class FileMode {
    Read,   // an existing file, from its start
    Write,  // created, or truncated to zero bytes
};

// CreateFileW's own values, for the parameters below.
inline constexpr std::uint32_t kGenericRead = 0x80000000u, kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kShareRead = 1, kShareWrite = 2, kShareDelete = 4;
inline constexpr std::uint32_t kCreateAlways = 2, kOpenExisting = 3, kOpenAlways = 4, kTruncateExisting = 5;
inline constexpr std::uint32_t kAttributeHidden = 2, kAttributeSystem = 4, kAttributeNormal = 0x80;

// How a mode opens a file: what Win32HostServices passes to CreateFileW, and
// what the in-memory host judges by Windows' rules, so that a change here
// shows in the native tests.
struct FileOpening {
    std::uint32_t access, share, disposition, attributes;
    bool truncate;  // cut to zero bytes once open (SetEndOfFile)
};

// Readers share with other readers only, writers with nobody: another program
// holding the file for writing makes the open fail instead of interleaving
// bytes. Nobody shares deletion, so an open file cannot be deleted. A file is
// overwritten by opening it as it is and cutting it: CREATE_ALWAYS and
// TRUNCATE_EXISTING fail on a hidden or system file unless its attributes are
// passed, and would drop them.
inline FileOpening OpeningFor(FileMode mode) {
    if (mode == FileMode::Read) return {kGenericRead, kShareRead, kOpenExisting, kAttributeNormal, false};
    return {kGenericWrite, 0, kOpenAlways, kAttributeNormal, true};
}

// Show-window style for started processes: SW_SHOWMINIMIZED.
inline constexpr int kShowMinimized = 2;

// A process start: done, or the system's error code (GetLastError) saying why not.
struct ProcessStart {
    bool started;
    std::uint32_t error;  // 0 when started
};

// Everything the portable core needs from the operating system besides the
// registry. Paths are relative to the process's working directory unless
// absolute.
class HostServices {
public:
    virtual ~HostServices() = default;

    // Files. OpenHostFile yields nullptr when the file cannot be opened.
    virtual std::unique_ptr<HostFile> OpenHostFile(const std::wstring& path, FileMode mode) = 0;
    // Looks the path up in the file system and yields the file's name (the last
    // path component only) as the file system stores it, or nothing.
    virtual std::optional<std::wstring> FindFile(const std::wstring& path) = 0;
    // True when the path names a folder.
    virtual bool IsDirectory(const std::wstring& path) = 0;
    virtual bool RemoveFile(const std::wstring& path) = 0;

    // Text in the system's ANSI code page, and its number (936 on Simplified
    // Chinese Windows).
    virtual unsigned CodePage() = 0;
    virtual std::string ToAnsi(const std::wstring& text) = 0;
    virtual std::wstring FromAnsi(const std::string& bytes) = 0;

    // The process-wide current working directory, drive included.
    virtual std::optional<std::wstring> GetWorkingDirectory() = 0;

    // Starts a process without waiting for it; its handles are closed at once.
    // `applicationName` is the full program path, `commandLine` the whole text
    // the program receives, `workingDirectory` the folder it starts in (it
    // must exist).
    virtual ProcessStart StartProcess(const std::wstring& applicationName, const std::wstring& commandLine,
                                      const std::wstring& workingDirectory, int showWindow) = 0;
};

}  // namespace tolvane
