#include "gateway/ActiveEntries.h"

#include <utility>

namespace tolvane {

void ActiveEntries::Fill(std::vector<std::wstring> addresses) {
    addresses_ = std::move(addresses);
    Refresh();
}

void ActiveEntries::Append(std::wstring address) {
    active_.push_back(Matches(address));
    addresses_.push_back(std::move(address));
}

void ActiveEntries::Refresh() {
    gatewayNow_ = gateway_.ReadGateway();
    // A record named like the fixed item is marked by its address only.
    active_.assign(1, gatewayNow_.kind == ActiveGateway::Kind::Official);
    for (const auto& address : addresses_) active_.push_back(Matches(address));
}

bool ActiveEntries::Matches(const std::wstring& address) const {
    return gatewayNow_.kind == ActiveGateway::Kind::Address && address == gatewayNow_.address;
}

}  // namespace tolvane
