// The fixtures of the tests that open a window, and the events of an action as text.
#pragma once

#include "core/lists.h"
#include "driver/driver.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/window_services.h"
#include "ui/controls.h"
#include "ui/layout.h"
#include "ui/program.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace testwin {

// The events of an action as text, e.g. "control 4, close", so that a failure shows what came instead.
inline std::string EventText(const std::function<void()>& action) {
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

// Every test starts with the program started up to its open main window, on fresh services and empty
// lists, and the events of the opening taken (in opening_). It ends with every window closed, what the
// closing raised taken and the lists emptied: nothing of one test reaches the next.
class WindowTest : public ::testing::Test {
  protected:
    // What a test opens: the program's main window, unless the test says otherwise.
    virtual bool Open() { return StartProgram(); }

    void SetUp() override {
        bool opened = false;
        opening_ = EventText([&] { opened = Open(); });
        ASSERT_TRUE(opened);
    }
    void TearDown() override {
        CloseAllWindows();
        driver::EventsOf([] {});
        ListClear(Catalogue);
        ListClear(GroupList);
        ListClear(MemberList);
    }
    std::string opening_;
};

// A window of the main window's size and look, without controls, on fresh window services; the parent
// of the controls a test creates.
class EmptyWindowTest : public WindowTest {
  protected:
    bool Open() override {
        InitControlServices();
        InitWindowServices();
        window_ = OpenTopWindow(0, 0, 0, 600, 300, WINDOW_CAPTION | WINDOW_SYSMENU | WINDOW_CENTRE_SCREEN,
                                "Zwillingsfeger");
        return window_ != nullptr && SetControlParent(window_) != nullptr;
    }
    WindowHandle window_ = nullptr;
};

} // namespace testwin
