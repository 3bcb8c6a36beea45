// The program's main routine: start-up, the event loop, the commands and the exit.
#include "ui/program.h"

#include "core/lists.h"
#include "core/scan.h"
#include "core/search.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/file_services.h"
#include "platform/window_services.h"
#include "ui/busy_window.h"
#include "ui/controls.h"
#include "ui/delete_commands.h"
#include "ui/layout.h"
#include "ui/present.h"
#include "ui/progress_bars.h"

#include <string>

namespace {

std::string lastAddedFolder;

void ReleaseLists() {
    ListClear(Catalogue);
    ListClear(GroupList);
    ListClear(MemberList);
}

void AddFolder() {
    std::string folder = ChooseFolder(TEXT_CHOOSE_FOLDER, lastAddedFolder);
    // The same folder twice in a row is scanned once; case counts, as the bytes are compared.
    if (folder.empty() || folder == lastAddedFolder) return;
    lastAddedFolder = folder;
    // The scan appends after the current entry: put the cursor on the last one, wherever a search
    // left it.
    ListSetCurrent(Catalogue, static_cast<FileEntry*>(Catalogue.tail));
    BusyWindow busy;
    // A scan ended by a close request is not shown: the window is about to go.
    ScanRequest request;
    request.stop = CloseStops(busy);
    if (!ScanFolder(lastAddedFolder, "*.*", 0, request).stopped) RefreshLists(REFRESH_FILES);
}

void Reset() {
    ReleaseLists();
    RefreshLists(0);
    lastAddedFolder.clear();
}

void Search() {
    // Rows of a group from the previous search must not stay on offer for deletion.
    ClearRows(LstMembers);
    WindowBars bars;
    BusyWindow busy;
    if (!FindDuplicates({0, WindowProgress(bars), CloseStops(busy)}).stopped) RefreshLists(REFRESH_GROUPS);
}

// Runs the command of Control; false for a control that has none.
bool Dispatch(int32_t control) {
    switch (control) {
    case BtnAddFolder:
        AddFolder();
        break;
    case BtnReset:
        Reset();
        break;
    case BtnSearch:
        Search();
        break;
    case LstGroups:
        RefreshLists(REFRESH_MEMBERS);
        break;
    case BtnDeleteMarked:
        DeleteMarkedMember();
        break;
    case BtnDeleteAll:
        DeleteAllMembers();
        break;
    default:
        return false;
    }
    return true;
}

} // namespace

const std::string& LastAddedFolder() {
    return lastAddedFolder;
}

void ApplyEnablingRules() {
    // Emptiness is read from the head: counting a large catalogue after every event would be slow.
    if (!Catalogue.head) {
        SetControlDisabled(BtnSearch, 1);
        SetControlDisabled(LstMembers, 1);
        SetControlDisabled(BtnDeleteMarked, 1);
        SetControlDisabled(BtnDeleteAll, 1);
        SetControlDisabled(BtnReset, 1);
        return;
    }
    if (GroupList.head) {
        SetControlDisabled(LstMembers, 0);
        SetControlDisabled(LstGroups, 0);
        int32_t noRows = CountRows(LstMembers) > 0 ? 0 : 1;
        SetControlDisabled(BtnDeleteMarked, noRows);
        SetControlDisabled(BtnDeleteAll, noRows);
    } else {
        SetControlDisabled(LstGroups, 1);
        SetControlDisabled(LstMembers, 1);
        SetControlDisabled(BtnDeleteMarked, 1);
        SetControlDisabled(BtnDeleteAll, 1);
    }
    SetControlDisabled(BtnSearch, 0);
    SetControlDisabled(BtnReset, 0);
}

bool StartProgram() {
    InitFileServices();
    InitControlServices();
    InitWindowServices();
    ReleaseLists();
    lastAddedFolder.clear();
    if (OpenMainWindow()) return true;
    CloseAllWindows();
    return false;
}

int32_t RunOneEvent() {
    int32_t event = WaitEvent();
    ApplyEnablingRules();
    // Clicks and keys made while a command ran were aimed at what the window showed before it; a close
    // request among them comes with the next wait. Dropping them takes the window system's own activity
    // too, whose wait would have brought the enabled states up to date: they are brought up to date here.
    if (event == EVENT_CONTROL && Dispatch(EventControl())) {
        DropBusyInput();
        ApplyEnablingRules();
    }
    return event;
}

int32_t FinishProgram() {
    CloseTopWindow(MAIN_WINDOW);
    ShowMessageBox(TEXT_CREDITS_TITLE, TEXT_CREDITS, 0);
    CloseAllWindows();
    ReleaseLists();
    return 0;
}

int32_t RunProgram() {
    // Without a window there is nothing to show, not even the credits; the caller learns of it.
    if (!StartProgram()) return 1;
    while (RunOneEvent() != EVENT_CLOSE) {
    }
    return FinishProgram();
}
