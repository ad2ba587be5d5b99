#include "gateway/ConnectSequence.h"

#include <exception>

#include "gateway/GameLauncher.h"
#include "gateway/GatewaySetting.h"
#include "serverlist/ServerList.h"

namespace tolvane {

ConnectOutcome ConnectSequence::Run(const Selection& selected, bool autoStart, bool windowMode) {
    // One failure path for the whole action: whatever throws (the list file
    // above all) ends it with Failed. Each list operation has closed its file
    // by the time its exception arrives here.
    try {
        // The gateway is settled before the game starts, because the game reads
        // it at start-up. Without a selection nothing is written. A change the
        // system refused ends the action: the game would start on the old
        // gateway, and "registered" would not be true.
        if (selected && *selected == OfficialEntryLabel) {
            if (!gateway_.ClearGateway()) return ConnectOutcome::GatewayNotChanged;
        } else if (selected) {
            std::optional<std::wstring> address = list_.FindAddress(*selected);
            if (address && !gateway_.SetGateway(*address)) return ConnectOutcome::GatewayNotChanged;
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
