// The about window: layout and colours, the two links, the ways back home.
#include <algorithm>

#include "E2eTest.h"
#include "ui/ControlIds.h"

namespace tolvane::e2e {
namespace {

using namespace ui::form3;
using AboutWindowTest = TolvaneTest;

bool Shows(HWND control, COLORREF colour) {
    RECT rect;
    ::GetWindowRect(control, &rect);
    auto pixels = ScreenPixels(rect);
    return std::find(pixels.begin(), pixels.end(), colour) != pixels.end();
}

// The addresses the browser was asked to open, one a line.
std::string BrowserRecord() { return ReadWholeFile(FromUnixPath(TOLVANE_BROWSER_RECORD)).value_or(""); }

// The window opens in place of the main window: its layout, the frame's dark-red caption, navy links
// on the menu colour. Both links hand the home page, as shown, to the browser and the window stays.
// Enter (OK), Esc and the close box each go back home.
TEST_F(AboutWindowTest, LinksAndWaysHome) {
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND about = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenFromMain('A', kAboutCaption, about));
    ExpectLayout(about, {179, 103},
                 {{kFrame1, {8, 8, 169, 89}, L"Tolvane"},
                  {kLabel1, {24, 32, 145, 49}, nullptr},
                  {kLabel2, {24, 48, 137, 65}, nullptr},
                  {kLabel3, {24, 64, 121, 81}, nullptr},
                  {kCommand1, {104, 64, 161, 81}, L"确定(&O)"}});
    for (int id : {kLabel1, kLabel3}) EXPECT_FALSE(TextOf(::GetDlgItem(about, id)).empty()) << id;
    std::wstring homePage = TextOf(::GetDlgItem(about, kLabel2));
    EXPECT_EQ(homePage.rfind(L"http", 0), 0u);
    HWND credit = ::GetDlgItem(about, kLabel1);
    EXPECT_TRUE(WaitUntil([&] {
        return Shows(::GetDlgItem(about, kFrame1), RGB(128, 0, 0)) &&
               Shows(::GetDlgItem(about, kLabel2), RGB(0, 0, 128)) &&
               Shows(::GetDlgItem(about, kLabel3), RGB(0, 0, 128)) &&
               Shows(credit, ::GetSysColor(COLOR_MENU));
    }));
    EXPECT_FALSE(Shows(credit, RGB(0, 0, 128)));

    for (int id : {kLabel2, kLabel3}) {
        SCOPED_TRACE(id);
        ::DeleteFileW(FromUnixPath(TOLVANE_BROWSER_RECORD).c_str());
        Click(::GetDlgItem(about, id));
        EXPECT_TRUE(WaitUntil([&] { return BrowserRecord() == Ansi(homePage) + "\n"; }))
            << "recorded: " << BrowserRecord();
        EXPECT_TRUE(program_->WaitForOnlyVisible(about));
    }

    for (auto [key, modifier] : {std::pair<WORD, WORD>{VK_RETURN, 0}, {VK_ESCAPE, 0}, {VK_F4, VK_MENU}}) {
        SCOPED_TRACE(key);
        BringToFront(about);
        PressKey(key, modifier);
        ASSERT_TRUE(program_->WaitForOnlyVisible(main_));
        ASSERT_NO_FATAL_FAILURE(OpenFromMain('A', kAboutCaption, about));
    }
}

}  // namespace
}  // namespace tolvane::e2e
