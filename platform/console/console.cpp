// The window services without a window: bars become a progress line on a terminal, every other
// operation does nothing and answers 0.
#include "platform/console/console_bars.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/window_services.h"

#include <cstdio>
#include <map>

namespace {

struct Bar {
    int32_t value = 0;
    int64_t writes = 0;
};

std::map<int32_t, Bar> bars; // only the bars that were created
bool showProgress = false;

void DrawProgress() {
    std::fputc('\r', stderr);
    for (const auto& [number, bar] : bars)
        std::fprintf(stderr, "[%3d%%] ", static_cast<int>(bar.value));
    std::fflush(stderr);
}

} // namespace

int32_t ConsoleBarValue(int32_t control) {
    auto it = bars.find(control);
    return it == bars.end() ? 0 : it->second.value;
}

int64_t ConsoleBarWrites(int32_t control) {
    auto it = bars.find(control);
    return it == bars.end() ? 0 : it->second.writes;
}

void ConsoleResetBars() {
    for (auto& [number, bar] : bars)
        bar = Bar{};
}

void ConsoleShowProgress(bool show) {
    if (showProgress && !show) std::fputs("\r\033[K", stderr);
    showProgress = show;
}

void InitControlServices() {}
void InitWindowServices() {}

WindowHandle OpenTopWindow(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, const std::string&) {
    return nullptr;
}
void CloseTopWindow(int32_t) {}
void CloseAllWindows() {}
WindowHandle CurrentWindow() {
    return nullptr;
}
WindowHandle SetControlParent(WindowHandle window) {
    return window;
}

WindowHandle CreateButton(int32_t, int32_t, int32_t, int32_t, int32_t, const std::string&) {
    return nullptr;
}
WindowHandle CreateLabel(int32_t, int32_t, int32_t, int32_t, int32_t, const std::string&) {
    return nullptr;
}
WindowHandle CreateListBox(int32_t, int32_t, int32_t, int32_t, int32_t) {
    return nullptr;
}

// The command line sets bars that nobody created: any value set comes into being on first use.
WindowHandle CreateProgressBar(int32_t number, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                               int32_t) {
    bars[number] = Bar{};
    return nullptr;
}

void SetControlDisabled(int32_t, int32_t) {}
int32_t GetControlValue(int32_t) {
    return 0;
}

void SetControlValue(int32_t number, int32_t value) {
    Bar& bar = bars[number];
    bar.value = value;
    ++bar.writes;
    if (showProgress) DrawProgress();
}

void SetControlText(int32_t, const std::string&) {}
void InsertRow(int32_t, int32_t, const std::string&) {}
void DeleteRow(int32_t, int32_t) {}
void ClearRows(int32_t) {}
int32_t CountRows(int32_t) {
    return 0;
}

int32_t ShowMessageBox(const std::string&, const std::string&, int32_t) {
    return 0;
}
std::string ChooseFolder(const std::string&, const std::string&) {
    return {};
}

// Without a window nobody can act: the only thing to report is the end.
int32_t WaitEvent() {
    return EVENT_CLOSE;
}
int32_t EventControl() {
    return -1;
}
