#pragma once

#include "serverlist/ServerEntry.h"

namespace tolvane {

class GameLauncher;
class GatewaySetting;
class ServerList;

enum class ConnectOutcome {
    Registered,
    Started,
    Failed,             // the game was not found or could not be started
    GatewayNotChanged,  // the system refused the registry change; the game was not started
    ServerLeftList,     // the chosen name is no longer in the list file; nothing written or started
    ListFileFailed,     // the list file could not be read; nothing written or started
};

// The main action: apply the chosen list item to the game's settings and,
// when asked, start the game.
class ConnectSequence {
public:
    ConnectSequence(ServerList& list, GatewaySetting& gateway, GameLauncher& launcher)
        : list_(list), gateway_(gateway), launcher_(launcher) {}

    ConnectOutcome Run(const Selection& selected, bool autoStart, bool windowMode);

private:
    ServerList& list_;
    GatewaySetting& gateway_;
    GameLauncher& launcher_;
};

}  // namespace tolvane
