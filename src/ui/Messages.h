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

// The message for an outcome, or nothing when the outcome has none. A connect's
// message names the chosen server when the gateway was set to it, and a start
// the system refused carries the system's own reason.
std::optional<Message> MessageFor(const ConnectResult& result, const std::wstring& server);
std::optional<Message> MessageFor(AddOutcome outcome);
std::optional<Message> MessageFor(DeleteOutcome outcome);
// What keeps the list from being kept, naming the file and its folder.
std::optional<Message> MessageFor(const StartupList& start);

}  // namespace tolvane::ui
