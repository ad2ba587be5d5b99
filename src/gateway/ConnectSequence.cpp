#include "gateway/ConnectSequence.h"

#include <exception>

#include "gateway/GameLauncher.h"
#include "gateway/GatewaySetting.h"
#include "serverlist/ServerEntry.h"
#include "serverlist/ServerList.h"

namespace tolvane {

inline constexpr const wchar_t* kRegisteredText = L"注册成功！";
inline constexpr const wchar_t* kRegisteredTitle = L"成功";
inline constexpr const wchar_t* kFailedText = L"未发现游戏目录，请先运行一次暗黑破坏神II。";
inline constexpr const wchar_t* kFailedTitle = L"失败";

std::optional<OutcomeMessage> MessageFor(ConnectOutcome outcome) {
    switch (outcome) {
        case ConnectOutcome::Registered:
            return OutcomeMessage{kRegisteredText, kRegisteredTitle};
        case ConnectOutcome::Failed:
            return OutcomeMessage{kFailedText, kFailedTitle};
        case ConnectOutcome::Started:
        case ConnectOutcome::NothingStarted:
            break;
    }
    return std::nullopt;
}

ConnectOutcome ConnectSequence::Run(const std::wstring& selectedText, bool autoStart, bool windowMode) {
    // One failure path for the whole action: whatever throws (the list file
    // above all) ends it with Failed. Each list operation has closed its file
    // by the time its exception arrives here.
    try {
        // The gateway is settled before the game starts, because the game reads
        // it at start-up.
        if (selectedText == OfficialEntryLabel) {
            gateway_.ClearGateway();
        } else if (!selectedText.empty()) {
            // The empty text means no selection: nothing is written, whatever
            // a hand-edited list file might hold under an empty name.
            if (std::optional<std::wstring> address = list_.FindAddress(selectedText))
                gateway_.SetGateway(*address);
        }
        if (!autoStart) return ConnectOutcome::Registered;
        switch (launcher_.Launch(windowMode)) {
            case LaunchOutcome::Started:
                return ConnectOutcome::Started;
            case LaunchOutcome::NoGameKey:
                return ConnectOutcome::NothingStarted;
            case LaunchOutcome::Failed:
                break;
        }
        return ConnectOutcome::Failed;
    } catch (const std::exception&) {
        return ConnectOutcome::Failed;
    }
}

}  // namespace tolvane
