#include "ui/ShowMessage.h"

namespace tolvane::ui {

MessageAnswer ShowMessage(HWND owner, const Message& message, MessageButtons buttons) {
    UINT type = buttons == MessageButtons::YesNo ? MB_YESNO | MB_DEFBUTTON1 : MB_OK;
    switch (::MessageBoxW(owner, message.text.c_str(), message.title, type)) {
        case IDYES:
            return MessageAnswer::Yes;
        case IDNO:
            return MessageAnswer::No;
        default:
            return MessageAnswer::Ok;
    }
}

}  // namespace tolvane::ui
