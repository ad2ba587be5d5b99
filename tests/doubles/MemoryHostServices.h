#pragma once

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <functional>
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

// At the chosen step: it fails; it and all later ones fail (the medium is gone); the process is killed
// (a write keeps half its bytes); or the power goes and every file loses what it had since its last flush:
// cut back to that length; or kept at it, blocks not on the disk reading NUL (NTFS), or the file's bytes
// there before, else another file's, an unflushed cut keeping the old length (FAT on a USB stick).
enum class Fault { None, Fail, Gone, Kill, PowerCut, NtfsPowerCut, OldBytesPowerCut };

// An in-memory host: files, folders, a working directory, recorded process starts, a code page
// through iconv (936 unless set). Paths resolve against the working directory and compare ignoring
// ASCII letter case, as on Windows. Opening, sharing and deleting follow Windows' rules for the
// parameters OpeningFor gives, against the program's own open files and other programs' holds.
class MemoryHostServices : public HostServices {
public:
    enum class Hold { None, Exclusive, ShareRead };  // another program's hold on a file, for reading

    std::unique_ptr<HostFile> OpenHostFile(const std::wstring& path, FileMode mode) override {
        const FileOpening opening = OpeningFor(mode);
        const std::wstring* key = Find(path);
        bool overwrite = opening.disposition == kCreateAlways || opening.disposition == kTruncateExisting;
        // A hidden or system file is overwritten only by a caller that passes those attributes.
        if (IsDirectory(path) || !Shares(path, opening.access, opening.share) ||
            (!key && (opening.disposition == kOpenExisting || opening.disposition == kTruncateExisting)) ||
            (key && overwrite && (files_.at(*key).attributes & ~opening.attributes)))
            return nullptr;
        if (opening.access & kGenericWrite) {
            if (readOnly || (!key && !IsDirectory(Parent(Resolve(path)))) || !TakeStep()) return nullptr;
            if (!key || overwrite)
                files_[key ? *key : Resolve(path)].attributes = opening.attributes & kHiddenSystem;
            key = Find(path);
            if (overwrite || opening.truncate) files_.at(*key).bytes.clear(), files_.at(*key).flushed = 0;
        }
        return key ? std::make_unique<OpenFile>(*this, *key, opening) : nullptr;
    }
    std::optional<std::wstring> FindFile(const std::wstring& path) override {
        const std::wstring* key = path.find_first_of(L"*?") == std::wstring::npos ? Find(path) : nullptr;
        return key ? std::optional<std::wstring>(key->substr(key->rfind(L'\\') + 1)) : std::nullopt;
    }
    bool IsDirectory(const std::wstring& path) override { return directories_.count(Fold(path)) > 0; }
    bool RemoveFile(const std::wstring& path) override {
        const std::wstring* key = Find(path);
        if (!key || readOnly || !Shares(path, kDelete, kShareRead | kShareWrite | kShareDelete) ||
            !TakeStep())
            return false;
        return files_.erase(*key) > 0;
    }
    unsigned CodePage() override { return codePage; }
    std::string ToAnsi(const std::wstring& text) override {
        return Convert(("CP" + std::to_string(codePage)).c_str(), "WCHAR_T",
                       {reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)}, "?",
                       sizeof(wchar_t));
    }
    std::wstring FromAnsi(const std::string& bytes) override {
        const wchar_t substitute = 0x30FB;  // what Windows' table yields for a lone lead byte
        std::string wide = Convert("WCHAR_T", ("CP" + std::to_string(codePage)).c_str(), bytes,
                                   {reinterpret_cast<const char*>(&substitute), 4}, 1);
        return std::wstring(reinterpret_cast<const wchar_t*>(wide.data()), wide.size() / sizeof(wchar_t));
    }
    std::optional<std::wstring> GetWorkingDirectory() override { return workingDirectory_; }
    // Like process creation, refuses a working directory that is no folder (ERROR_DIRECTORY), a program
    // not there (ERROR_FILE_NOT_FOUND), or with `refuseStart` one that is; records the folder it starts in.
    ProcessStart StartProcess(const std::wstring& applicationName, const std::wstring& commandLine,
                              const std::wstring& directory, int show) override {
        std::uint32_t error = !IsDirectory(directory) ? 267 : !Find(applicationName) ? 2 : refuseStart;
        if (error) return {false, error};
        std::wstring resolved = Resolve(directory);
        while (resolved.size() > 3 && resolved.back() == L'\\') resolved.pop_back();
        started.push_back({applicationName, commandLine, show, resolved});
        return {true, 0};
    }

    // iconv's conversion; what the target cannot hold or the source does not encode becomes
    // `substitute`, as Windows puts its default character. Tests store texts with it as editors do.
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

    // Under exactly this name, flushed.
    void PutFile(const std::wstring& path, const std::string& bytes, std::uint32_t attributes = 0) {
        if (const std::wstring* key = Find(path)) files_.erase(*key);
        files_[Resolve(path)] = File{bytes, bytes.size(), attributes, bytes};
    }
    std::uint32_t Attributes(const std::wstring& path) const { return files_.at(*Find(path)).attributes; }
    std::optional<std::string> FileBytes(const std::wstring& path) const {
        const std::wstring* key = Find(path);
        return key ? std::optional<std::string>(files_.at(*key).bytes) : std::nullopt;
    }
    void AddDirectory(const std::wstring& path) { directories_.insert(Fold(path)); }
    void HoldFile(const std::wstring& path, Hold hold) {
        holds_.erase(Fold(path));
        if (hold != Hold::None)
            holds_.insert({Fold(path), {kGenericRead, hold == Hold::ShareRead ? kShareRead : 0}});
    }
    void PowerCut(Fault model = Fault::PowerCut) {
        const std::string other =
            "\"another\",\"file\"\r\n";  // a list's bytes, whose records must not appear
        for (auto& [path, file] : files_) {
            for (std::size_t at = file.flushed; model != Fault::PowerCut && at < file.bytes.size(); ++at) {
                if ((blocksWritten >> (at / 4096 % 32)) & 1) continue;
                file.bytes[at] = model == Fault::NtfsPowerCut ? '\0'
                                 : at < file.disk.size()      ? file.disk[at]
                                                              : other[at % other.size()];
            }
            if (model == Fault::PowerCut) file.bytes.resize(file.flushed);
            if (model == Fault::OldBytesPowerCut && file.disk.size() > file.bytes.size())
                file.bytes += file.disk.substr(file.bytes.size());
            file.flushed = file.bytes.size();
            file.disk = file.bytes;
        }
    }

    // Mutating steps (an open for writing or appending, each write, flush and removal) count from 1;
    // `fault` strikes at step `faultStep`.
    Fault fault = Fault::None;
    int faultStep = 0;
    std::uint32_t blocksWritten = 0;  // bit (block % 32) set when that 4 KiB block reached the disk anyway
    int Steps() const { return steps_; }  // taken so far: fewer than faultStep, and the fault never struck
    std::function<void()> beforeFault;    // runs at the step before faultStep: another program acting
    bool failNextRead = false;
    bool readOnly = false;  // a read-only folder or medium: nothing is written or deleted
    unsigned codePage = 936;
    int openFiles = 0;
    struct StartedProcess {
        std::wstring applicationName, commandLine;
        int showWindow;
        std::wstring workingDirectory;
    };
    std::vector<StartedProcess> started;
    std::uint32_t refuseStart = 0;  // a system error code, such as 5 (access denied)

