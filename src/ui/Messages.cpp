#include "ui/Messages.h"

namespace tolvane::ui {

std::optional<Message> MessageFor(ConnectOutcome outcome) {
    switch (outcome) {
        case ConnectOutcome::Registered:
            return Message{L"注册成功！", L"成功"};
        case ConnectOutcome::Failed:
            return Message{L"未发现游戏目录，请先运行一次暗黑破坏神II。", L"失败"};
        case ConnectOutcome::Started:
        case ConnectOutcome::NothingStarted:
            break;
    }
    return std::nullopt;
}

// The add window's refusals all carry the error title; the window stays open.
std::optional<Message> MessageFor(AddOutcome outcome) {
    switch (outcome) {
        case AddOutcome::NameMissing:
            return Message{L"请输入服务器名称", kErrorTitle};
        case AddOutcome::AddressMissing:
            return Message{L"请输入服务器IP地址", kErrorTitle};
        case AddOutcome::NameNotStorable:
            return Message{L"服务器名称不能含有双引号、换行符或本系统编码无法表示的字符，请修改后再试。",
                           kErrorTitle};
        case AddOutcome::AddressNotStorable:
            return Message{L"服务器IP地址不能含有双引号、换行符或本系统编码无法表示的字符，请修改后再试。",
                           kErrorTitle};
        case AddOutcome::Conflict:
            return Message{L"有相同的服务器名或是IP已经存在", kErrorTitle};
        case AddOutcome::ListFileFailed:
            return Message{L"服务器列表文件无法读写，服务器没有添加。", kErrorTitle};
        case AddOutcome::Added:
            break;
    }
    return std::nullopt;
}

std::optional<Message> MessageFor(DeleteOutcome outcome) {
    switch (outcome) {
        case DeleteOutcome::Protected:
            return Message{L"此项不能删除！", L"失败"};
        case DeleteOutcome::ListFileFailed:
            return Message{L"删除失败：服务器列表文件无法读写。列表显示的是文件现在的内容。", kErrorTitle};
        case DeleteOutcome::Declined:
        case DeleteOutcome::NothingSelected:
        case DeleteOutcome::Removed:
            break;
    }
    return std::nullopt;
}

}  // namespace tolvane::ui
