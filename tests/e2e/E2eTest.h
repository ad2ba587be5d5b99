#pragma once

// The end-to-end tests' fixture: one program started in a fresh working
// directory, and the checks the tests share.
#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <memory>

#include "Driver.h"

namespace tolvane::e2e {

class TolvaneTest : public ::testing::Test {
protected:
    // Starts the program and waits for its main window, in front.
    void Start() {
        program_ = std::make_unique<TolvaneProcess>(directory_.path());
        ASSERT_TRUE(program_->started()) << "cannot start " << TOLVANE_EXE;
        main_ = program_->WaitForWindow(kMainCaption);
        ASSERT_NE(main_, nullptr) << "no main window";
        ASSERT_TRUE(BringToFront(main_));
    }
    HWND MainControl(int id) const { return ::GetDlgItem(main_, id); }
    void Write(const std::wstring& name, const std::string& bytes) {
        ASSERT_TRUE(WriteWholeFile(directory_.File(name), bytes));
    }
    // Presses Alt+`letter` in the main window; the window it opens must take the main window's place.
    void OpenFromMain(WORD letter, const wchar_t* caption, HWND& window) {
        ASSERT_TRUE(BringToFront(main_));
        PressKey(letter, VK_MENU);
        window = program_->WaitForWindow(caption);
        wchar_t focusClass[64] = {};
        ::GetClassNameW(FocusOf(main_), focusClass, 64);
        ASSERT_NE(window, nullptr) << "Alt+" << static_cast<char>(letter) << " opened nothing; foreground "
                                   << ::testing::PrintToString(TextOf(::GetForegroundWindow())) << " focus "
                                   << ::testing::PrintToString(std::wstring(focusClass)) << " visible "
                                   << program_->VisibleWindows().size();
        ASSERT_TRUE(program_->WaitForOnlyVisible(window));
    }
    // Waits for the program's message box and checks its title and text.
    MessageBoxSeen ExpectMessage(const wchar_t* title, const std::wstring& text) {
        MessageBoxSeen box = program_->WaitForMessageBox();
        EXPECT_NE(box.hwnd, nullptr) << "no message box for: " << ::testing::PrintToString(text);
        EXPECT_EQ(box.title, title);
        EXPECT_EQ(box.text, text);
        return box;
    }
    // Presses `key` in the message box; it must go, and `next` (unless another box follows) get the
    // focus back.
    void Answer(const MessageBoxSeen& box, HWND next, WORD key = VK_RETURN) {
        ASSERT_NE(box.hwnd, nullptr);
        ASSERT_TRUE(BringToFront(box.hwnd));
        PressKey(key);
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box.hwnd); })) << "the message box stayed";
        ASSERT_TRUE(!next || BringToFront(next)) << "the focus did not come back";
    }
    void ExpectExitCleanly() {
        std::optional<DWORD> code = program_->WaitForExit();
        ASSERT_TRUE(code) << "the program did not end";
        EXPECT_EQ(*code, 0u);
    }

    TempDirectory directory_;
    std::unique_ptr<TolvaneProcess> program_;
    HWND main_ = nullptr;
};

// A control's rectangle in its parent's client pixels at 96 DPI (the test prefix's setting), and its
// text (null: not checked).
struct Placement {
    int id;
    RECT rect;
    const wchar_t* text;
};

inline void ExpectLayout(HWND window, SIZE client, std::initializer_list<Placement> controls) {
    using Box = std::array<LONG, 4>;
    RECT area{};
    ::GetClientRect(window, &area);
    EXPECT_EQ((Box{area.right, area.bottom}), (Box{client.cx, client.cy})) << "client size";
    for (const Placement& control : controls) {
        HWND hwnd = ::GetDlgItem(window, control.id);
        RECT rect{};
        ::GetWindowRect(hwnd, &rect);
        ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ((Box{rect.left, rect.top, rect.right, rect.bottom}),
                  (Box{control.rect.left, control.rect.top, control.rect.right, control.rect.bottom}))
            << "control " << control.id;
        EXPECT_EQ(control.text ? TextOf(hwnd) : L"", control.text ? control.text : L"")
            << "control " << control.id;
    }
}

}  // namespace tolvane::e2e
