// A scripted tour of Tolvane, taken as a user would take it: it starts the
// program in a fresh working folder of its own, clicks and types through the
// main actions, checks each one's effect (list items, message box, registry
// value, the started game's record, which windows are visible) and saves a
// picture of each step. Exit code 0 only when every step behaved as expected.
//
//   tolvane_tour.exe <picture folder>
//
// Pictures are BMP files named NN-name.bmp; "tour.txt" in the picture folder
// lists them, one "NN-name<TAB>what it shows" line each, in UTF-8.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "Driver.h"
#include "ui/ControlIds.h"

namespace {

using namespace tolvane::e2e;
namespace form1 = tolvane::ui::form1;
namespace form2 = tolvane::ui::form2;
namespace form3 = tolvane::ui::form3;

constexpr const wchar_t* kOfficialEntry = L"官方战网";
constexpr const wchar_t* kRegisteredText = L"注册成功！";
constexpr const wchar_t* kRegisteredTitle = L"成功";
constexpr const wchar_t* kCannotDeleteText = L"此项不能删除！";
constexpr const wchar_t* kCannotDeleteTitle = L"失败";

constexpr const wchar_t* kGameWindowCaption = L"Diablo II (stand-in)";  // a message box
constexpr const wchar_t* kGameRecord = L"standin-record.txt";
constexpr const wchar_t* kGameExe = L"Diablo II.exe";
constexpr const wchar_t* kWindowedSwitches = L" -w  -skiptobnet";

// The server the tour adds: a documentation-only address, never routed.
constexpr const wchar_t* kServerName = L"演示服务器";
constexpr const wchar_t* kServerAddress = L"192.0.2.10";

constexpr int kShotMargin = 12;

std::wstring Wide(const std::string& bytes, UINT codePage) {
    int size = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), size);
    return out;
}

// The screen area covering `windows` and a margin, as a 24-bit BMP. Taken once
// two captures 150 ms apart agree, so the windows are fully painted. Yields
// why no picture was saved, or nullptr when it was.
const char* SaveScreenshot(const std::vector<HWND>& windows, const std::wstring& path) {
    RECT area{};
    for (HWND window : windows) {
        RECT rect;
        ::GetWindowRect(window, &rect);
        ::UnionRect(&area, &area, &rect);
    }
    area.left = std::max<LONG>(0, area.left - kShotMargin);
    area.top = std::max<LONG>(0, area.top - kShotMargin);
    area.right = std::min<LONG>(::GetSystemMetrics(SM_CXSCREEN), area.right + kShotMargin);
    area.bottom = std::min<LONG>(::GetSystemMetrics(SM_CYSCREEN), area.bottom + kShotMargin);
    int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return "the windows cover no part of the screen";
    std::vector<COLORREF> pixels = ScreenPixels(area);
    bool steady = false;
    for (int attempt = 0; attempt < 20 && !steady; ++attempt) {
        ::Sleep(150);
        std::vector<COLORREF> again = ScreenPixels(area);
        steady = again == pixels;
        pixels = std::move(again);
    }
    if (!steady) return "the screen did not stay the same for 150 ms within 3 s";
    if (pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        return "the screen could not be read";

    std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = -height;  // top row first, as ScreenPixels gives them
    info.biPlanes = 1;
    info.biBitCount = 24;
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + stride * static_cast<std::size_t>(height));
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    for (int y = 0; y < height; ++y) {
        std::string row(stride, '\0');
        for (int x = 0; x < width; ++x) {
            COLORREF colour = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                     static_cast<std::size_t>(x)];
            row[static_cast<std::size_t>(x) * 3] = static_cast<char>(GetBValue(colour));
            row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<char>(GetGValue(colour));
            row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<char>(GetRValue(colour));
        }
        bytes += row;
    }
    return WriteWholeFile(path, bytes) ? nullptr : "the file could not be written";
}

class Tour {
public:
    explicit Tour(std::wstring shotFolder) : shots_(std::move(shotFolder)) {}

    ~Tour() { StopGame(); }

