#pragma once

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/HostServices.h"

namespace tolvane::testing {

// Thrown to stop the code under test at a chosen step. Not a std::exception on purpose: nothing in
// the product may catch it by accident.
struct SimulatedCrash {};

// What happens at the chosen step: it fails; the process is killed there (a write keeps half its
// bytes); or the power goes (every file also loses what was written to it since its last flush).
enum class Fault { None, Fail, Kill, PowerCut };

// An in-memory host: files, folders, a working directory, recorded process starts, code page 936
// through iconv. Paths resolve against the working directory and compare ignoring ASCII letter
// case, as on Windows.
class MemoryHostServices : public HostServices {
public:
    enum class Hold { None, Exclusive, ShareRead };  // another program's hold on a file

    std::unique_ptr<HostFile> OpenHostFile(const std::wstring& path, FileMode mode) override {
        auto hold = holds_.find(Fold(path));
        if ((hold != holds_.end() && (hold->second == Hold::Exclusive || mode != FileMode::Read)) ||
            IsDirectory(path))
            return nullptr;
        const std::wstring* key = Find(path);
        if (mode == FileMode::Read) return key ? std::make_unique<OpenFile>(*this, *key, false) : nullptr;
        if (readOnly || (!key && !IsDirectory(Parent(Resolve(path)))) || !TakeStep()) return nullptr;
        std::wstring stored = key ? *key : Resolve(path);
        if (mode == FileMode::Write || !key) files_[stored] = File{};
        return std::make_unique<OpenFile>(*this, stored, true);
    }
    std::optional<std::wstring> FindFile(const std::wstring& path) override {
        const std::wstring* key = path.find_first_of(L"*?") == std::wstring::npos ? Find(path) : nullptr;
        return key ? std::optional<std::wstring>(key->substr(key->rfind(L'\\') + 1)) : std::nullopt;
    }
    bool IsDirectory(const std::wstring& path) override { return directories_.count(Fold(path)) > 0; }
    bool RemoveFile(const std::wstring& path) override {
        const std::wstring* key = Find(path);
        if (!key || readOnly || holds_.count(Fold(path)) || !TakeStep()) return false;
        return files_.erase(*key) > 0;
    }
    std::string ToAnsi(const std::wstring& text) override {
        return Convert("CP936", "WCHAR_T",
                       {reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)}, "?",
                       sizeof(wchar_t));
    }
    std::wstring FromAnsi(const std::string& bytes) override {
        const wchar_t substitute = 0x30FB;  // what Windows' table yields for a lone lead byte
        std::string wide =
            Convert("WCHAR_T", "CP936", bytes, {reinterpret_cast<const char*>(&substitute), 4}, 1);
        return std::wstring(reinterpret_cast<const wchar_t*>(wide.data()), wide.size() / sizeof(wchar_t));
    }
    std::optional<std::wstring> GetWorkingDirectory() override { return workingDirectory_; }
    // Like process creation, refuses a working directory that is no folder; records it as the
    // started program reads it back.
    bool StartProcess(const std::wstring& applicationName, const std::wstring& commandLine,
                      const std::wstring& directory, int show) override {
        if (startProcessFails || !Find(applicationName) || !IsDirectory(directory)) return false;
        std::wstring resolved = Resolve(directory);
        while (resolved.size() > 3 && resolved.back() == L'\\') resolved.pop_back();
        started.push_back({applicationName, commandLine, show, resolved});
        return true;
    }

    void PutFile(const std::wstring& path, const std::string& bytes) {  // under exactly this name, flushed
        if (const std::wstring* key = Find(path)) files_.erase(*key);
        files_[Resolve(path)] = File{bytes, bytes.size()};
    }
    std::optional<std::string> FileBytes(const std::wstring& path) const {
        const std::wstring* key = Find(path);
        return key ? std::optional<std::string>(files_.at(*key).bytes) : std::nullopt;
    }
    void AddDirectory(const std::wstring& path) { directories_.insert(Fold(path)); }
    void HoldFile(const std::wstring& path, Hold hold) {
        hold == Hold::None ? (void)holds_.erase(Fold(path)) : (void)(holds_[Fold(path)] = hold);
    }
    void PowerCut() {
        for (auto& file : files_) file.second.bytes.resize(file.second.flushed);
    }