private:
    static constexpr std::uint32_t kHiddenSystem = kAttributeHidden | kAttributeSystem;
    static constexpr std::uint32_t kDelete = 0x00010000;  // DELETE, as DeleteFileW asks for
    struct Access {
        std::uint32_t access, share;
    };
    struct File {
        std::string bytes;
        std::size_t flushed = 0;  // the bytes that survive a power cut
        std::uint32_t attributes = 0;
        std::string disk;  // what the disk held at the last flush
    };
    class OpenFile : public HostFile {
    public:
        OpenFile(MemoryHostServices& host, std::wstring key, const FileOpening& opening)
            : host_(host),
              key_(std::move(key)),
              writable_(opening.access & kGenericWrite),
              handle_(host.handles_.insert({host.Fold(key_), {opening.access, opening.share}})) {
            ++host_.openFiles;
        }
        ~OpenFile() override { Close(); }
        bool Read(char* buffer, std::size_t size, std::size_t& got) override {
            got = 0;
            if (!open_ || writable_ || std::exchange(host_.failNextRead, false)) return false;
            const std::string& bytes = host_.files_.at(key_).bytes;
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
            File& file = host_.files_.at(key_);
            file.flushed = file.bytes.size();
            file.disk = file.bytes;
            return true;
        }
        bool Close() override {
            if (!std::exchange(open_, false)) return false;
            --host_.openFiles;
            host_.handles_.erase(handle_);
            return true;
        }

    private:
        MemoryHostServices& host_;
        std::wstring key_;
        bool writable_, open_ = true;
        std::multimap<std::wstring, Access>::iterator handle_;
        std::size_t position_ = 0;
    };

    // Windows' sharing rule: a new handle and each one open on the file must share what the other
    // one does (read, write, delete).
    bool Shares(const std::wstring& path, std::uint32_t access, std::uint32_t share) const {
        auto needs = [](std::uint32_t a) {
            return (a & kGenericRead ? kShareRead : 0) | (a & kGenericWrite ? kShareWrite : 0) |
                   (a & kDelete ? kShareDelete : 0);
        };
        for (const auto* open : {&handles_, &holds_}) {
            for (auto [at, end] = open->equal_range(Fold(path)); at != end; ++at) {
                if ((needs(access) & ~at->second.share) || (needs(at->second.access) & ~share)) return false;
            }
        }
        return true;
    }

    // Counts a step; false when it fails; throws SimulatedCrash when the process dies there.
    bool TakeStep(const std::string& halfWrite = {}, File* target = nullptr) {
        if (++steps_ == faultStep - 1 && beforeFault) {  // its own steps neither count nor fail
            Fault mine = std::exchange(fault, Fault::None);
            std::exchange(beforeFault, {})(), fault = mine, steps_ = faultStep - 1;
        }
        if (fault == Fault::Gone && steps_ >= faultStep) return false;
        if (steps_ != faultStep || fault == Fault::None) return true;
        if (fault == Fault::Fail) return false;
        if (target) target->bytes += halfWrite;
        if (fault != Fault::Kill) PowerCut(fault);
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
    std::map<std::wstring, File> files_;  // by stored full path
    std::set<std::wstring> directories_{L"c:\\work"};
    std::multimap<std::wstring, Access> handles_, holds_;  // by folded full path
    std::wstring workingDirectory_ = L"C:\\work";
    int steps_ = 0;
};

}  // namespace tolvane::testing