    int Run() {
        bool passed = Step("start", &Tour::Start) && Step("add a server", &Tour::AddServer) &&
                      Step("register it with auto start off", &Tour::Register) &&
                      Step("launch the game with auto start and window mode on", &Tour::LaunchGame) &&
                      Step("open the about window", &Tour::About) &&
                      Step("try to delete the official entry", &Tour::DeleteOfficial) &&
                      Step("exit", &Tour::Exit);
        if (!passed && program_) {
            std::vector<HWND> visible = program_->VisibleWindows();
            if (!visible.empty()) SaveScreenshot(visible, shots_ + L"\\failure.bmp");
        }
        WriteWholeFile(shots_ + L"\\tour.txt", manifest_);
        std::printf(passed ? "tour: every step behaved as expected\n" : "tour: FAILED\n");
        return passed ? 0 : 1;
    }

private:
    using StepFunction = bool (Tour::*)();

    bool Step(const char* name, StepFunction step) {
        std::printf("step: %s\n", name);
        bool ok = (this->*step)();
        std::printf("  %s\n", ok ? "ok" : "FAILED");
        std::fflush(stdout);
        return ok;
    }

    // Prints a failed check and yields its result, so steps read as lists of checks.
    static bool Check(bool condition, const char* what) {
        if (!condition) std::printf("  check failed: %s\n", what);
        return condition;
    }

    bool Shot(const wchar_t* name, const wchar_t* description, const std::vector<HWND>& windows) {
        wchar_t file[64];
        std::swprintf(file, 64, L"%02d-%ls", ++shotCount_, name);
        manifest_ += Utf8(std::wstring(file) + L"\t" + description + L"\n");
        const char* failure = SaveScreenshot(windows, shots_ + L"\\" + file + L".bmp");
        if (failure) std::printf("  the screenshot %s.bmp is not saved: %s\n", Utf8(file).c_str(), failure);
        return failure == nullptr;
    }

    HWND Control(int id) const { return ::GetDlgItem(main_, id); }
    bool OnlyVisible(HWND window) const {
        std::vector<HWND> visible = program_->VisibleWindows();
        return visible.size() == 1 && visible.front() == window;
    }
    std::optional<std::string> ListFile() const { return work_.Read(L"diablo.dat"); }

    bool SelectListItem(int index) {
        tolvane::e2e::ClickListItem(Control(form1::kList1), index);
        return WaitUntil([&] { return ListSelection(Control(form1::kList1)) == index; });
    }

    // Waits for the message box, checks its text and title, pictures it over
    // the main window and closes it with Enter.
    bool ExpectMessage(const wchar_t* text, const wchar_t* title, const wchar_t* shotName,
                       const wchar_t* description) {
        MessageBoxSeen box = program_->WaitForMessageBox();
        if (!Check(box.hwnd != nullptr, "a message box appears")) return false;
        bool ok = Check(box.text == text, "the message text") &&
                  Check(box.title == title, "the message title") &&
                  Shot(shotName, description, {main_, box.hwnd});
        BringToFront(box.hwnd);
        PressKey(VK_RETURN);
        return ok &&
               Check(WaitUntil([&] { return !::IsWindowVisible(box.hwnd); }), "Enter closes the message box");
    }

    bool Start() {
        // The game started from Tolvane inherits this and shows its window.
        ::SetEnvironmentVariableW(L"TOLVANE_STANDIN_SHOW", L"1");
        program_.emplace(work_.path());
        if (!Check(program_->started(), "Tolvane.exe starts")) return false;
        main_ = program_->WaitForWindow(kMainCaption);
        if (!Check(main_ != nullptr, "the main window appears")) return false;
        BringToFront(main_);
        HWND windowMode = Control(form1::kWindow);
        return Check(ListItems(Control(form1::kList1)) == std::vector<std::wstring>{kOfficialEntry},
                     "the list holds the official entry only") &&
               Check(ListFile() == std::string(), "an empty diablo.dat was created") &&
               Check(IsChecked(Control(form1::kAutoRun)), "auto start starts checked") &&
               Check(!IsChecked(windowMode) && ::IsWindowEnabled(windowMode),
                     "window mode starts unchecked and enabled") &&
               Shot(L"main-window",
                    L"The main window on first start: only the official entry 官方战网, marked with a dot: "
                    L"the game has no gateway override.",
                    {main_});
    }

