// The add window: layout, its messages in order, the refusal of text the
// list file cannot store, a successful add, and the ways back home.
#include "Driver.h"
#include "ui/ControlIds.h"

namespace tolvane::e2e {
namespace {

using namespace ui::form2;

class AddWindowTest : public TolvaneTest {
protected:
    // Starts the program and opens the add window with Alt+N.
    void OpenAddWindow() {
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_NO_FATAL_FAILURE(OpenFromMain('N', kAddCaption, add_));
    }
    HWND AddControl(int id) const { return ::GetDlgItem(add_, id); }
    void SetFields(const std::wstring& name, const std::wstring& address) {
        ::SendMessageW(AddControl(kText1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
        ::SendMessageW(AddControl(kText2), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(address.c_str()));
    }
    // Presses Enter and expects an error box with `text`; the window stays.
    void ExpectRefusal(const std::wstring& text) {
        program_->Settle();
        BringToFront(add_);
        PressKey(VK_RETURN);
        MessageBoxSeen box = program_->WaitForMessageBox();
        ASSERT_NE(box.hwnd, nullptr) << "no message for: " << testing::PrintToString(text);
        EXPECT_EQ(box.title, L"错误");
        EXPECT_EQ(box.text, text);
        ASSERT_NO_FATAL_FAILURE(Answer(box, VK_RETURN));
        EXPECT_TRUE(::IsWindowVisible(add_));
    }
    // Back home with the add window hidden, and nothing else visible.
    void ExpectHome() {
        ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(main_) && !::IsWindowVisible(add_); }));
        EXPECT_EQ(program_->VisibleWindows(), std::vector<HWND>{main_});
    }

    HWND add_ = nullptr;
};

// Caption, client size, the frame and its controls (positions relative to
// the frame at 8, 8), empty fields, the caret in the name field, the main
// window hidden.
TEST_F(AddWindowTest, OpensWithItsLayoutInPlaceOfTheMainWindow) {
    ASSERT_NO_FATAL_FAILURE(OpenAddWindow());
    EXPECT_EQ(program_->VisibleWindows(), std::vector<HWND>{add_});
    SIZE client = ClientSize(add_);
    EXPECT_EQ(client.cx, 249);
    EXPECT_EQ(client.cy, 148);
    struct {
        int id;
        RECT rect;
        const wchar_t* text;
    } const controls[] = {
        {kAg, {8, 8, 241, 137}, L""},
        {kLabel1Name, {24, 34, 89, 48}, L"服务器名称"},
        {kText1, {96, 32, 225, 50}, L""},
        {kLabel1Address, {24, 65, 89, 82}, L"ＩＰ　地址"},
        {kText2, {96, 64, 225, 82}, L""},
        {kCommand4, {24, 104, 113, 121}, L"确定(&O)"},
        {kCommand1, {136, 104, 225, 121}, L"取消(&C)"},
    };
    for (const auto& control : controls) {
        SCOPED_TRACE(control.id);
        EXPECT_TRUE(IsPlacedAt(AddControl(control.id), control.rect));
        EXPECT_EQ(TextOf(AddControl(control.id)), control.text);
    }
    EXPECT_EQ(FocusOf(add_), AddControl(kText1));
    PressKey(VK_TAB);
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(add_) == AddControl(kText2); }));
}

// Name first, then address, then the clash; each leaves the fields and the
// file as they were.
TEST_F(AddWindowTest, MessagesComeInOrderAndKeepTheFields) {
    std::string file = Record(L"abc", L"1.2.3.4");
    directory_.Write(L"diablo.dat", file);
    ASSERT_NO_FATAL_FAILURE(OpenAddWindow());
    ASSERT_NO_FATAL_FAILURE(ExpectRefusal(L"请输入服务器名称"));

    TypeText(L"新服");
    ASSERT_TRUE(WaitUntil([&] { return TextOf(AddControl(kText1)) == L"新服"; }));
    ASSERT_NO_FATAL_FAILURE(ExpectRefusal(L"请输入服务器IP地址"));
    EXPECT_EQ(TextOf(AddControl(kText1)), L"新服");

    SetFields(L"新服", L"1.2.3.4");
    ASSERT_NO_FATAL_FAILURE(ExpectRefusal(L"有相同的服务器名或是IP已经存在"));
    EXPECT_EQ(TextOf(AddControl(kText1)), L"新服");
    EXPECT_EQ(TextOf(AddControl(kText2)), L"1.2.3.4");
    EXPECT_EQ(directory_.Read(L"diablo.dat"), file);
}

