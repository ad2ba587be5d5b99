#include "gateway/ConnectSequence.h"

#include <exception>

#include "gateway/GameLauncher.h"
#include "gateway/GatewaySetting.h"
#include "serverlist/ListFileError.h"
#include "serverlist/ServerList.h"

namespace tolvane {

ConnectOutcome ConnectSequence::Run(const Selection& selected, bool autoStart, bool windowMode) {
    // Each list operation has closed its file by the time its exception
    // arrives here. Anything else that throws ends the action as a failure.
    try {
        // The gateway is settled before the game starts, because the game reads
        // it at start-up. Without a selection nothing is written. A change the
        // system refused, or a name the file no longer holds, ends the action:
        // the game would start on the old gateway, and "registered" would not
        // be true.
        if (selected && *selected == OfficialEntryLabel) {
            if (!gateway_.ClearGateway()) return ConnectOutcome::GatewayNotChanged;
        } else if (selected) {
            list_.SettleInterruptedEdit();  // what an edit cut off left, before the list is read
            std::optional<std::wstring> address = list_.FindAddress(*selected);
            if (!address) return ConnectOutcome::ServerLeftList;
            if (!gateway_.SetGateway(*address)) return ConnectOutcome::GatewayNotChanged;
        }
        if (!autoStart) return ConnectOutcome::Registered;
        // Without the game's key the game has never run here: as much a game
        // not found as a key without its folder.
        switch (launcher_.Launch(windowMode)) {
            case LaunchOutcome::Started:
                return ConnectOutcome::Started;
            case LaunchOutcome::NoGameKey:
            case LaunchOutcome::Failed:
                break;
        }
        return ConnectOutcome::Failed;
    } catch (const ListFileError&) {
        return ConnectOutcome::ListFileFailed;
    } catch (const std::exception&) {
        return ConnectOutcome::Failed;
    }
}

}  // namespace tolvane
