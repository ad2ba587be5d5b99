#include "MemoryHostServices.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <utility>

namespace tolvane::testing {
namespace {

std::wstring Fold(std::wstring text) {
    for (auto& c : text) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    while (text.size() > 3 && text.back() == L'\\') text.pop_back();
    return text;
}

std::wstring Parent(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

// Converts with iconv; what the target cannot hold or the source does not
// encode becomes `replacement`, as Windows substitutes its default character.
std::string Convert(const char* to, const char* from, std::string in, const std::string& replacement,
                    std::size_t unit) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
    std::string out;
    char* src = in.data();
    std::size_t left = in.size();
    while (left > 0) {
        char buffer[256];
        char* dst = buffer;
        std::size_t room = sizeof buffer;
        std::size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out += replacement;
            std::size_t skip = std::min(unit, left);
            src += skip;
            left -= skip;
        }
    }
    iconv_close(cd);
    return out;
}

class MemoryFile : public HostFile {
public:
    MemoryFile(MemoryHostServices& host, std::wstring key, bool writable)
        : host_(host), key_(std::move(key)), writable_(writable) {}
    ~MemoryFile() override {
        if (open_) host_.FileClosed();
    }

    bool Read(char* buffer, std::size_t size, std::size_t& bytesRead) override {
        bytesRead = 0;
        if (!open_ || writable_ || std::exchange(host_.failNextRead, false)) return false;
        const std::string& bytes = host_.Bytes(key_);
        if (position_ >= bytes.size()) return true;
        bytesRead = std::min(size, bytes.size() - position_);
        std::copy_n(bytes.data() + position_, bytesRead, buffer);
        position_ += bytesRead;
        return true;
    }
    bool Write(const char* data, std::size_t size) override {
        if (!open_ || !writable_ || !host_.TakeStep([&] { host_.Bytes(key_).append(data, size / 2); }))
            return false;
        host_.Bytes(key_).append(data, size);
        return true;
    }
    bool Flush() override { return open_ && writable_ && host_.TakeStep(); }
    bool Close() override {
        if (!std::exchange(open_, false)) return false;
        host_.FileClosed();
        return true;
    }

private:
    MemoryHostServices& host_;
    std::wstring key_;
    bool writable_;
    bool open_ = true;
    std::size_t position_ = 0;
};

}  // namespace

MemoryHostServices::MemoryHostServices() { directories_.insert(Fold(workingDirectory_)); }

std::wstring MemoryHostServices::Resolve(const std::wstring& path) const {
    bool absolute = (path.size() >= 2 && path[1] == L':') || (!path.empty() && path[0] == L'\\');
    return absolute ? path : workingDirectory_ + L"\\" + path;
}

const std::wstring* MemoryHostServices::FindKey(const std::wstring& path) const {
    auto folded = Fold(Resolve(path));
    for (const auto& file : files_) {
        if (Fold(file.first) == folded) return &file.first;
    }
    return nullptr;
}

bool MemoryHostServices::TakeStep(const std::function<void()>& onCrash) {
    ++steps_;
    if (steps_ == crashAtStep) {
        if (onCrash) onCrash();
        throw SimulatedCrash{steps_};
    }
    return steps_ != failAtStep;
}

std::unique_ptr<HostFile> MemoryHostServices::OpenHostFile(const std::wstring& path, FileMode mode) {
    auto resolved = Resolve(path);
    if (locked_.count(Fold(resolved))) return nullptr;
    const std::wstring* key = FindKey(path);
    if (mode == FileMode::Read) {
        if (!key) return nullptr;
        ++openFiles_;
        return std::make_unique<MemoryFile>(*this, *key, false);
    }
    if (!key && !directories_.count(Fold(Parent(resolved)))) return nullptr;
    if (!TakeStep()) return nullptr;
    std::wstring stored = key ? *key : resolved;
    if (mode == FileMode::Write || !key) files_[stored].clear();
    ++openFiles_;
    return std::make_unique<MemoryFile>(*this, stored, true);
}

std::optional<std::wstring> MemoryHostServices::FindFile(const std::wstring& path) {
    const std::wstring* key = path.find_first_of(L"*?") == std::wstring::npos ? FindKey(path) : nullptr;
    if (!key) return std::nullopt;
    return key->substr(key->find_last_of(L'\\') + 1);
}

bool MemoryHostServices::RemoveFile(const std::wstring& path) {
    const std::wstring* key = FindKey(path);
    if (!key || locked_.count(Fold(Resolve(path))) || !TakeStep()) return false;
    files_.erase(*key);
    return true;
}

std::string MemoryHostServices::ToAnsi(const std::wstring& text) {
    std::string wide(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    return Convert("CP936", "WCHAR_T", wide, "?", sizeof(wchar_t));
}

std::wstring MemoryHostServices::FromAnsi(const std::string& bytes) {
    wchar_t replacement = 0x30FB;  // what Windows' code page 936 table yields for a lone lead byte
    std::string wide =
        Convert("WCHAR_T", "CP936", bytes,
                std::string(reinterpret_cast<const char*>(&replacement), sizeof replacement), 1);
    return std::wstring(reinterpret_cast<const wchar_t*>(wide.data()), wide.size() / sizeof(wchar_t));
}

std::optional<std::wstring> MemoryHostServices::GetWorkingDirectory() { return workingDirectory_; }

bool MemoryHostServices::SetWorkingDirectory(const std::wstring& path) {
    std::wstring resolved = Resolve(path);
    if (!directories_.count(Fold(resolved))) return false;
    while (resolved.size() > 3 && resolved.back() == L'\\') resolved.pop_back();
    workingDirectory_ = resolved;
    return true;
}

bool MemoryHostServices::StartProcess(const std::wstring& applicationName, const std::wstring& commandLine,
                                      int showWindow) {
    if (startProcessFails || (!applicationName.empty() && !FindKey(applicationName))) return false;
    started.push_back({applicationName, commandLine, showWindow, workingDirectory_});
    return true;
}

void MemoryHostServices::PutFile(const std::wstring& path, const std::string& bytes) {
    if (const std::wstring* key = FindKey(path)) files_.erase(*key);
    files_[Resolve(path)] = bytes;
}

bool MemoryHostServices::HasFile(const std::wstring& path) const { return FindKey(path) != nullptr; }

std::string MemoryHostServices::FileBytes(const std::wstring& path) const {
    const std::wstring* key = FindKey(path);
    return key ? files_.at(*key) : std::string();
}

std::vector<std::wstring> MemoryHostServices::FileNames() const {
    std::vector<std::wstring> names;
    for (const auto& file : files_) {
        if (Fold(Parent(file.first)) == Fold(workingDirectory_))
            names.push_back(file.first.substr(file.first.find_last_of(L'\\') + 1));
    }
    std::sort(names.begin(), names.end());
    return names;
}

void MemoryHostServices::AddDirectory(const std::wstring& path) { directories_.insert(Fold(Resolve(path))); }
void MemoryHostServices::LockFile(const std::wstring& path) { locked_.insert(Fold(Resolve(path))); }
void MemoryHostServices::UnlockFile(const std::wstring& path) { locked_.erase(Fold(Resolve(path))); }

}  // namespace tolvane::testing
