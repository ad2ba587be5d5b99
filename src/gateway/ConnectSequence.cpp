#include "gateway/ConnectSequence.h"

#include <exception>

#include "gateway/GatewaySetting.h"
#include "platform/HostServices.h"
#include "serverlist/ListFileError.h"
#include "serverlist/ServerList.h"

namespace tolvane {

ConnectResult ConnectSequence::Run(const Selection& selected, bool autoStart, bool windowMode) {
    // Each list operation has closed its file by the time its exception
    // arrives here. Anything else that throws ends the action as a failure.
    bool gatewaySet = false;
    try {
        // Without a selection there is nothing to register: only a start of
        // the game, on the gateway it has, is left to do.
        if (!selected && !autoStart) return {ConnectOutcome::NothingSelected};
        // The gateway is settled before the game starts, because the game reads
        // it at start-up. A change the system refused, or a name the file no
        // longer holds, ends the action: the game would start on the old
        // gateway, and "registered" would not be true.
        if (selected && *selected == OfficialEntryLabel) {
            if (!gateway_.ClearGateway()) return {ConnectOutcome::GatewayNotChanged};
        } else if (selected) {
            list_.SettleInterruptedEdit();  // what an edit cut off left, before the list is read
            std::optional<std::wstring> address = list_.FindAddress(*selected);
            if (!address) return {ConnectOutcome::ServerLeftList};
            if (!gateway_.SetGateway(*address)) return {ConnectOutcome::GatewayNotChanged};
        }
        gatewaySet = selected.has_value();
        if (!autoStart) return {ConnectOutcome::Registered, gatewaySet};
        // Without the game's key the game has never run here: as much a game
        // not found as a key without its folder. Either way the gateway stays
        // as set, and the window says so.
        LaunchResult launch = launcher_.Launch(windowMode);
        return {launch.outcome == LaunchOutcome::Started ? ConnectOutcome::Started : ConnectOutcome::Failed,
                gatewaySet, launch};
    } catch (const ListFileError& error) {
        // A list file that is simply not there is told apart from one that
        // cannot be read (held by another program, say).
        bool missing = error.operation() == ListFileOperation::Open && error.fileName() == kListFileName &&
                       !host_.FindFile(kListFileName);
        return {missing ? ConnectOutcome::ListFileMissing : ConnectOutcome::ListFileFailed};
    } catch (const std::exception&) {
        return {ConnectOutcome::Failed, gatewaySet};
    }
}

}  // namespace tolvane
