#pragma once

// The end-to-end tests' fixture: one program started in a fresh working directory, and the checks
// the tests share.
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
        ASSERT_NE(main_ = program_->WaitForWindow(kMainCaption), nullptr) << "no main window";
        ASSERT_TRUE(program_->WaitForIdle() && BringToFront(main_));
    }
    HWND MainControl(int id) const { return ::GetDlgItem(main_, id); }
    void Write(const std::wstring& name, const std::string& bytes) {
        ASSERT_TRUE(WriteWholeFile(directory_.File(name), bytes));
    }
    // Alt+`letter` in the main window opens the window titled `caption` in its place.
    HWND OpenFromMain(WORD letter, const wchar_t* caption) {
        BringToFront(main_);
        PressKey(letter, VK_MENU);
        HWND window = program_->WaitForWindow(caption);
        EXPECT_TRUE(window && program_->WaitForOnlyVisible(window)) << "Alt+" << static_cast<char>(letter);
        return window;
    }
    MessageBoxSeen ExpectMessage(const wchar_t* title, const std::wstring& text) {
        MessageBoxSeen box = program_->WaitForMessageBox();
        EXPECT_NE(box.hwnd, nullptr) << "no message box for: " << ::testing::PrintToString(text);
        EXPECT_EQ(box.title, title);
        EXPECT_EQ(box.text, text);
        return box;
    }
    // The box goes on `key`, and `next` gets the focus back (none: another box follows).
    void Answer(const MessageBoxSeen& box, HWND next, WORD key = VK_RETURN) {
        ASSERT_TRUE(box.hwnd && BringToFront(box.hwnd));
        PressKey(key);
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box.hwnd); })) << "the message box stayed";
        ASSERT_TRUE(!next || BringToFront(next)) << "the focus did not come back";
    }
    void Answer(const wchar_t* title, const std::wstring& text, HWND next) {
        Answer(ExpectMessage(title, text), next);
    }
    void ExpectExitCleanly() { EXPECT_EQ(program_->WaitForExit(), std::optional<DWORD>(0)); }

    TempDirectory directory_;
    std::unique_ptr<TolvaneProcess> program_;
    HWND main_ = nullptr;
};

// A control's rectangle in its parent's client pixels at 96 DPI (the test prefix's), and its text
// (null: not checked).
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
        const RECT& want = control.rect;
        EXPECT_EQ((Box{rect.left, rect.top, rect.right, rect.bottom}),
                  (Box{want.left, want.top, want.right, want.bottom}))
            << "control " << control.id;
        EXPECT_EQ(control.text ? TextOf(hwnd) : L"", control.text ? control.text : L"")
            << "control " << control.id;
    }
}

}  // namespace tolvane::e2e
