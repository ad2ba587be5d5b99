#include "gateway/GameLauncher.h"

#include <vector>

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

    // First learn the stored size (it counts the terminating NUL), then read
    // into a buffer of exactly that size. The type is not looked at.
    std::uint32_t size = 0;
    if (registry_.RegQueryValueExA(key.get(), kInstallPathValueName, nullptr, nullptr, nullptr, &size) !=
            kErrorSuccess ||
        size == 0)
        return {InstallPath::Status::Unreadable, {}};
    std::vector<std::uint8_t> buffer(size, 0);
    std::uint32_t got = size;
    if (registry_.RegQueryValueExA(key.get(), kInstallPathValueName, nullptr, nullptr, buffer.data(), &got) !=
        kErrorSuccess)
        return {InstallPath::Status::Unreadable, {}};
    // The value may have shrunk between the two calls; only what was read counts.
    buffer.resize(got < size ? got : size);
    // The text ends at the first NUL, or where the data ends: a value stored
    // without its NUL (a hand-made .reg file, another tool) is still whole.
    std::string bytes(buffer.begin(), buffer.end());
    return {InstallPath::Status::Found, host_.FromAnsi(bytes.substr(0, bytes.find('\0')))};
}

std::wstring GameLauncher::ChooseExecutable(const std::wstring& directory) {
    // The lookup yields the loader's name as stored, so a loader stored as
    // "D2LOAD.EXE" is started under that name.
    std::optional<std::wstring> found = host_.FindFile(directory + kLoaderFileName);
    if (found && AsciiLower(*found) == AsciiLower(kLoaderCompareName)) return *found;
    return kGameFileName;
}

std::wstring GameLauncher::BuildCommandLine(const std::wstring& directory, const std::wstring& executable,
                                            bool windowMode) {
    // Quoted: an unquoted path with spaces lets process creation try the
    // shorter prefixes first ("C:\Program.exe", "...\Diablo.exe"), so a file
    // planted there would run instead of the game.
    return L"\"" + directory + executable + L"\"" + (windowMode ? kWindowedSwitches : kNormalSwitches);
}

LaunchOutcome GameLauncher::Launch(bool windowMode) {
    InstallPath installPath = ReadInstallPath();
    if (installPath.status == InstallPath::Status::NoGameKey) return LaunchOutcome::NoGameKey;
    if (installPath.status != InstallPath::Status::Found) return LaunchOutcome::Failed;
    const std::wstring& directory = installPath.directory;
    // An empty text names no folder; the program path would name a file in
    // our own.
    if (directory.empty()) return LaunchOutcome::Failed;

    std::wstring executable = ChooseExecutable(directory);
    // The directory is joined as stored, without adding a separator; the full
    // path is also the application name, so the system never guesses where
    // the program path ends. The game is given the installation directory as
    // its working directory when it is created; ours never changes, so the
    // list file is always found where it was.
    if (!host_.StartProcess(directory + executable, BuildCommandLine(directory, executable, windowMode),
                            directory, kShowMinimized))
        return LaunchOutcome::Failed;
    return LaunchOutcome::Started;
}

}  // namespace tolvane
