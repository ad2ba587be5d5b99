#pragma once

#include <optional>
#include <string>

#include "gateway/ConnectSequence.h"
#include "serverlist/ListActions.h"

namespace tolvane::ui {

// The texts of every message box the program shows, each with its title.
struct Message {
    std::wstring text;
    const wchar_t* title;
};

inline constexpr const wchar_t* kErrorTitle = L"错误";

inline const Message kConfirmDelete{L"确定删除？删除后不可恢复！", L"删除"};
inline const Message kBrowserFailed{L"无法启动浏览器打开主页。", kErrorTitle};

// The message for an outcome, or nothing when the outcome has none. A connect
// outcome's message may name the chosen server.
std::optional<Message> MessageFor(ConnectOutcome outcome, const std::wstring& server);
std::optional<Message> MessageFor(AddOutcome outcome);
std::optional<Message> MessageFor(DeleteOutcome outcome);
// What keeps the list from being kept, naming the file and its folder.
std::optional<Message> MessageFor(const StartupList& start);

}  // namespace tolvane::ui
