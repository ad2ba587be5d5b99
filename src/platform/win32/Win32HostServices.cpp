#include "platform/win32/Win32HostServices.h"

#include <windows.h>

#include <vector>

#include "platform/win32/ScopedHandle.h"

namespace tolvane {
namespace {

class Win32File : public HostFile {
public:
    explicit Win32File(HANDLE handle) : handle_(handle) {}

    bool Read(char* buffer, std::size_t size, std::size_t& bytesRead) override {
        DWORD got = 0;
        BOOL ok = ::ReadFile(handle_.get(), buffer, static_cast<DWORD>(size), &got, nullptr);
        bytesRead = got;
        return ok != FALSE;
    }

    bool Write(const char* data, std::size_t size) override {
        // WriteFile may write less than asked without failing; loop until done.
        while (size > 0) {
            DWORD written = 0;
            if (!::WriteFile(handle_.get(), data, static_cast<DWORD>(size), &written, nullptr) ||
                written == 0)
                return false;
            data += written;
            size -= written;
        }
        return true;
    }

    bool Flush() override { return ::FlushFileBuffers(handle_.get()) != FALSE; }

    bool Close() override { return handle_.Reset(); }

private:
    ScopedHandle handle_;
};

}  // namespace

static_assert(kGenericRead == GENERIC_READ && kGenericWrite == GENERIC_WRITE &&
                  kShareRead == FILE_SHARE_READ && kShareWrite == FILE_SHARE_WRITE &&
                  kShareDelete == FILE_SHARE_DELETE && kCreateAlways == CREATE_ALWAYS &&
                  kOpenExisting == OPEN_EXISTING && kOpenAlways == OPEN_ALWAYS &&
                  kTruncateExisting == TRUNCATE_EXISTING && kAttributeHidden == FILE_ATTRIBUTE_HIDDEN &&
                  kAttributeSystem == FILE_ATTRIBUTE_SYSTEM && kAttributeNormal == FILE_ATTRIBUTE_NORMAL,
              "the portable file constants are CreateFileW's");

std::unique_ptr<HostFile> Win32HostServices::OpenHostFile(const std::wstring& path, FileMode mode) {
    const FileOpening opening = OpeningFor(mode);
    HANDLE handle = ::CreateFileW(path.c_str(), opening.access, opening.share, nullptr, opening.disposition,
                                  opening.attributes, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    auto file = std::make_unique<Win32File>(handle);
    // The file pointer is at the start: cutting there empties the file.
    if (opening.truncate && !::SetEndOfFile(handle)) return nullptr;
    return file;
}

std::optional<std::wstring> Win32HostServices::FindFile(const std::wstring& path) {
    // FindFirstFile takes wildcards; a name holding one is not a lookup of one file.
    if (path.find_first_of(L"*?") != std::wstring::npos) return std::nullopt;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return std::nullopt;
    ::FindClose(find);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return std::wstring(data.cFileName);
}

bool Win32HostServices::IsDirectory(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32HostServices::RemoveFile(const std::wstring& path) { return ::DeleteFileW(path.c_str()) != FALSE; }

unsigned Win32HostServices::CodePage() { return ::GetACP(); }

std::string Win32HostServices::ToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                     nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                          nullptr);
    return out;
}

std::wstring Win32HostServices::FromAnsi(const std::string& bytes) {
    if (bytes.empty()) return {};
    int size = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), size);
    return out;
}

std::optional<std::wstring> Win32HostServices::GetWorkingDirectory() {
    DWORD size = ::GetCurrentDirectoryW(0, nullptr);
    if (size == 0) return std::nullopt;
    std::wstring out(size, L'\0');
    DWORD length = ::GetCurrentDirectoryW(size, out.data());
    if (length == 0 || length >= size) return std::nullopt;
    out.resize(length);
    return out;
}

ProcessStart Win32HostServices::StartProcess(const std::wstring& applicationName,
                                             const std::wstring& commandLine,
                                             const std::wstring& workingDirectory, int showWindow) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showWindow);
    PROCESS_INFORMATION info{};
    // CreateProcessW may write into the command-line buffer, so it gets a copy.
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    // The child gets its working directory at creation, so this process's own
    // is never changed, not even for a moment.
    BOOL ok =
        ::CreateProcessW(applicationName.empty() ? nullptr : applicationName.c_str(), line.data(), nullptr,
                         nullptr, FALSE, 0, nullptr, workingDirectory.c_str(), &startup, &info);
    if (!ok) {
        DWORD error = ::GetLastError();
        // A failure without a code of its own still is one.
        return {false, error ? error : ERROR_GEN_FAILURE};
    }
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return {true, 0};
}

}  // namespace tolvane
