#pragma once

#include <cstdint>
#include <string>

namespace tolvane {

class HostServices;
class Module1;

// How a launch ended. Every outcome but Started leaves the game not started.
enum class LaunchOutcome {
    Started,
    NoGameKey,      // the game's key cannot be opened; nothing was tried
    NoInstallPath,  // the key names no folder: "InstallPath" absent, unreadable or empty
    NoFolder,       // "InstallPath" names no folder
    NoProgram,      // the folder holds neither the loader nor the game
    Refused,        // the system did not start the program; `error` says why
};

struct LaunchResult {
    LaunchOutcome outcome = LaunchOutcome::NoGameKey;
    std::wstring folder{};    // "InstallPath" as stored, once read
    std::wstring program{};   // the program's full path, once chosen
    std::uint32_t error = 0;  // with Refused: the system's error code
};

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

    LaunchResult Launch(bool windowMode);

    // The steps of Launch, public for tests.
    struct InstallPath {
        enum class Status { Found, NoGameKey, Unreadable } status;
        std::wstring directory;  // as stored, when Found
    };
    InstallPath ReadInstallPath();
    std::wstring ChooseExecutable(const std::wstring& directory);
    // The directory and a file in it, with exactly one backslash between them
    // whether or not the directory text ends with one.
    static std::wstring PathIn(const std::wstring& directory, const std::wstring& file);
    // The program path in double quotes, then the switches.
    static std::wstring BuildCommandLine(const std::wstring& directory, const std::wstring& executable,
                                         bool windowMode);

private:
    Module1& registry_;
    HostServices& host_;
};

}  // namespace tolvane