// A quote or a line break would break the record, and a character outside
// the ANSI code page would be stored as another: refused, nothing written.
TEST_F(AddWindowTest, RefusesTextTheListFileCannotStore) {
    const std::wstring nameRefusal =
        L"服务器名称不能含有双引号、换行符或本系统编码无法表示的字符，请修改后再试。";
    const std::wstring addressRefusal =
        L"服务器IP地址不能含有双引号、换行符或本系统编码无法表示的字符，请修改后再试。";
    ASSERT_NO_FATAL_FAILURE(OpenAddWindow());
    struct {
        const wchar_t* name;
        const wchar_t* address;
        const std::wstring& message;
    } const cases[] = {
        {L"a\"b", L"1.2.3.4", nameRefusal}, {L"a\r\nb", L"1.2.3.4", nameRefusal},
        {L"한국", L"1.2.3.4", nameRefusal}, {L"ab", L"1.2.3.4\"", addressRefusal},
        {L"ab", L"1.2\n", addressRefusal},  {L"ab", L"ü.€.😀", addressRefusal},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name) + L" / " + c.address));
        SetFields(c.name, c.address);
        ASSERT_NO_FATAL_FAILURE(ExpectRefusal(c.message));
        EXPECT_EQ(TextOf(AddControl(kText1)), c.name);
        EXPECT_EQ(TextOf(AddControl(kText2)), c.address);
    }
    EXPECT_EQ(directory_.Read(L"diablo.dat"), std::string());
}

// A new server is appended to the file and to the end of the list as shown
// (the file is not read again), and the main window comes back.
TEST_F(AddWindowTest, SuccessfulAddAppendsAndReturnsHome) {
    std::string file = Record(L"abc", L"1.2.3.4");
    directory_.Write(L"diablo.dat", file);
    ASSERT_NO_FATAL_FAILURE(OpenAddWindow());
    // Written behind the program's back: a reload would show it.
    std::string behind = Record(L"behind", L"9.9.9.9");
    directory_.Write(L"diablo.dat", file + behind);

    TypeText(L"电信 二区");
    PressKey(VK_TAB);
    TypeText(L"5.6.7.8");
    ASSERT_TRUE(WaitUntil([&] { return TextOf(AddControl(kText2)) == L"5.6.7.8"; }));
    PressAltKey('O');
    ASSERT_NO_FATAL_FAILURE(ExpectHome());
    EXPECT_EQ(directory_.Read(L"diablo.dat"), file + behind + Record(L"电信 二区", L"5.6.7.8"));
    EXPECT_EQ(ListItems(::GetDlgItem(main_, ui::form1::kList1)),
              (std::vector<std::wstring>{L"官方战网", L"abc", L"电信 二区"}));

    ASSERT_NO_FATAL_FAILURE(OpenFromMain('N', kAddCaption, add_));
    EXPECT_EQ(TextOf(AddControl(kText1)), L"");
    EXPECT_EQ(TextOf(AddControl(kText2)), L"");
}

// Esc cancels: home again, nothing written, the fields empty next time.
TEST_F(AddWindowTest, EscCancelsAndEmptiesTheFields) {
    ASSERT_NO_FATAL_FAILURE(OpenAddWindow());
    SetFields(L"abc", L"1.2.3.4");
    BringToFront(add_);
    PressKey(VK_ESCAPE);
    ASSERT_NO_FATAL_FAILURE(ExpectHome());
    EXPECT_EQ(directory_.Read(L"diablo.dat"), std::string());
    ASSERT_NO_FATAL_FAILURE(OpenFromMain('N', kAddCaption, add_));
    EXPECT_EQ(TextOf(AddControl(kText1)), L"");
    EXPECT_EQ(TextOf(AddControl(kText2)), L"");
    EXPECT_EQ(FocusOf(add_), AddControl(kText1));
}

// The close box discards the window: home again, the fields empty next time.
TEST_F(AddWindowTest, CloseBoxReturnsHomeAndTheFieldsAreEmptyNextTime) {
    ASSERT_NO_FATAL_FAILURE(OpenAddWindow());
    SetFields(L"abc", L"1.2.3.4");
    BringToFront(add_);
    PressAltKey(VK_F4);
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(main_); }));
    EXPECT_EQ(program_->VisibleWindows(), std::vector<HWND>{main_});
    ASSERT_NO_FATAL_FAILURE(OpenFromMain('N', kAddCaption, add_));
    EXPECT_EQ(TextOf(AddControl(kText1)), L"");
    EXPECT_EQ(TextOf(AddControl(kText2)), L"");
    EXPECT_EQ(directory_.Read(L"diablo.dat"), std::string());
}

}  // namespace
}  // namespace tolvane::e2e
