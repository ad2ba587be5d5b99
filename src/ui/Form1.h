#pragma once

#include <optional>
#include <string>
#include <vector>

#include "serverlist/ServerEntry.h"
#include "ui/FormWindow.h"
#include "ui/Messages.h"

namespace tolvane {
class ActiveEntries;
class ConnectSequence;
class ListActions;
}  // namespace tolvane

namespace tolvane::ui {

class Form2;
class Form3;

// The main window: the server list with the entries the game will connect to
// marked, the main action, deletion, the way to the add and about windows,
// and the end of the program.
class Form1 : public FormWindow {
public:
    Form1(HINSTANCE instance, ListActions& actions, ConnectSequence& connect, ActiveEntries& active);
    ~Form1() override;

    void SetOtherWindows(Form2& addWindow, Form3& aboutWindow);
    // Creates the window and runs the load step (the list is filled); hidden.
    bool Load();
    // Shows the window centred, after the message of a list that cannot be kept.
    void Show();

    // Appends one record's name at the end of the list (after a successful
    // add); its address tells whether it is marked.
    void AddName(const std::wstring& name, const std::wstring& address);
    // Makes this window visible again, as it was left.
    void ShowHome();

    bool PreTranslate(MSG& message) override;

protected:
    void OnCreated() override;
    void OnFontApplied() override;
    void OnCommand(int id, int notification) override;
    void OnClose() override { Exit(); }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void FillList(const std::vector<ServerEntry>& entries);
    void DrawRow(const DRAWITEMSTRUCT& row);
    std::optional<std::wstring> ItemText(LRESULT index) const;
    void AddToolTip();
    Selection SelectedItem() const;
    void Connect();
    void Delete();
    void OpenAddWindow();
    void OpenAboutWindow();
    void AutoRunClicked();
    void Exit();

    ListActions& actions_;
    ConnectSequence& connect_;
    ActiveEntries& active_;
    Form2* addWindow_ = nullptr;
    Form3* aboutWindow_ = nullptr;
    HWND toolTip_ = nullptr;
    HBITMAP picture_ = nullptr;
    std::optional<Message> startupMessage_;
};

}  // namespace tolvane::ui
