// The program's entry point: the platform objects and the core, created once
// and shared by the three windows, then the message loop.
#include <windows.h>
// After windows.h, whose types it uses.
#include <commctrl.h>

#include "gateway/ActiveEntries.h"
#include "gateway/ConnectSequence.h"
#include "gateway/GameLauncher.h"
#include "gateway/GatewaySetting.h"
#include "platform/win32/Win32HostServices.h"
#include "platform/win32/Win32Module1.h"
#include "serverlist/ListActions.h"
#include "serverlist/ServerList.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Form3.h"

namespace {

// The program is often run from a downloads folder, where a planted DLL of a
// system name would otherwise be found first. Where the system offers it
// (Windows 8, and Windows 7 with its DLL search update) only the system
// directory is searched from here on; everywhere the current directory is
// taken out of the search.
void RestrictDllSearch() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault) setDefault(kSearchSystem32);
    ::SetDllDirectoryW(L"");
}

// Gives each window its dialog keys (Tab, Enter, Esc, Alt+letter) before the
// message is dispatched.
int RunMessageLoop(tolvane::ui::FormWindow* const* windows, std::size_t count) {
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        bool used = false;
        for (std::size_t i = 0; i < count && !used; ++i) used = windows[i]->PreTranslate(message);
        if (used) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    RestrictDllSearch();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);

    tolvane::Win32HostServices host;
    tolvane::Win32Module1 registry;
    tolvane::ServerList list(host);
    tolvane::GatewaySetting gateway(registry, host);
    tolvane::GameLauncher launcher(registry, host);
    tolvane::ConnectSequence connect(list, gateway, launcher, host);
    tolvane::ListActions actions(list, host);
    tolvane::ActiveEntries active(gateway);

    tolvane::ui::Form1 form1(instance, actions, connect, active);
    tolvane::ui::Form2 form2(instance, form1, actions);
    tolvane::ui::Form3 form3(instance, form1, host);
    form1.SetOtherWindows(form2, form3);
    if (!form1.Load()) return 1;
    form1.Show();

    tolvane::ui::FormWindow* const windows[] = {&form1, &form2, &form3};
    return RunMessageLoop(windows, sizeof windows / sizeof windows[0]);
}
