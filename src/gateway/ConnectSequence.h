#pragma once

#include <optional>
#include <string>

namespace tolvane {

class GameLauncher;
class GatewaySetting;
class ServerList;

enum class ConnectOutcome { Registered, Started, NothingStarted, Failed };

struct OutcomeMessage {
    const wchar_t* text;
    const wchar_t* title;
};

// The message box shown for an outcome, or nothing.
std::optional<OutcomeMessage> MessageFor(ConnectOutcome outcome);

// The main action: apply the chosen list item to the game's settings and,
// when asked, start the game.
class ConnectSequence {
public:
    ConnectSequence(ServerList& list, GatewaySetting& gateway, GameLauncher& launcher)
        : list_(list), gateway_(gateway), launcher_(launcher) {}

    ConnectOutcome Run(const std::wstring& selectedText, bool autoStart, bool windowMode);

private:
    ServerList& list_;
    GatewaySetting& gateway_;
    GameLauncher& launcher_;
};

}  // namespace tolvane
