#pragma once

#include "gateway/GameLauncher.h"
#include "serverlist/ServerEntry.h"

namespace tolvane {

class GatewaySetting;
class HostServices;
class ServerList;

enum class ConnectOutcome {
    Registered,
    Started,
    NothingSelected,    // no item selected and the game not to be started: nothing written
    Failed,             // the game was not found or did not start: `launch` says why
    GatewayNotChanged,  // the system refused the registry change; the game was not started
    ServerLeftList,     // the chosen name is no longer in the list file; nothing written or started
    ListFileFailed,     // the list file could not be read; nothing written or started
    ListFileMissing,    // the list file is not there; nothing written or started
};

struct ConnectResult {
    ConnectOutcome outcome;
    // The game's gateway was set to the chosen item (its address written, or
    // the override removed for the fixed item) before the outcome.
    bool gatewaySet = false;
    LaunchResult launch{};  // with Failed
};

// The main action: apply the chosen list item to the game's settings and,
// when asked, start the game.
class ConnectSequence {
public:
    ConnectSequence(ServerList& list, GatewaySetting& gateway, GameLauncher& launcher, HostServices& host)
        : list_(list), gateway_(gateway), launcher_(launcher), host_(host) {}

    ConnectResult Run(const Selection& selected, bool autoStart, bool windowMode);

private:
    ServerList& list_;
    GatewaySetting& gateway_;
    GameLauncher& launcher_;
    HostServices& host_;
};

}  // namespace tolvane