    // Mutating steps (an open for writing or appending, each write, flush and removal) count from 1;
    // `fault` strikes at step `faultStep`.
    Fault fault = Fault::None;
    int faultStep = 0;
    bool failNextRead = false;
    bool readOnly = false;  // a read-only folder or medium: nothing is written or deleted
    int openFiles = 0;
    struct StartedProcess {
        std::wstring applicationName, commandLine;
        int showWindow;
        std::wstring workingDirectory;
    };
    std::vector<StartedProcess> started;
    bool startProcessFails = false;

private:
    struct File {
        std::string bytes;
        std::size_t flushed = 0;  // the bytes that survive a power cut
    };
    class OpenFile : public HostFile {
    public:
        OpenFile(MemoryHostServices& host, std::wstring key, bool writable)
            : host_(host), key_(std::move(key)), writable_(writable) {
            ++host_.openFiles;
        }
        ~OpenFile() override { Close(); }
        bool Read(char* buffer, std::size_t size, std::size_t& got) override {
            got = 0;
            if (!open_ || writable_ || std::exchange(host_.failNextRead, false)) return false;
            const std::string& bytes = host_.files_.at(key_).bytes;  // throws if deleted while open
            got = std::min(size, bytes.size() - std::min(position_, bytes.size()));
            std::copy_n(bytes.data() + position_, got, buffer);
            position_ += got;
            return true;
        }
        bool Write(const char* data, std::size_t size) override {
            File& file = host_.files_.at(key_);
            if (!open_ || !writable_ || !host_.TakeStep(std::string(data, size / 2), &file)) return false;
            file.bytes.append(data, size);
            return true;
        }
        bool Flush() override {
            if (!open_ || !writable_ || !host_.TakeStep()) return false;
            host_.files_.at(key_).flushed = host_.files_.at(key_).bytes.size();
            return true;
        }
        bool Close() override {
            if (!std::exchange(open_, false)) return false;
            --host_.openFiles;
            return true;
        }

    private:
        MemoryHostServices& host_;
        std::wstring key_;
        bool writable_, open_ = true;
        std::size_t position_ = 0;
    };

    // Counts a step; false when it fails; throws SimulatedCrash when the process dies there.
    bool TakeStep(const std::string& halfWrite = {}, File* target = nullptr) {
        if (++steps_ != faultStep || fault == Fault::None) return true;
        if (fault == Fault::Fail) return false;
        if (target) target->bytes += halfWrite;
        if (fault == Fault::PowerCut) PowerCut();
        throw SimulatedCrash{};
    }
    std::wstring Resolve(const std::wstring& path) const {
        bool absolute = (path.size() >= 2 && path[1] == L':') || (!path.empty() && path[0] == L'\\');
        return absolute ? path : workingDirectory_ + L"\\" + path;
    }
    std::wstring Fold(const std::wstring& path) const {
        std::wstring text = Resolve(path);
        for (auto& c : text) c = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
        while (text.size() > 3 && text.back() == L'\\') text.pop_back();
        return text;
    }
    static std::wstring Parent(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }
    const std::wstring* Find(const std::wstring& path) const {
        for (const auto& file : files_) {
            if (Fold(file.first) == Fold(path)) return &file.first;
        }
        return nullptr;
    }
    // What the target cannot hold or the source does not encode becomes `substitute`, as Windows
    // puts its default character.
    static std::string Convert(const char* to, const char* from, std::string in,
                               const std::string& substitute, std::size_t unit) {
        iconv_t cd = iconv_open(to, from);
        std::string out;
        char* src = in.data();
        for (std::size_t left = in.size(); left > 0;) {
            char buffer[256];
            char* dst = buffer;
            std::size_t room = sizeof buffer;
            bool stuck =
                iconv(cd, &src, &left, &dst, &room) == static_cast<std::size_t>(-1) && errno != E2BIG;
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (stuck) {
                out += substitute;
                src += std::min(unit, left);
                left -= std::min(unit, left);
            }
        }
        iconv_close(cd);
        return out;
    }

    std::map<std::wstring, File> files_;  // by stored full path
    std::set<std::wstring> directories_{L"c:\\work"};
    std::map<std::wstring, Hold> holds_;  // by folded full path
    std::wstring workingDirectory_ = L"C:\\work";
    int steps_ = 0;
};

}  // namespace tolvane::testing
