// The about window: layout and colours, the two links, the ways back home.
#include "E2eTest.h"
#include "ui/ControlIds.h"

namespace tolvane::e2e {
namespace {

using namespace ui::form3;
using AboutWindowTest = TolvaneTest;

// The window opens in place of the main window: its layout, the frame's dark-red caption, navy links
// on the menu colour. Both links hand the home page, as shown, to the browser and the window stays.
// Enter (OK), Esc and the close box each go back home.
TEST_F(AboutWindowTest, LinksAndWaysHome) {
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND about = OpenFromMain('A', kAboutCaption);
    ASSERT_NE(about, nullptr);
    ExpectLayout(about, {179, 103},
                 {{kFrame1, {8, 8, 169, 89}, L"Tolvane"},
                  {kLabel1, {24, 32, 145, 49}, nullptr},
                  {kLabel2, {24, 48, 137, 65}, nullptr},
                  {kLabel3, {24, 64, 121, 81}, nullptr},
                  {kCommand1, {104, 64, 161, 81}, L"确定(&O)"}});
    std::wstring homePage = TextOf(::GetDlgItem(about, kLabel2));
    EXPECT_EQ(homePage.rfind(L"http", 0), 0u);
    auto shows = [&](int id, COLORREF colour) {
        RECT rect;
        ::GetWindowRect(::GetDlgItem(about, id), &rect);
        auto pixels = ScreenPixels(rect);
        return std::find(pixels.begin(), pixels.end(), colour) != pixels.end();
    };
    EXPECT_TRUE(WaitUntil([&] {
        return shows(kFrame1, RGB(128, 0, 0)) && shows(kLabel2, RGB(0, 0, 128)) &&
               shows(kLabel3, RGB(0, 0, 128)) && shows(kLabel1, ::GetSysColor(COLOR_MENU)) &&
               !TextOf(::GetDlgItem(about, kLabel1)).empty();
    }));
    EXPECT_FALSE(shows(kLabel1, RGB(0, 0, 128)));

    std::wstring record = FromUnixPath(TOLVANE_BROWSER_RECORD);  // the URLs the browser was asked to open
    for (int id : {kLabel2, kLabel3}) {
        ::DeleteFileW(record.c_str());
        Click(::GetDlgItem(about, id));
        EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(record) == Ansi(homePage) + "\n"; }))
            << "label " << id;
        EXPECT_TRUE(program_->WaitForOnlyVisible(about));
    }
    for (auto [key, modifier] : {std::pair<WORD, WORD>{VK_RETURN, 0}, {VK_ESCAPE, 0}, {VK_F4, VK_MENU}}) {
        ASSERT_TRUE(BringToFront(about));
        PressKey(key, modifier);
        ASSERT_TRUE(program_->WaitForOnlyVisible(main_)) << key;
        ASSERT_NE(about = OpenFromMain('A', kAboutCaption), nullptr);
    }
}

}  // namespace
}  // namespace tolvane::e2e