    bool AddServer() {
        Click(Control(form1::kCommand1));
        HWND add = program_->WaitForWindow(kAddCaption);
        if (!Check(add != nullptr, "the add window opens") ||
            !Check(WaitUntil([&] { return OnlyVisible(add); }), "the main window is hidden meanwhile")) {
            return false;
        }
        HWND name = ::GetDlgItem(add, form2::kText1);
        HWND address = ::GetDlgItem(add, form2::kText2);
        Click(name);
        TypeText(kServerName);
        Click(address);
        TypeText(kServerAddress);
        if (!Check(
                WaitUntil([&] { return TextOf(name) == kServerName && TextOf(address) == kServerAddress; }),
                "the typed name and address are in the fields") ||
            !Shot(L"add-window", L"The add window 新增 with the new server's name and address typed in.",
                  {add})) {
            return false;
        }
        Click(::GetDlgItem(add, form2::kCommand4));
        return Check(WaitUntil([&] { return OnlyVisible(main_); }),
                     "OK closes it and shows the main window") &&
               Check(ListItems(Control(form1::kList1)) ==
                         std::vector<std::wstring>{kOfficialEntry, kServerName},
                     "the new name is the list's last item") &&
               Check(ListFile() == Record(kServerName, kServerAddress),
                     "diablo.dat holds exactly the new record") &&
               Shot(L"main-with-server",
                    L"Back in the main window: the new server 演示服务器 is in the list; the dot stays on "
                    L"官方战网.",
                    {main_});
    }

    bool Register() {
        HWND autoRun = Control(form1::kAutoRun);
        HWND windowMode = Control(form1::kWindow);
        if (!Check(SelectListItem(1), "the new server is selected")) return false;
        // Window mode only goes with auto start: unchecking that clears and greys it.
        Click(windowMode);
        if (!Check(WaitUntil([&] { return IsChecked(windowMode); }), "window mode is checked")) return false;
        Click(autoRun);
        if (!Check(WaitUntil([&] { return !IsChecked(autoRun); }), "auto start is unchecked") ||
            !Check(!IsChecked(windowMode) && !::IsWindowEnabled(windowMode),
                   "window mode is cleared and greyed")) {
            return false;
        }
        Click(Control(form1::kCommand2));
        return ExpectMessage(
                   kRegisteredText, kRegisteredTitle, L"registered",
                   L"Auto start off, launch pressed: the message 注册成功！ (registered), and the dot "
                   L"moved to 演示服务器.") &&
               Check(GameValue("BNETIP") == Ansi(kServerAddress) + '\0',
                     "BNETIP holds the address and one NUL");
    }

