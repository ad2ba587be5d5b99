#pragma once

#include <windows.h>

#include "ui/Messages.h"

namespace tolvane::ui {

enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// A modal message box over `owner` (the visible window), without an icon.
// With Yes and No, Yes is the default button.
MessageAnswer ShowMessage(HWND owner, const Message& message, MessageButtons buttons);

}  // namespace tolvane::ui
