// The program's main window, opened through the window services around each test, and helpers to
// read events.
#pragma once

#include "driver/driver.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/window_services.h"
#include "ui/controls.h"
#include "ui/layout.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace testwin {

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
        opening_ = EventsOf([&] { opened = OpenMainWindow(); });
        ASSERT_TRUE(opened);
    }
    void TearDown() override {
        CloseAllWindows();
        driver::EventsOf([] {});
    }
    std::string opening_;
};

} // namespace testwin
