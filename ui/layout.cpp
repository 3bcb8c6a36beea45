// The main window's layout: its thirteen controls, created in order.
#include "ui/layout.h"

#include "platform/window_services.h"
#include "ui/controls.h"

bool OpenMainWindow() {
    WindowHandle window = OpenTopWindow(MAIN_WINDOW, 0, 0, MAIN_WIDTH, MAIN_HEIGHT,
                                        WINDOW_CAPTION | WINDOW_SYSMENU | WINDOW_CENTRE_SCREEN, TEXT_TITLE);
    if (!window) return false;
    if (!SetControlParent(window)) return false;

    // Creation order is also the Tab order: left column, then the right column top to bottom.
    CreateButton(BtnAddFolder, 0, 0, 195, 24, TEXT_ADD_FOLDER);
    CreateLabel(LblAllFiles, 0, 25, 195, 20, TEXT_ALL_FILES);
    CreateListBox(LstAllFiles, 0, 45, 195, 225);
    CreateButton(BtnReset, 0, 275, 195, 20, TEXT_RESET);
    CreateButton(BtnSearch, 200, 0, 368, 24, TEXT_SEARCH);
    CreateLabel(LblGroups, 200, 25, 368, 20, TEXT_GROUPS);
    CreateListBox(LstGroups, 200, 45, 368, 100);
    CreateLabel(LblMembers, 200, 150, 398, 20, TEXT_MEMBERS);
    CreateListBox(LstMembers, 200, 170, 398, 75);
    CreateButton(BtnDeleteMarked, 200, 250, 398, 20, TEXT_DELETE_MARKED);
    CreateButton(BtnDeleteAll, 200, 275, 398, 20, TEXT_DELETE_ALL);
    CreateProgressBar(BarOverall, 573, 75, 25, 70, 0, 100, BAR_VERTICAL | BAR_SMOOTH);
    CreateProgressBar(BarFile, 573, 45, 25, 25, 0, 100, BAR_VERTICAL | BAR_SMOOTH);
    return true;
}
