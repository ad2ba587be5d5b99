#pragma once

#include <optional>
#include <string>

namespace tolvane {

class HostServices;
class Module1;

enum class LaunchOutcome { Started, NoGameKey, Failed };

inline constexpr const char* kInstallPathValueName = "InstallPath";
inline constexpr const wchar_t* kLoaderFileName = L"d2load.exe";
inline constexpr const wchar_t* kLoaderCompareName = L"D2load.exe";
inline constexpr const wchar_t* kGameFileName = L"Diablo II.exe";
inline constexpr const wchar_t* kNormalSwitches = L"  -skiptobnet";
inline constexpr const wchar_t* kWindowedSwitches = L" -w  -skiptobnet";

// Starts the game from its installation directory straight into the online
// service, preferring the loader when the directory holds one.
class GameLauncher {
public:
    GameLauncher(Module1& registry, HostServices& host) : registry_(registry), host_(host) {}

    LaunchOutcome Launch(bool windowMode);

    // The steps of Launch, public for tests.
    struct InstallPath {
        enum class Status { Found, NoGameKey, Unreadable } status;
        std::wstring directory;  // as stored, when Found
    };
    InstallPath ReadInstallPath();
    std::wstring ChooseExecutable(const std::wstring& directory);
    // The program path in double quotes, then the switches.
    static std::wstring BuildCommandLine(const std::wstring& directory, const std::wstring& executable,
                                         bool windowMode);

private:
    Module1& registry_;
    HostServices& host_;
};

}  // namespace tolvane
