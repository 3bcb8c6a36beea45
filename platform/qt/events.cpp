// The event wait and keyboard navigation on Qt: what the user did is queued in order and handed out one
// event per wait; Tab and Shift+Tab walk the enabled, visible buttons and list boxes in creation order.
#include "platform/events.h"
#include "platform/common/tab_walk.h"
#include "platform/qt/qt_backend.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

#include <deque>
#include <vector>

namespace qtb {
namespace {

// Returned for window-system activity that raised no event.
constexpr int32_t EVENT_ACTIVITY = 1;

bool IsTabStop(const QWidget* widget) {
    QVariant kind = widget->property(PROP_KIND);
    if (!kind.isValid()) return false;
    Kind k = static_cast<Kind>(kind.toInt());
    return k == Kind::Button || k == Kind::ListBox;
}

// The user's clicks, keys, wheel turns and touches.
bool IsInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

// Tab and Shift+Tab in our windows, and no arrow-key focus moves between buttons: every other key
// reaches the focused control unchanged. While input is dropped, none reaches any widget.
class KeyboardFilter : public QObject {
  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (State().dropping && IsInput(event->type())) return true;
        if (event->type() != QEvent::KeyPress || !receiver->isWidgetType()) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = static_cast<QWidget*>(receiver);
        QWidget* top = TopWindow(TopWindowNumber(widget));
        if (!top) return false;
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
        switch (key->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            MoveFocus(top, key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier));
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            return ControlKind(ControlNumber(widget)) == Kind::Button;
        default:
            return false;
        }
    }
};

} // namespace

void QueueEvent(int32_t code, int32_t control) {
    State().events.push_back(Event{code, control});
}

bool EventsQueued() {
    return !State().events.empty();
}

bool WaitIsDraining() {
    return State().draining;
}

void MoveFocus(QWidget* top, bool backwards) {
    // The window's own controls in creation order, and where the focus is among them.
    std::vector<QWidget*> children;
    for (QObject* child : top->children())
        if (child->isWidgetType()) children.push_back(static_cast<QWidget*>(child));
    QWidget* focus = QApplication::focusWidget();
    while (focus && focus->parentWidget() != top)
        focus = focus->parentWidget();
    std::vector<bool> eligible;
    int32_t focused = -1;
    for (QWidget* w : children) {
        if (w == focus) focused = static_cast<int32_t>(eligible.size());
        eligible.push_back(IsTabStop(w) && w->isEnabled() && w->isVisible());
    }
    const int32_t target = zw_common::TabTarget(eligible, focused, backwards);
    if (target >= 0) children[target]->setFocus(backwards ? Qt::BacktabFocusReason : Qt::TabFocusReason);
}

void InstallKeyboardFilter() {
    QObject*& filter = State().keyboardFilter;
    if (filter || !QApplication::instance()) return;
    filter = new KeyboardFilter;
    QApplication::instance()->installEventFilter(filter);
}

} // namespace qtb

using namespace qtb;

int32_t WaitEvent() {
    // What the user did before is handed out first, one event per wait. Then what is already pending
    // (the repainting after a command, say) ends the wait without blocking; only a wait that finds
    // nothing blocks until the window system does something.
    Backend& state = State();
    std::deque<Event>& queue = state.events;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (queue.empty() && dispatcher) {
        state.draining = true;
        bool handled = dispatcher->processEvents(QEventLoop::AllEvents);
        state.draining = false;
        if (!handled && queue.empty())
            dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    if (queue.empty()) return EVENT_ACTIVITY;
    Event event = queue.front();
    queue.pop_front();
    if (event.code == EVENT_CONTROL) state.lastControl = event.control;
    return event.code;
}

int32_t EventControl() {
    return State().lastControl;
}

int32_t DropBusyInput() {
    Backend& state = State();
    InstallKeyboardFilter();
    // Draining as a wait does: what runs on the event loop's idle moments must wait for the next wait.
    state.dropping = state.draining = true;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    state.dropping = state.draining = false;
    // Events raised before the command and not yet handed out were aimed at the window as it was then.
    std::deque<Event>& queue = state.events;
    bool closing = false;
    for (auto at = queue.begin(); at != queue.end();) {
        closing = closing || at->code == EVENT_CLOSE;
        at = at->code == EVENT_CONTROL ? queue.erase(at) : at + 1;
    }
    return closing ? 1 : 0;
}
