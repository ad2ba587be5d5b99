#pragma once

#include <optional>

#include "gateway/ConnectSequence.h"
#include "serverlist/ListActions.h"

namespace tolvane::ui {

// The texts of every message box the program shows, each with its title.
struct Message {
    const wchar_t* text;
    const wchar_t* title;
};

inline constexpr const wchar_t* kErrorTitle = L"错误";

inline constexpr Message kConfirmDelete{L"确定删除？删除后不可恢复！", L"删除"};
inline constexpr Message kBrowserFailed{L"无法启动浏览器打开主页。", kErrorTitle};

// The message for an outcome, or nothing when the outcome has none.
std::optional<Message> MessageFor(ConnectOutcome outcome);
std::optional<Message> MessageFor(AddOutcome outcome);
std::optional<Message> MessageFor(DeleteOutcome outcome);

}  // namespace tolvane::ui
