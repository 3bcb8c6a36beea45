// Placeholder: replaced by the real backend.
#include "platform/window_services.h"
#include "platform/dialogs.h"
#include "platform/events.h"
void InitControlServices() {}
void InitWindowServices() {}
WindowHandle OpenTopWindow(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, const std::string&) { return nullptr; }
void CloseTopWindow(int32_t) {}
void CloseAllWindows() {}
WindowHandle CurrentWindow() { return nullptr; }
WindowHandle SetControlParent(WindowHandle w) { return w; }
WindowHandle CreateButton(int32_t, int32_t, int32_t, int32_t, int32_t, const std::string&) { return nullptr; }
WindowHandle CreateLabel(int32_t, int32_t, int32_t, int32_t, int32_t, const std::string&) { return nullptr; }
WindowHandle CreateListBox(int32_t, int32_t, int32_t, int32_t, int32_t) { return nullptr; }
WindowHandle CreateProgressBar(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) { return nullptr; }
void SetControlDisabled(int32_t, int32_t) {}
int32_t GetControlValue(int32_t) { return 0; }
void SetControlValue(int32_t, int32_t) {}
void SetControlText(int32_t, const std::string&) {}
void InsertRow(int32_t, int32_t, const std::string&) {}
void DeleteRow(int32_t, int32_t) {}
void ClearRows(int32_t) {}
int32_t CountRows(int32_t) { return 0; }
int32_t ShowMessageBox(const std::string&, const std::string&, int32_t) { return 0; }
std::string ChooseFolder(const std::string&, const std::string&) { return {}; }
int32_t WaitEvent() { return EVENT_CLOSE; }
int32_t EventControl() { return 0; }
