// The add window: layout, its messages in order, a successful add, and the ways back home.
#include "E2eTest.h"
#include "ui/ControlIds.h"

namespace tolvane::e2e {
namespace {

using namespace ui::form2;

class AddWindowTest : public TolvaneTest {
protected:
    HWND AddControl(int id) const { return ::GetDlgItem(add_, id); }
    void SetFields(const std::wstring& name, const std::wstring& address) {
        ::SendMessageW(AddControl(kText1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
        ::SendMessageW(AddControl(kText2), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(address.c_str()));
    }
    std::wstring Fields() const { return TextOf(AddControl(kText1)) + L"|" + TextOf(AddControl(kText2)); }
    // Enter brings an error box with `text`; the window stays with its fields.
    void ExpectRefusal(const std::wstring& text) {
        std::wstring fields = Fields();
        ASSERT_TRUE(BringToFront(add_));
        PressKey(VK_RETURN);
        ASSERT_NO_FATAL_FAILURE(Answer(L"错误", text, add_));
        EXPECT_EQ(Fields(), fields);
    }

    HWND add_ = nullptr;
};

// The window opens in place of the main window with its layout and the caret in the name field.
// Empty name, empty address, text the list file cannot store and a clash are refused in that order.
// A new server is appended to the file and to the end of the list as shown, without reading the
// file again; the window opens again empty.
TEST_F(AddWindowTest, AddFlow) {
    std::string file = Record(L"abc", L"1.2.3.4");
    Write(L"diablo.dat", file);
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NE(add_ = OpenFromMain('N', kAddCaption), nullptr);
    ExpectLayout(add_, {249, 148},
                 {{kAg, {8, 8, 241, 137}, L""},
                  {kLabel1Name, {24, 34, 89, 48}, L"服务器名称"},
                  {kText1, {96, 32, 225, 50}, L""},
                  {kLabel1Address, {24, 65, 89, 82}, L"ＩＰ　地址"},
                  {kText2, {96, 64, 225, 82}, L""},
                  {kCommand4, {24, 104, 113, 121}, L"确定(&O)"},
                  {kCommand1, {136, 104, 225, 121}, L"取消(&C)"}});
    EXPECT_EQ(FocusOf(add_), AddControl(kText1));
    PressKey(VK_TAB);
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(add_) == AddControl(kText2); }));
    PressKey(VK_TAB, VK_SHIFT);
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(add_) == AddControl(kText1); }));

    ASSERT_NO_FATAL_FAILURE(ExpectRefusal(L"请输入服务器名称"));
    TypeText(L"新服");
    ASSERT_TRUE(WaitUntil([&] { return Fields() == L"新服|"; }));
    ASSERT_NO_FATAL_FAILURE(ExpectRefusal(L"请输入服务器IP地址"));
    SetFields(L"a\"b", L"1.2.3.4\"");
    ASSERT_NO_FATAL_FAILURE(
        ExpectRefusal(L"服务器名称不能含有双引号、换行符或本系统编码无法表示的字符，请修改后再试。"));
    SetFields(L"ab", L"1.2\r\n");
    ASSERT_NO_FATAL_FAILURE(
        ExpectRefusal(L"服务器IP地址不能含有双引号、换行符或本系统编码无法表示的字符，请修改后再试。"));
    SetFields(L"新服", L"1.2.3.4");
    ASSERT_NO_FATAL_FAILURE(ExpectRefusal(L"有相同的服务器名或是IP已经存在"));
    EXPECT_EQ(directory_.Read(L"diablo.dat"), file);

    std::string behind = Record(L"behind", L"9.9.9.9");  // written behind its back: a reload would show it
    Write(L"diablo.dat", file + behind);
    SetFields(L"电信 二区", L"5.6.7.8");
    PressKey('O', VK_MENU);
    ASSERT_TRUE(program_->WaitForOnlyVisible(main_));
    EXPECT_EQ(directory_.Read(L"diablo.dat"), file + behind + Record(L"电信 二区", L"5.6.7.8"));
    EXPECT_EQ(ListItems(MainControl(ui::form1::kList1)),
              (std::vector<std::wstring>{L"官方战网", L"abc", L"电信 二区"}));
    ASSERT_NE(add_ = OpenFromMain('N', kAddCaption), nullptr);
    EXPECT_EQ(Fields(), L"|");
}

// Esc (the cancel button) and the close box each go back home, write nothing, and leave the fields
// empty, the caret in the name, when the window opens again. The program then ends cleanly, the add
// window still there.
TEST_F(AddWindowTest, CancelAndCloseReturnHome) {
    ASSERT_NO_FATAL_FAILURE(Start());
    for (auto [key, modifier] : {std::pair<WORD, WORD>{VK_ESCAPE, 0}, {VK_F4, VK_MENU}, {VK_ESCAPE, 0}}) {
        ASSERT_NE(add_ = OpenFromMain('N', kAddCaption), nullptr);
        EXPECT_EQ(Fields(), L"|");
        EXPECT_EQ(FocusOf(add_), AddControl(kText1));
        SetFields(L"abc", L"1.2.3.4");
        ASSERT_TRUE(BringToFront(add_));
        PressKey(key, modifier);
        ASSERT_TRUE(program_->WaitForOnlyVisible(main_)) << key << "/" << modifier;
    }
    EXPECT_EQ(directory_.Read(L"diablo.dat"), std::string());
    ASSERT_TRUE(BringToFront(main_));
    PressKey(VK_ESCAPE);
    ExpectExitCleanly();
}

}  // namespace
}  // namespace tolvane::e2e
