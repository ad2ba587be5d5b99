#pragma once

#include <windows.h>

namespace tolvane::ui {

// The title of the boxes that report what the user cannot do or what failed.
inline constexpr const wchar_t* kErrorTitle = L"错误";

enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// A modal message box over `owner` (the visible window), without an icon.
// With Yes and No, Yes is the default button.
MessageAnswer ShowMessage(HWND owner, const wchar_t* prompt, const wchar_t* title, MessageButtons buttons);

}  // namespace tolvane::ui
