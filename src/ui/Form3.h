#pragma once

#include "ui/FormWindow.h"

namespace tolvane {
class HostServices;
}  // namespace tolvane

namespace tolvane::ui {

class Form1;

// The about window: who made the program and the way to its home page.
class Form3 : public FormWindow {
public:
    Form3(HINSTANCE instance, Form1& home, HostServices& host);

    // Shows the window centred on the monitor of `reference`.
    bool Open(HWND reference);

protected:
    void OnCommand(int id, int notification) override;
    void OnClose() override;
    COLORREF TextColour(int id) const override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OpenHomePage();

    Form1& home_;
    HostServices& host_;
};

}  // namespace tolvane::ui
