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

// Puts the remembered working directory back on every way out of Launch: the
// list file is named relative to it.
class WorkingDirectoryRestorer {
public:
    WorkingDirectoryRestorer(HostServices& host, std::wstring directory)
        : host_(host), directory_(std::move(directory)) {}
    ~WorkingDirectoryRestorer() { host_.SetWorkingDirectory(directory_); }
    WorkingDirectoryRestorer(const WorkingDirectoryRestorer&) = delete;
    WorkingDirectoryRestorer& operator=(const WorkingDirectoryRestorer&) = delete;

private:
    HostServices& host_;
    std::wstring directory_;
};

}  // namespace

GameLauncher::InstallPath GameLauncher::ReadInstallPath() {
    RegistryKey key = RegistryKey::Open(registry_, kHkeyCurrentUser, GameKeyPath);
    if (!key.valid()) return {InstallPath::Status::NoGameKey, {}};

    // First learn the stored size (it counts the terminating NUL), then read
    // into a buffer of exactly that size. The type is not looked at; the bytes
    // must hold a NUL, or the text has no known end.
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
    std::string bytes(buffer.begin(), buffer.end());
    std::size_t end = bytes.find('\0');
    if (end == std::string::npos) return {InstallPath::Status::Unreadable, {}};
    return {InstallPath::Status::Found, host_.FromAnsi(bytes.substr(0, end))};
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

    // Without a remembered directory there is nothing to restore, so the
    // directory is not changed either.
    std::optional<std::wstring> remembered = host_.GetWorkingDirectory();
    if (!remembered) return LaunchOutcome::Failed;
    WorkingDirectoryRestorer restorer(host_, *remembered);

    // The game inherits the installation directory as its working directory.
    if (!host_.SetWorkingDirectory(directory)) return LaunchOutcome::Failed;
    std::wstring executable = ChooseExecutable(directory);
    // The directory is joined as stored, without adding a separator; the full
    // path is also the application name, so the system never guesses where
    // the program path ends.
    if (!host_.StartProcess(directory + executable, BuildCommandLine(directory, executable, windowMode),
                            kShowMinimized))
        return LaunchOutcome::Failed;
    return LaunchOutcome::Started;
}

}  // namespace tolvane
