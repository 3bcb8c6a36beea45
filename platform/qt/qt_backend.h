// What the Qt window backend's files share with each other and with the Qt test driver.
#pragma once

#include <QByteArray>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

class QFont;

namespace qtb {

enum class Kind { None, Button, Label, ListBox, Bar };

struct ControlEntry {
    QPointer<QWidget> widget;
    Kind kind = Kind::None;
};

struct Event {
    int32_t code;
    int32_t control;
};

// Everything the window and event services keep between calls. The values written here are the start:
// InitControlServices puts Controls back to it, InitWindowServices puts Windows back; the rest lasts as
// long as the process.
struct Backend {
    struct Controls {
        std::unordered_map<int32_t, ControlEntry> table; // by number
    } controls;
    struct Windows {
        std::unordered_map<int32_t, QPointer<QWidget>> table; // the open top-level windows, by number
        QPointer<QWidget> current;                            // opened last
    } windows;
    QPointer<QWidget> controlParent;   // of every control created from now on
    std::deque<Event> events;          // what the user did, not yet handed out by a wait
    int32_t lastControl = 0;           // of the last EVENT_CONTROL handed out
    bool draining = false;             // see WaitIsDraining
    bool dropping = false;             // input is dropped, not delivered (DropBusyInput)
    QObject* keyboardFilter = nullptr; // installed once, in the application
};

Backend& State();

// Program strings are UTF-8 bytes. For display a byte that is not part of valid UTF-8 becomes "\xNN",
// so that any file name is shown readably and two names that differ only there still look different.
QString DisplayText(std::string_view bytes);
// The program bytes behind a displayed text: Stored when the display shows exactly those bytes,
// otherwise what the display shows, in UTF-8.
std::string ProgramBytes(const QString& displayed, const QByteArray& stored);

// The dynamic properties that mark our widgets.
inline constexpr const char* PROP_NUMBER = "zwNumber";        // int: window or control number
inline constexpr const char* PROP_KIND = "zwKind";            // int: Kind, on controls only
inline constexpr const char* PROP_BYTES = "zwBytes";          // QByteArray: the text as the program gave it
inline constexpr const char* PROP_TEXT_BYTES = "zwTextBytes"; // QByteArray: a message box's text

// The one application object, made on first need (static arguments: the program takes none).
void EnsureApplication();

QWidget* TopWindow(int32_t number);             // the open top-level window of that number, or null
int32_t TopWindowNumber(const QWidget* widget); // number of the top window holding Widget, or -1
QWidget* ControlWidget(int32_t number);
Kind ControlKind(int32_t number);
int32_t ControlNumber(const QWidget* widget); // the control that is or holds Widget, or -1

// Events the user raised, queued in order until a wait returns them (events.cpp).
void QueueEvent(int32_t code, int32_t control);
bool EventsQueued();
// True while a wait handles what was already pending, before it would block: the toolkit is not idle.
bool WaitIsDraining();
// Tab navigation in the top window Top: to the next (or previous) enabled, visible tab stop.
void MoveFocus(QWidget* top, bool backwards);
// Installs the keyboard handling of our windows once.
void InstallKeyboardFilter();

// List boxes (listbox.cpp).
// The font of buttons, labels and list boxes: the system's, smaller where list rows would otherwise be
// higher than on Windows, but not smaller than Windows' own.
const QFont& ControlFont();
QWidget* NewListBox(QWidget* parent, int32_t number);
int32_t ListBoxSelected(QWidget* list);
void ListBoxSelect(QWidget* list, int32_t row);
void ListBoxInsert(QWidget* list, int32_t position, std::string_view text);
void ListBoxDelete(QWidget* list, int32_t row);
void ListBoxClear(QWidget* list);
int32_t ListBoxCount(QWidget* list);
std::string ListBoxRow(QWidget* list, int32_t row); // what the row shows, as program bytes
QRect ListBoxRowRect(QWidget* list, int32_t row);   // scrolled into view; in the viewport's coordinates

} // namespace qtb
