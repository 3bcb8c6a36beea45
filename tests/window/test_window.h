// A window laid out like the main window, opened around each test, and helpers to read events.
#pragma once

#include "driver/driver.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/window_services.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace testwin {

enum : int32_t {
    AddFolder,
    AllFilesHeading,
    AllFiles,
    GroupsHeading,
    Groups,
    MembersHeading,
    Members,
    DeleteMarked,
    Reset,
    Search,
    DeleteAll,
    BarOverall = 100,
    BarFile
};

enum class Kind { Button, Label, List, Bar };

struct ControlLayout {
    int32_t number;
    Kind kind;
    int32_t x, y, width, height;
    const char* text;
};

// In creation order, which is also the Tab order.
inline const ControlLayout CONTROLS[] = {
    {AddFolder, Kind::Button, 0, 0, 195, 24, "Pfad hinzufügen"},
    {AllFilesHeading, Kind::Label, 0, 25, 195, 20, "Alle Dateien"},
    {AllFiles, Kind::List, 0, 45, 195, 225, ""},
    {Reset, Kind::Button, 0, 275, 195, 20, "Zurücksetzen"},
    {Search, Kind::Button, 200, 0, 368, 24, "Doppelte Dateien suchen"},
    {GroupsHeading, Kind::Label, 200, 25, 368, 20, "Dateien mit gleichem Inhalt"},
    {Groups, Kind::List, 200, 45, 368, 100, ""},
    {MembersHeading, Kind::Label, 200, 150, 398, 20, "Doppelte Dateien:"},
    {Members, Kind::List, 200, 170, 398, 75, ""},
    {DeleteMarked, Kind::Button, 200, 250, 398, 20, "Lösche markierte Datei"},
    {DeleteAll, Kind::Button, 200, 275, 398, 20, "Lösche alle Dateien (mit Original)"},
    {BarOverall, Kind::Bar, 573, 75, 25, 70, ""},
    {BarFile, Kind::Bar, 573, 45, 25, 25, ""},
};

inline constexpr const char* TITLE = "Zwillingsfeger";

// Opens window 0 with all thirteen controls; false if the window or a control could not be made.
inline bool OpenWindow() {
    WindowHandle window =
        OpenTopWindow(0, 0, 0, 600, 300, WINDOW_CAPTION | WINDOW_SYSMENU | WINDOW_CENTRE_SCREEN, TITLE);
    bool all = window && SetControlParent(window);
    for (const ControlLayout& c : CONTROLS) {
        const auto [n, kind, x, y, w, h, text] = c;
        all = all &&
              (kind == Kind::Button  ? CreateButton(n, x, y, w, h, text)
               : kind == Kind::Label ? CreateLabel(n, x, y, w, h, text)
               : kind == Kind::List  ? CreateListBox(n, x, y, w, h)
                                     : CreateProgressBar(n, x, y, w, h, 0, 100, BAR_VERTICAL | BAR_SMOOTH));
    }
    return all;
}

// The events of an action as text, e.g. "control 4, close", so that a failure shows what came instead.
inline std::string EventsOf(const std::function<void()>& action) {
    std::string out;
    for (const driver::SeenEvent& e : driver::EventsOf(action)) {
        out += out.empty() ? "" : ", ";
        out += e.code == EVENT_CONTROL ? "control " + std::to_string(e.control)
               : e.code == EVENT_CLOSE ? "close"
               : e.code == EVENT_SIZE  ? "size"
                                       : "code " + std::to_string(e.code);
    }
    return out;
}

// Every test starts with the window open and the events of its opening taken.
class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        InitControlServices();
        InitWindowServices();
        bool opened = false;
        opening_ = EventsOf([&] { opened = OpenWindow(); });
        ASSERT_TRUE(opened);
    }
    void TearDown() override {
        CloseAllWindows();
        driver::EventsOf([] {});
    }
    std::string opening_;
};

} // namespace testwin
