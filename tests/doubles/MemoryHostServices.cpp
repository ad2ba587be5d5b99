#include "MemoryHostServices.h"

#include <iconv.h>

#include <algorithm>
#include <cwctype>
#include <stdexcept>

namespace tolvane::testing {
namespace {

std::wstring Fold(std::wstring text) {
    for (auto& c : text) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    while (text.size() > 3 && text.back() == L'\\') text.pop_back();
    return text;
}

bool IsAbsolute(const std::wstring& path) {
    return (path.size() >= 2 && path[1] == L':') || (!path.empty() && path[0] == L'\\');
}

std::wstring LastComponent(const std::wstring& path) {
    auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// Converts with iconv, replacing what the target cannot hold or the source does
// not encode validly by `replacement` in the target encoding, as the Windows
// conversion functions substitute their default character.
std::string Convert(const char* to, const char* from, const char* in, std::size_t inSize,
                    const std::string& replacement, std::size_t inUnit) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
    std::string out;
    char buffer[256];
    char* src = const_cast<char*>(in);
    std::size_t left = inSize;
    while (left > 0) {
        char* dst = buffer;
        std::size_t room = sizeof buffer;
        std::size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // Invalid or incomplete input: substitute and skip one unit.
            out += replacement;
            std::size_t skip = std::min(inUnit, left);
            src += skip;
            left -= skip;
        }
    }
    iconv_close(cd);
    return out;
}

class MemoryFile : public HostFile {
public:
    MemoryFile(MemoryHostServices& host, std::wstring key, std::wstring name, bool writable)
        : host_(host), key_(std::move(key)), name_(std::move(name)), writable_(writable) {}
    ~MemoryFile() override {
        if (open_) host_.FileClosed();
    }

    bool Read(char* buffer, std::size_t size, std::size_t& bytesRead) override {
        bytesRead = 0;
        if (!open_ || writable_) return false;
        if (host_.failNextRead) {
            host_.failNextRead = false;
            return false;
        }
        const std::string& bytes = host_.Bytes(key_);
        if (position_ >= bytes.size()) return true;
        bytesRead = std::min(size, bytes.size() - position_);
        std::copy_n(bytes.data() + position_, bytesRead, buffer);
        position_ += bytesRead;
        return true;
    }

    bool Write(const char* data, std::size_t size) override {
        if (!open_ || !writable_) return false;
        auto what = L"write " + name_ + L" " + std::to_wstring(size);
        auto result = host_.TakeStep(what, [&] { host_.Bytes(key_).append(data, size / 2); });
        if (result == MemoryHostServices::StepResult::Fail) return false;
        host_.Bytes(key_).append(data, size);
        return true;
    }

    bool Flush() override {
        if (!open_ || !writable_) return false;
        return host_.TakeStep(L"flush " + name_) == MemoryHostServices::StepResult::Go;
    }

    bool Close() override {
        if (!open_) return false;
        open_ = false;
        host_.FileClosed();
        host_.log.push_back(L"close " + name_);
        return true;
    }

private:
    MemoryHostServices& host_;
    std::wstring key_;
    std::wstring name_;
    bool writable_;
    bool open_ = true;
    std::size_t position_ = 0;
};

}  // namespace

MemoryHostServices::MemoryHostServices() { directories_.insert(Fold(workingDirectory_)); }

std::wstring MemoryHostServices::Resolve(const std::wstring& path) const {
    if (IsAbsolute(path)) return path;
    return workingDirectory_ + L"\\" + path;
}

const std::wstring* MemoryHostServices::FindKey(const std::wstring& resolved) const {
    auto folded = Fold(resolved);
    for (const auto& [key, bytes] : files_) {
        if (Fold(key) == folded) return &key;
    }
    return nullptr;
}

MemoryHostServices::StepResult MemoryHostServices::TakeStep(const std::wstring& what,
                                                            const std::function<void()>& onCrash) {
    ++steps_;
    if (steps_ == crashAtStep) {
        if (onCrash) onCrash();
        log.push_back(L"crash at " + what);
        throw SimulatedCrash{steps_};
    }
    if (steps_ == failAtStep) {
        log.push_back(L"fail " + what);
        return StepResult::Fail;
    }
    log.push_back(what);
    return StepResult::Go;
}

