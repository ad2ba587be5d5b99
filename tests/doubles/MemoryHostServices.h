#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/HostServices.h"

namespace tolvane::testing {

// Thrown by MemoryHostServices to stop the code under test at a chosen step,
// as a power cut or a kill would. Not a std::exception on purpose: nothing in
// the product may catch it by accident (only catch (...) would).
struct SimulatedCrash {
    int step;
};

// An in-memory host: files in a map, a working directory, recorded process
// starts, and the ANSI code page 936 through iconv. Paths are resolved against
// the working directory and compared ignoring ASCII letter case, as on Windows.
class MemoryHostServices : public HostServices {
public:
    MemoryHostServices();

    // --- HostServices
    std::unique_ptr<HostFile> OpenHostFile(const std::wstring& path, FileMode mode) override;
    std::optional<std::wstring> FindFile(const std::wstring& path) override;
    bool RemoveFile(const std::wstring& path) override;
    std::string ToAnsi(const std::wstring& text) override;
    std::wstring FromAnsi(const std::string& bytes) override;
    std::optional<std::wstring> GetWorkingDirectory() override;
    bool SetWorkingDirectory(const std::wstring& path) override;
    bool StartProcess(const std::wstring& applicationName, const std::wstring& commandLine,
                      int showWindow) override;

    // --- Arranging and inspecting the host
    // Stores a file under exactly this name (the stored letter case).
    void PutFile(const std::wstring& path, const std::string& bytes);
    bool HasFile(const std::wstring& path) const;
    std::string FileBytes(const std::wstring& path) const;  // empty when missing
    std::wstring StoredName(const std::wstring& path) const;  // full stored path, empty when missing
    std::vector<std::wstring> FileNames() const;  // of the working directory, as stored, sorted
    void AddDirectory(const std::wstring& path);
    void LockFile(const std::wstring& path);  // opening it in any mode fails
    void UnlockFile(const std::wstring& path);

    // Every mutating step (opening for writing or appending, each write, each
    // flush, each removal) is numbered from 1. At step `failAtStep` the step
    // fails (returns failure); at step `crashAtStep` it throws SimulatedCrash,
    // a write first storing half of its bytes. 0 disables either.
    int failAtStep = 0;
    int crashAtStep = 0;
    int stepsTaken() const { return steps_; }
    bool failNextRead = false;  // the next Read reports an error

    // Log of mutating steps, e.g. "open-write diablo.new", "write diablo.new 17",
    // "flush diablo.dat", "close diablo.dat", "remove diablo.new" (file names as
    // passed in).
    std::vector<std::wstring> log;
    int openFiles() const { return openFiles_; }

    struct StartedProcess {
        std::wstring applicationName;
        std::wstring commandLine;
        int showWindow;
        std::wstring workingDirectory;
    };
    std::vector<StartedProcess> started;
    bool startProcessFails = false;
    std::vector<std::wstring> directoryChanges;  // every successful SetWorkingDirectory

    // Called by the double; public for its file class.
    enum class StepResult { Go, Fail };
    StepResult TakeStep(const std::wstring& what, const std::function<void()>& onCrash = {});
    std::string& Bytes(const std::wstring& key) { return files_.at(key); }
    void FileClosed() { --openFiles_; }

private:
    std::wstring Resolve(const std::wstring& path) const;
    const std::wstring* FindKey(const std::wstring& resolved) const;

    std::map<std::wstring, std::string> files_;  // key: stored full path
    std::set<std::wstring> directories_;         // folded full paths
    std::set<std::wstring> locked_;              // folded full paths
    std::wstring workingDirectory_ = L"C:\\work";
    int steps_ = 0;
    int openFiles_ = 0;
};

}  // namespace tolvane::testing
