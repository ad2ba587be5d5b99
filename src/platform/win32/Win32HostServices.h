#pragma once

#include "platform/HostServices.h"

namespace tolvane {

// HostServices on the real Win32 API.
class Win32HostServices : public HostServices {
public:
    std::unique_ptr<HostFile> OpenHostFile(const std::wstring& path, FileMode mode) override;
    std::optional<std::wstring> FindFile(const std::wstring& path) override;
    bool IsDirectory(const std::wstring& path) override;
    bool RemoveFile(const std::wstring& path) override;
    unsigned CodePage() override;
    std::string ToAnsi(const std::wstring& text) override;
    std::wstring FromAnsi(const std::string& bytes) override;
    std::optional<std::wstring> GetWorkingDirectory() override;
    ProcessStart StartProcess(const std::wstring& applicationName, const std::wstring& commandLine,
                              const std::wstring& workingDirectory, int showWindow) override;
};

}  // namespace tolvane