    bool LaunchGame() {
        HWND list = Control(form1::kList1);
        HWND autoRun = Control(form1::kAutoRun);
        HWND windowMode = Control(form1::kWindow);
        Click(autoRun);
        if (!Check(WaitUntil([&] { return IsChecked(autoRun) && ::IsWindowEnabled(windowMode); }) &&
                       !IsChecked(windowMode),
                   "auto start is checked and window mode enabled again, unchecked")) {
            return false;
        }
        Click(windowMode);
        if (!Check(WaitUntil([&] { return IsChecked(windowMode); }), "window mode is checked")) return false;
        std::string install = GameValue("InstallPath");
        if (!Check(install.size() > 1 && install.back() == '\0', "the demo game is registered")) return false;
        std::wstring folder = Wide(install.substr(0, install.find('\0')), CP_ACP);

        tolvane::e2e::ClickListItem(list, 1, 2);
        HWND game = nullptr;
        if (!Check(WaitUntil([&] { return (game = ::FindWindowW(L"#32770", kGameWindowCaption)) != nullptr; },
                             20000),
                   "the game's window appears")) {
            return false;
        }
        ::GetWindowThreadProcessId(game, &gameProcessId_);

        // One "command line<TAB>working folder" line, written before the window showed.
        std::string record;
        HANDLE file = ::CreateFileW((folder + kGameRecord).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            char buffer[2048];
            DWORD got = 0;
            if (::ReadFile(file, buffer, sizeof buffer, &got, nullptr)) record.assign(buffer, got);
            ::CloseHandle(file);
        }
        std::wstring line = Wide(record, CP_UTF8);
        std::size_t tab = line.find(L'\t');
        std::wstring commandLine = line.substr(0, tab);
        std::wstring workingFolder = tab == std::wstring::npos ? L"" : line.substr(tab + 1);
        while (!workingFolder.empty() && (workingFolder.back() == L'\n' || workingFolder.back() == L'\\'))
            workingFolder.pop_back();
        // The program path is quoted, so no shorter path with spaces can run instead.
        bool ok = Check(commandLine == L"\"" + folder + kGameExe + L"\"" + kWindowedSwitches,
                        "the game got its quoted path and \" -w  -skiptobnet\"") &&
                  Check(::lstrcmpiW(workingFolder.c_str(), folder.substr(0, folder.size() - 1).c_str()) == 0,
                        "the game started in its own folder") &&
                  Check(OnlyVisible(main_), "no message; the main window stays") &&
                  Check(GameValue("BNETIP") == Ansi(kServerAddress) + '\0', "BNETIP still holds the address");
        // The game is started minimized; restored here so the picture shows it.
        ::ShowWindow(game, SW_RESTORE);
        ok = ok && Check(WaitUntil([&] { return !::IsIconic(game); }), "the game's window is restored") &&
             Shot(L"game-started",
                  L"Double click with auto start and window mode on: the stand-in game shows the command "
                  L"line and "
                  L"working folder it was started with.",
                  {main_, game});
        StopGame();
        return ok;
    }

    bool About() {
        Click(Control(form1::kCommand5));
        HWND about = program_->WaitForWindow(kAboutCaption);
        bool ok =
            Check(about != nullptr, "the about window opens") &&
            Check(WaitUntil([&] { return OnlyVisible(about); }), "the main window is hidden meanwhile") &&
            Shot(L"about-window", L"The about window 关于软件.", {about});
        if (!ok) return false;
        Click(::GetDlgItem(about, form3::kCommand1));
        return Check(WaitUntil([&] { return OnlyVisible(main_); }), "OK brings the main window back");
    }

    bool DeleteOfficial() {
        std::optional<std::string> before = ListFile();
        if (!Check(SelectListItem(0), "the official entry is selected")) return false;
        Click(Control(form1::kCommand3));
        return ExpectMessage(kCannotDeleteText, kCannotDeleteTitle, L"cannot-delete",
                             L"Delete on the official entry: the message 此项不能删除！ (this item cannot be "
                             L"deleted).") &&
               Check(ListItems(Control(form1::kList1)) ==
                         std::vector<std::wstring>{kOfficialEntry, kServerName},
                     "the list is unchanged") &&
               Check(ListFile() == before, "diablo.dat is unchanged");
    }

    bool Exit() {
        Click(Control(form1::kCommand4));
        return Check(program_->WaitForExit() == 0u, "the exit button ends the program cleanly");
    }

    // Closes the game's window and waits for it; ends it by its id if it stays.
    void StopGame() {
        if (!gameProcessId_) return;
        HANDLE game = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, gameProcessId_);
        if (HWND window = ::FindWindowW(L"#32770", kGameWindowCaption))
            ::PostMessageW(window, WM_CLOSE, 0, 0);
        if (game) {
            if (::WaitForSingleObject(game, 5000) != WAIT_OBJECT_0) ::TerminateProcess(game, 1);
            ::CloseHandle(game);
        }
        gameProcessId_ = 0;
    }

    TempDirectory work_;
    std::wstring shots_;
    std::optional<TolvaneProcess> program_;  // ends the program, if still running, when the tour ends
    HWND main_ = nullptr;
    DWORD gameProcessId_ = 0;
    int shotCount_ = 0;
    std::string manifest_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tolvane_tour <picture folder>\n");
        return 2;
    }
    return Tour(argv[1]).Run();
}
