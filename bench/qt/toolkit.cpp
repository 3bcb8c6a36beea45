// The benchmark programs on the Linux build: resident memory from /proc, and Qt's event loop.
#include "bench/toolkit.h"

#include <QApplication>
#include <QWidget>

#include <cstdlib>
#include <fstream>

int64_t ResidentBytes(bool peak) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const char* key = peak ? "VmHWM:" : "VmRSS:";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::atoll(line.c_str() + 6) * 1024;
    return 0;
}

void Settle() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible()) window->repaint();
}

// The Qt list box has no figures of its own.
std::string ListBoxFigures() {
    return {};
}