std::unique_ptr<HostFile> MemoryHostServices::OpenHostFile(const std::wstring& path, FileMode mode) {
    auto resolved = Resolve(path);
    if (locked_.count(Fold(resolved))) return nullptr;
    const std::wstring* key = FindKey(resolved);
    if (mode == FileMode::Read) {
        if (!key) return nullptr;
        ++openFiles_;
        return std::make_unique<MemoryFile>(*this, *key, path, false);
    }
    auto slash = resolved.find_last_of(L'\\');
    if (!key && !directories_.count(Fold(resolved.substr(0, slash)))) return nullptr;
    const wchar_t* verb = mode == FileMode::Write ? L"open-write " : L"open-append ";
    if (TakeStep(verb + path) == StepResult::Fail) return nullptr;
    std::wstring stored = key ? *key : resolved;
    if (mode == FileMode::Write || !key) files_[stored].clear();
    ++openFiles_;
    return std::make_unique<MemoryFile>(*this, stored, path, true);
}

std::optional<std::wstring> MemoryHostServices::FindFile(const std::wstring& path) {
    if (path.find_first_of(L"*?") != std::wstring::npos) return std::nullopt;
    const std::wstring* key = FindKey(Resolve(path));
    if (!key) return std::nullopt;
    return LastComponent(*key);
}

bool MemoryHostServices::RemoveFile(const std::wstring& path) {
    auto resolved = Resolve(path);
    const std::wstring* key = FindKey(resolved);
    if (!key || locked_.count(Fold(resolved))) return false;
    std::wstring stored = *key;
    if (TakeStep(L"remove " + path) == StepResult::Fail) return false;
    files_.erase(stored);
    return true;
}

std::string MemoryHostServices::ToAnsi(const std::wstring& text) {
    return Convert("CP936", "WCHAR_T", reinterpret_cast<const char*>(text.data()),
                   text.size() * sizeof(wchar_t), "?", sizeof(wchar_t));
}

std::wstring MemoryHostServices::FromAnsi(const std::string& bytes) {
    wchar_t replacement = 0x30FB;  // what Windows' code page 936 table yields for a lone lead byte
    std::string replacementBytes(reinterpret_cast<const char*>(&replacement), sizeof replacement);
    std::string wide = Convert("WCHAR_T", "CP936", bytes.data(), bytes.size(), replacementBytes, 1);
    return std::wstring(reinterpret_cast<const wchar_t*>(wide.data()), wide.size() / sizeof(wchar_t));
}

std::optional<std::wstring> MemoryHostServices::GetWorkingDirectory() { return workingDirectory_; }

bool MemoryHostServices::SetWorkingDirectory(const std::wstring& path) {
    std::wstring resolved = Resolve(path);
    if (!directories_.count(Fold(resolved))) return false;
    while (resolved.size() > 3 && resolved.back() == L'\\') resolved.pop_back();
    workingDirectory_ = resolved;
    directoryChanges.push_back(resolved);
    return true;
}

bool MemoryHostServices::StartProcess(const std::wstring& applicationName, const std::wstring& commandLine,
                                      int showWindow) {
    if (startProcessFails) return false;
    if (!applicationName.empty() && !FindKey(Resolve(applicationName))) return false;
    started.push_back({applicationName, commandLine, showWindow, workingDirectory_});
    return true;
}

void MemoryHostServices::PutFile(const std::wstring& path, const std::string& bytes) {
    auto resolved = Resolve(path);
    if (const std::wstring* key = FindKey(resolved)) files_.erase(*key);
    files_[resolved] = bytes;
}

bool MemoryHostServices::HasFile(const std::wstring& path) const { return FindKey(Resolve(path)) != nullptr; }

std::string MemoryHostServices::FileBytes(const std::wstring& path) const {
    const std::wstring* key = FindKey(Resolve(path));
    return key ? files_.at(*key) : std::string();
}

std::wstring MemoryHostServices::StoredName(const std::wstring& path) const {
    const std::wstring* key = FindKey(Resolve(path));
    return key ? *key : std::wstring();
}

std::vector<std::wstring> MemoryHostServices::FileNames() const {
    std::vector<std::wstring> names;
    for (const auto& [key, bytes] : files_) {
        auto slash = key.find_last_of(L'\\');
        if (Fold(key.substr(0, slash)) == Fold(workingDirectory_)) names.push_back(key.substr(slash + 1));
    }
    std::sort(names.begin(), names.end());
    return names;
}

void MemoryHostServices::AddDirectory(const std::wstring& path) { directories_.insert(Fold(Resolve(path))); }

void MemoryHostServices::LockFile(const std::wstring& path) { locked_.insert(Fold(Resolve(path))); }

void MemoryHostServices::UnlockFile(const std::wstring& path) { locked_.erase(Fold(Resolve(path))); }

}  // namespace tolvane::testing
