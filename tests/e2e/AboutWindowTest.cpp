// The about window: layout and colours, the two links, the ways back home.
#include <algorithm>

#include "Driver.h"
#include "ui/ControlIds.h"

namespace tolvane::e2e {
namespace {

using namespace ui::form3;

class AboutWindowTest : public TolvaneTest {
protected:
    void OpenAboutWindow() {
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_NO_FATAL_FAILURE(OpenFromMain('A', kAboutCaption, about_));
    }
    HWND AboutControl(int id) const { return ::GetDlgItem(about_, id); }
    static bool Shows(HWND control, COLORREF colour) {
        RECT rect;
        ::GetWindowRect(control, &rect);
        auto pixels = ScreenPixels(rect);
        return std::find(pixels.begin(), pixels.end(), colour) != pixels.end();
    }

    HWND about_ = nullptr;
};

// The browser's record: the addresses it was asked to open, one per line.
std::wstring BrowserRecordPath() { return FromUnixPath(TOLVANE_BROWSER_RECORD); }

std::string ReadBrowserRecord() {
    HANDLE file = ::CreateFileW(BrowserRecordPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    char buffer[1024];
    DWORD got = 0;
    ::ReadFile(file, buffer, sizeof buffer, &got, nullptr);
    ::CloseHandle(file);
    return std::string(buffer, got);
}

// Caption, client size, the frame's dark-red caption, the texts and their
// navy links on the menu colour, the main window hidden.
TEST_F(AboutWindowTest, OpensWithItsLayoutInPlaceOfTheMainWindow) {
    ASSERT_NO_FATAL_FAILURE(OpenAboutWindow());
    EXPECT_EQ(program_->VisibleWindows(), std::vector<HWND>{about_});
    SIZE client = ClientSize(about_);
    EXPECT_EQ(client.cx, 179);
    EXPECT_EQ(client.cy, 103);
    struct {
        int id;
        RECT rect;
    } const controls[] = {
        {kFrame1, {8, 8, 169, 89}},   {kLabel1, {24, 32, 145, 49}},    {kLabel2, {24, 48, 137, 65}},
        {kLabel3, {24, 64, 121, 81}}, {kCommand1, {104, 64, 161, 81}},
    };
    for (const auto& control : controls) EXPECT_TRUE(IsPlacedAt(AboutControl(control.id), control.rect));
    EXPECT_EQ(TextOf(AboutControl(kFrame1)), L"Tolvane");
    EXPECT_EQ(TextOf(AboutControl(kCommand1)), L"确定(&O)");
    for (int id : {kLabel1, kLabel2, kLabel3}) EXPECT_FALSE(TextOf(AboutControl(id)).empty()) << id;
    EXPECT_EQ(TextOf(AboutControl(kLabel2)).rfind(L"http", 0), 0u);

    program_->Settle();
    EXPECT_TRUE(Shows(AboutControl(kFrame1), RGB(128, 0, 0)));
    EXPECT_TRUE(Shows(AboutControl(kLabel2), RGB(0, 0, 128)));
    EXPECT_TRUE(Shows(AboutControl(kLabel3), RGB(0, 0, 128)));
    EXPECT_TRUE(Shows(AboutControl(kLabel1), ::GetSysColor(COLOR_MENU)));
    EXPECT_FALSE(Shows(AboutControl(kLabel1), RGB(0, 0, 128)));
}

// Both links hand the home page, as shown, to the browser; the window stays.
TEST_F(AboutWindowTest, BothLinksOpenTheHomePage) {
    ASSERT_NO_FATAL_FAILURE(OpenAboutWindow());
    std::wstring homePage = TextOf(AboutControl(kLabel2));
    std::string expected;
    for (wchar_t c : homePage) expected += static_cast<char>(c);
    for (int id : {kLabel2, kLabel3}) {
        SCOPED_TRACE(id);
        ::DeleteFileW(BrowserRecordPath().c_str());
        Click(AboutControl(id));
        EXPECT_TRUE(WaitUntil([&] { return ReadBrowserRecord() == expected + "\n"; }, 15000))
            << "recorded: " << ReadBrowserRecord();
        EXPECT_TRUE(::IsWindowVisible(about_));
        EXPECT_FALSE(::IsWindowVisible(main_));
    }
}

// Enter (the OK button) and Esc both return to the main window.
TEST_F(AboutWindowTest, EnterAndEscReturnHome) {
    ASSERT_NO_FATAL_FAILURE(OpenAboutWindow());
    for (WORD key : {VK_RETURN, VK_ESCAPE}) {
        SCOPED_TRACE(key);
        BringToFront(about_);
        PressKey(key);
        ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(main_) && !::IsWindowVisible(about_); }));
        EXPECT_EQ(program_->VisibleWindows(), std::vector<HWND>{main_});
        ASSERT_NO_FATAL_FAILURE(OpenFromMain('A', kAboutCaption, about_));
    }
}

}  // namespace
}  // namespace tolvane::e2e
