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
    AddFolder = 0,
    AllFilesHeading = 1,
    AllFiles = 2,
    GroupsHeading = 3,
    Groups = 4,
    MembersHeading = 5,
    Members = 6,
    DeleteMarked = 7,
    Reset = 8,
    Search = 9,
    DeleteAll = 10,
    BarOverall = 100,
    BarFile = 101,
};

enum class Kind { Button, Label, List, Bar };

struct ControlLayout {
    int32_t number;
    Kind kind;
    int32_t x, y, width, height;
    const char* text;
};

// In creation order, which is also the Tab order.
inline const std::vector<ControlLayout>& Controls() {
    static const std::vector<ControlLayout> controls = {
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
    return controls;
}

inline constexpr const char* TITLE = "Zwillingsfeger";

// Opens window 0 with all thirteen controls; false if the window or a control could not be made.
inline bool OpenWindow() {
    WindowHandle window =
        OpenTopWindow(0, 0, 0, 600, 300, WINDOW_CAPTION | WINDOW_SYSMENU | WINDOW_CENTRE_SCREEN, TITLE);
    if (!window || !SetControlParent(window)) return false;
    bool all = true;
    for (const ControlLayout& c : Controls()) {
        WindowHandle made = nullptr;
        switch (c.kind) {
        case Kind::Button:
            made = CreateButton(c.number, c.x, c.y, c.width, c.height, c.text);
            break;
        case Kind::Label:
            made = CreateLabel(c.number, c.x, c.y, c.width, c.height, c.text);
            break;
        case Kind::List:
            made = CreateListBox(c.number, c.x, c.y, c.width, c.height);
            break;
        case Kind::Bar:
            made =
                CreateProgressBar(c.number, c.x, c.y, c.width, c.height, 0, 100, BAR_VERTICAL | BAR_SMOOTH);
            break;
        }
        all = all && made;
    }
    return all;
}

// The events as text, e.g. "control 4, close", so that a failure shows what came instead.
inline std::string Describe(const std::vector<driver::SeenEvent>& events) {
    std::string out;
    for (const driver::SeenEvent& e : events) {
        if (!out.empty()) out += ", ";
        if (e.code == EVENT_CONTROL)
            out += "control " + std::to_string(e.control);
        else if (e.code == EVENT_CLOSE)
            out += "close";
        else if (e.code == EVENT_SIZE)
            out += "size";
        else
            out += "code " + std::to_string(e.code);
    }
    return out;
}

inline std::string EventsOf(const std::function<void()>& action) {
    return Describe(driver::EventsOf(action));
}

// Every test starts with the window open and the events of its opening taken.
class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        InitControlServices();
        InitWindowServices();
        opening_ = driver::EventsOf([&] { opened_ = OpenWindow(); });
        ASSERT_TRUE(opened_);
    }
    void TearDown() override {
        CloseAllWindows();
        driver::EventsOf([] {});
    }

    std::vector<driver::SeenEvent> opening_;
    bool opened_ = false;
};

} // namespace testwin
