#pragma once

#include <optional>
#include <string>

namespace tolvane {

class HostServices;
class Module1;

enum class LaunchOutcome { Started, NoGameKey, Failed };

inline constexpr const char* kInstallPathValueName = "InstallPath";

// Starts the game from its installation directory straight into the online
// service, preferring the loader when the directory holds one.
class GameLauncher {
public:
    GameLauncher(Module1& registry, HostServices& host) : registry_(registry), host_(host) {}

    LaunchOutcome Launch(bool windowMode);

    // The steps of Launch, public for tests.
    struct InstallPath {
        LaunchOutcome outcome;       // Started when `directory` holds the path
        std::wstring directory;
    };
    InstallPath ReadInstallPath();
    std::wstring ChooseExecutable(const std::wstring& directory);
    static std::wstring BuildCommandLine(const std::wstring& directory, const std::wstring& executable,
                                         bool windowMode);

private:
    Module1& registry_;
    HostServices& host_;
};

}  // namespace tolvane
