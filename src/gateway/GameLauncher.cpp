#include "gateway/GameLauncher.h"

#include "gateway/GatewaySetting.h"
#include "gateway/RegistryKey.h"
#include "platform/HostServices.h"

namespace tolvane {
namespace {

std::wstring AsciiLower(std::wstring text) {
    for (auto& c : text) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

}  // namespace

GameLauncher::InstallPath GameLauncher::ReadInstallPath() {
    RegistryKey key = RegistryKey::Open(registry_, kHkeyCurrentUser, GameKeyPath);
    if (!key.valid()) return {InstallPath::Status::NoGameKey, {}};
    std::optional<std::string> text = key.QueryText(kInstallPathValueName);
    if (!text) return {InstallPath::Status::Unreadable, {}};
    return {InstallPath::Status::Found, host_.FromAnsi(*text)};
}

std::wstring GameLauncher::ChooseExecutable(const std::wstring& directory) {
    // The lookup yields the loader's name as stored, so a loader stored as
    // "D2LOAD.EXE" is started under that name.
    std::optional<std::wstring> found = host_.FindFile(PathIn(directory, kLoaderFileName));
    if (found && AsciiLower(*found) == AsciiLower(kLoaderCompareName)) return *found;
    return kGameFileName;
}

// Installers, hand-made .reg files and other tools write "InstallPath" with or
// without its final backslash; joined as stored, "C:\Games\Diablo II" would
// name "C:\Games\Diablo IId2load.exe".
std::wstring GameLauncher::PathIn(const std::wstring& directory, const std::wstring& file) {
    std::size_t end = directory.find_last_not_of(L"\\/");
    return directory.substr(0, end == std::wstring::npos ? 0 : end + 1) + L"\\" + file;
}

std::wstring GameLauncher::BuildCommandLine(const std::wstring& directory, const std::wstring& executable,
                                            bool windowMode) {
    // Quoted: an unquoted path with spaces lets process creation try the
    // shorter prefixes first ("C:\Program.exe", "...\Diablo.exe"), so a file
    // planted there would run instead of the game.
    return L"\"" + PathIn(directory, executable) + L"\"" + (windowMode ? kWindowedSwitches : kNormalSwitches);
}

LaunchResult GameLauncher::Launch(bool windowMode) {
    InstallPath installPath = ReadInstallPath();
    if (installPath.status == InstallPath::Status::NoGameKey) return {LaunchOutcome::NoGameKey};
    // An empty text names no folder; joined, it would name a file at the root
    // of our own drive.
    if (installPath.status != InstallPath::Status::Found || installPath.directory.empty())
        return {LaunchOutcome::NoInstallPath};
    LaunchResult result{LaunchOutcome::NoFolder, installPath.directory};
    if (!host_.IsDirectory(result.folder)) return result;
    // The game's own program is looked for too, so that a folder without it is
    // told apart from a start the system refused.
    std::wstring executable = ChooseExecutable(result.folder);
    result.program = PathIn(result.folder, executable);
    if (!host_.FindFile(result.program)) {
        result.outcome = LaunchOutcome::NoProgram;
        return result;
    }
    // The full path is also the application name, so the system never guesses
    // where the program path ends. The game is given the installation
    // directory as its working directory when it is created; ours never
    // changes, so the list file is always found where it was.
    ProcessStart start =
        host_.StartProcess(result.program, BuildCommandLine(result.folder, executable, windowMode),
                           PathIn(result.folder, L""), kShowMinimized);
    result.outcome = start.started ? LaunchOutcome::Started : LaunchOutcome::Refused;
    result.error = start.error;
    return result;
}

}  // namespace tolvane
