#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/HostServices.h"

namespace tolvane::testing {

// Thrown to stop the code under test at a chosen step, as a kill would. Not a
// std::exception on purpose: nothing in the product may catch it by accident.
struct SimulatedCrash {
    int step;
};

// An in-memory host: files in a map, a working directory, recorded process
// starts, code page 936 through iconv. Paths resolve against the working
// directory and compare ignoring ASCII letter case, as on Windows.
class MemoryHostServices : public HostServices {
public:
    MemoryHostServices();

    std::unique_ptr<HostFile> OpenHostFile(const std::wstring& path, FileMode mode) override;
    std::optional<std::wstring> FindFile(const std::wstring& path) override;
    bool RemoveFile(const std::wstring& path) override;
    std::string ToAnsi(const std::wstring& text) override;
    std::wstring FromAnsi(const std::string& bytes) override;
    std::optional<std::wstring> GetWorkingDirectory() override;
    bool SetWorkingDirectory(const std::wstring& path) override;
    bool StartProcess(const std::wstring& applicationName, const std::wstring& commandLine,
                      int showWindow) override;

    void PutFile(const std::wstring& path, const std::string& bytes);  // under exactly this name
    bool HasFile(const std::wstring& path) const;
    std::string FileBytes(const std::wstring& path) const;  // empty when missing
    std::vector<std::wstring> FileNames() const;            // of the working directory, as stored, sorted
    void AddDirectory(const std::wstring& path);
    void LockFile(const std::wstring& path);  // opening or removing it fails
    void UnlockFile(const std::wstring& path);

    // Mutating steps (an open for writing or appending, each write, flush and
    // removal) count from 1: step `failAtStep` reports failure, step
    // `crashAtStep` throws SimulatedCrash (a write keeping half its bytes).
    int failAtStep = 0;
    int crashAtStep = 0;
    bool failNextRead = false;
    int openFiles() const { return openFiles_; }

    struct StartedProcess {
        std::wstring applicationName, commandLine;
        int showWindow;
        std::wstring workingDirectory;
    };
    std::vector<StartedProcess> started;
    bool startProcessFails = false;

    // For the double's file class.
    bool TakeStep(const std::function<void()>& onCrash = {});
    std::string& Bytes(const std::wstring& key) { return files_.at(key); }
    void FileClosed() { --openFiles_; }

private:
    std::wstring Resolve(const std::wstring& path) const;
    const std::wstring* FindKey(const std::wstring& path) const;

    std::map<std::wstring, std::string> files_;    // by stored full path
    std::set<std::wstring> directories_, locked_;  // folded full paths
    std::wstring workingDirectory_ = L"C:\\work";
    int steps_ = 0;
    int openFiles_ = 0;
};

}  // namespace tolvane::testing
