#pragma once

#include <string>

#include "ui/FormWindow.h"

namespace tolvane {
class ListActions;
}  // namespace tolvane

namespace tolvane::ui {

class Form1;

// The add window: one new server, a name and an address.
class Form2 : public FormWindow {
public:
    Form2(HINSTANCE instance, Form1& home, ListActions& actions);

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

    Form1& home_;
    ListActions& actions_;
};

}  // namespace tolvane::ui
