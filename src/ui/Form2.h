#pragma once

#include <string>

#include "ui/FormWindow.h"

namespace tolvane {
class HostServices;
class ServerList;
}  // namespace tolvane

namespace tolvane::ui {

class Form1;

// The add window: one new server, a name and an address.
class Form2 : public FormWindow {
public:
    Form2(HINSTANCE instance, Form1& home, ServerList& list, HostServices& host);

    // Shows the window centred on the monitor of `reference`, creating it
    // anew if it was closed.
    bool Open(HWND reference);

protected:
    void OnCreated() override;
    void OnCommand(int id, int notification) override;
    void OnClose() override;

private:
    void Add();
    void Cancel();
    // Empties both fields and puts the caret back in the name field.
    void Reset();
    void Refuse(const wchar_t* prompt);
    bool Storable(const std::wstring& text) const;

    Form1& home_;
    ServerList& list_;
    HostServices& host_;
};

}  // namespace tolvane::ui
