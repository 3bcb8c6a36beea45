// The test driver on Qt: input goes through the window-system interface as a user's would (hit-tested,
// blocked by modal dialogs, double clicks made from their timing), and what the window shows is read
// back from the widgets themselves.
#include "driver/driver.h"

#include "platform/events.h"
#include "platform/qt/qt_backend.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace driver {
namespace {

QWidget* AnyOpenWindow() {
    for (int32_t n = 0; n < 100; ++n)
        if (QWidget* w = qtb::TopWindow(n); w && w->isVisible()) return w;
    return nullptr;
}

// A user acts only on a window that is on the screen; the keyboard needs it active as well.
void Settle(QWidget* top, bool active) {
    if (!top) return;
    if (!top->windowHandle() || !top->windowHandle()->isExposed())
        (void)QTest::qWaitForWindowExposed(top, 2000);
    if (active && !top->isActiveWindow()) {
        top->activateWindow();
        (void)QTest::qWaitForWindowActive(top, 2000);
    }
}

// Where mouse events for a control land: list boxes take them in their viewport.
QWidget* MouseTarget(QWidget* control) {
    if (auto* area = qobject_cast<QAbstractScrollArea*>(control)) return area->viewport();
    return control;
}

// Clicks made while the program is busy: the window system holds them until the program next takes input,
// which is the next time the event loop runs.
class HeldClicks : public QObject {
  public:
    static constexpr QEvent::Type RELEASE = QEvent::Type(QEvent::User + 17);
    std::vector<std::function<void()>> clicks;
    bool holding = false;

  protected:
    bool event(QEvent* event) override {
        if (event->type() != RELEASE) return QObject::event(event);
        std::vector<std::function<void()>> now;
        now.swap(clicks);
        for (const auto& click : now)
            click();
        return true;
    }
};
HeldClicks& Held() {
    static HeldClicks held;
    return held;
}

void Mouse(QTest::MouseAction action, QWidget* target, QPoint at) {
    if (Held().holding) {
        QPointer<QWidget> later(target);
        Held().clicks.push_back([action, later, at] {
            if (later) Mouse(action, later, at);
        });
        return;
    }
    QWidget* top = target->window();
    Settle(top, true); // the click that brings a window to the front makes it active

    QPoint inWindow = target->mapTo(top, at);
    QTest::mouseEvent(action, top->windowHandle(), Qt::LeftButton, Qt::NoModifier, inWindow);
}

QWidget* ModalDialog() {
    QWidget* modal = QApplication::activeModalWidget();
    return modal && modal->isVisible() ? modal : nullptr;
}

QFileDialog* OpenFolderChooser() {
    return qobject_cast<QFileDialog*>(ModalDialog());
}
QMessageBox* OpenMessageBox() {
    return qobject_cast<QMessageBox*>(ModalDialog());
}

void Press(QAbstractButton* button) {
    if (button) Mouse(QTest::MouseClick, button, button->rect().center());
}

QAbstractButton* DialogButton(QWidget* dialog, QDialogButtonBox::ButtonRole role) {
    for (QDialogButtonBox* box : dialog->findChildren<QDialogButtonBox*>())
        for (QAbstractButton* button : box->buttons())
            if (box->buttonRole(button) == role && button->isVisible()) return button;
    return nullptr;
}

std::string Bytes(const QWidget* widget, const QString& displayed) {
    return qtb::ProgramBytes(displayed, widget->property(qtb::PROP_BYTES).toByteArray());
}

// Posted behind everything the action caused: when it arrives, the toolkit has delivered the rest.
class Sentinel : public QObject {
  public:
    bool arrived = false;

  protected:
    bool event(QEvent* event) override {
        if (event->type() != QEvent::User) return QObject::event(event);
        arrived = true;
        return true;
    }
};

// Ends whatever modal dialogs are open and asks every window of ours to close.
void EndEverything() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) dialog->reject();
    for (int32_t n = 0; n < 100; ++n)
        if (QWidget* w = qtb::TopWindow(n); w && w->windowHandle()) w->windowHandle()->close();
}

} // namespace

bool WindowOpen(int32_t window) {
    QWidget* top = qtb::TopWindow(window);
    return top && top->isVisible();
}

Rect ClientRect(int32_t window) {
    QWidget* top = qtb::TopWindow(window);
    if (!top) return {};
    Settle(top, false);
    QPoint origin = top->mapToGlobal(QPoint(0, 0));
    return Rect{origin.x(), origin.y(), top->width(), top->height()};
}

Rect ScreenRect() {
    QRect screen = QGuiApplication::primaryScreen()->geometry();
    return Rect{screen.x(), screen.y(), screen.width(), screen.height()};
}

std::string WindowTitle(int32_t window) {
    QWidget* top = qtb::TopWindow(window);
    return top ? Bytes(top, top->windowTitle()) : std::string();
}

bool WindowResizable(int32_t window) {
    QWidget* top = qtb::TopWindow(window);
    return top && top->minimumSize() != top->maximumSize();
}

Rect ControlRect(int32_t control) {
    QWidget* widget = qtb::ControlWidget(control);
    if (!widget) return {};
    QRect r = widget->geometry();
    return Rect{r.x(), r.y(), r.width(), r.height()};
}

bool ControlExists(int32_t control) {
    return qtb::ControlWidget(control) != nullptr;
}

bool ControlEnabled(int32_t control) {
    QWidget* widget = qtb::ControlWidget(control);
    return widget && widget->isEnabled();
}

std::string ControlText(int32_t control) {
    QWidget* widget = qtb::ControlWidget(control);
    if (!widget) return {};
    if (auto* button = qobject_cast<QPushButton*>(widget)) return Bytes(button, button->text());
    if (auto* label = qobject_cast<QLabel*>(widget)) return Bytes(label, label->text());
    return widget->property(qtb::PROP_BYTES).toByteArray().toStdString();
}

std::vector<std::string> ControlRows(int32_t control) {
    std::vector<std::string> rows;
    QWidget* widget = qtb::ControlWidget(control);
    if (qtb::ControlKind(control) != qtb::Kind::ListBox) return rows;
    int32_t count = qtb::ListBoxCount(widget);
    rows.reserve(count);
    for (int32_t i = 0; i < count; ++i)
        rows.push_back(qtb::ListBoxRow(widget, i));
    return rows;
}

int32_t SelectedRow(int32_t control) {
    if (qtb::ControlKind(control) != qtb::Kind::ListBox) return -1;
    return qtb::ListBoxSelected(qtb::ControlWidget(control));
}

int32_t BarPosition(int32_t control) {
    auto* bar = qobject_cast<QProgressBar*>(qtb::ControlWidget(control));
    return bar ? bar->value() : 0;
}

int32_t FocusedControl() {
    return qtb::ControlNumber(QApplication::focusWidget());
}

int32_t RowHeight(int32_t control) {
    return qtb::ListBoxRowRect(qtb::ControlWidget(control), 0).height();
}

Picture ControlPicture(int32_t control) {
    QWidget* widget = qtb::ControlWidget(control);
    if (!widget) return {};
    Settle(widget->window(), false);
    QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    Picture picture{image.width(), image.height(), {}};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            picture.pixels.push_back(image.pixel(x, y) & 0xFFFFFF);
    return picture;
}

std::string SaveScreenshot(const std::string& name) {
    QString folder = qEnvironmentVariable("ZW_ARTIFACTS", QStringLiteral("artifacts"));
    QDir().mkpath(folder);
    QString path = QDir(folder).filePath(QString::fromStdString(name) + QStringLiteral(".png"));
    QScreen* screen = QGuiApplication::primaryScreen();
    QWidget* top = AnyOpenWindow();
    QPixmap picture;
    if (top) {
        Settle(top, false);
        top->repaint();
        QApplication::processEvents();
        // The window with its frame from the screen, where the platform can read the screen back.
        QRect frame = top->frameGeometry().translated(-screen->geometry().topLeft());
        picture = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
        if (picture.isNull() || picture.size() != frame.size()) picture = top->grab();
    } else {
        picture = screen->grabWindow(0);
    }
    if (!picture.save(path, "PNG")) return {};
    return QFile::encodeName(path).toStdString();
}

void UserClick(int32_t control) {
    QWidget* widget = qtb::ControlWidget(control);
    if (!widget) return;
    QWidget* target = MouseTarget(widget);
    Mouse(QTest::MouseClick, target, target->mapFrom(widget, widget->rect().center()));
}

void UserClickRow(int32_t control, int32_t row) {
    QWidget* widget = qtb::ControlWidget(control);
    QRect rect = qtb::ListBoxRowRect(widget, row);
    if (rect.isEmpty()) return;
    Mouse(QTest::MouseClick, MouseTarget(widget), rect.center());
}

void UserDoubleClickRow(int32_t control, int32_t row) {
    QWidget* widget = qtb::ControlWidget(control);
    QRect rect = qtb::ListBoxRowRect(widget, row);
    if (rect.isEmpty()) return;
    Mouse(QTest::MouseDClick, MouseTarget(widget), rect.center());
}

void UserKey(Key key) {
    QWidget* top = QApplication::activeWindow();
    if (!top) top = AnyOpenWindow();
    if (!top) return;
    Settle(top, true);
    QWindow* window = top->windowHandle();
    switch (key) {
    case Key::Tab:
        return QTest::keyClick(window, Qt::Key_Tab);
    case Key::ShiftTab:
        return QTest::keyClick(window, Qt::Key_Backtab, Qt::ShiftModifier);
    case Key::Up:
        return QTest::keyClick(window, Qt::Key_Up);
    case Key::Down:
        return QTest::keyClick(window, Qt::Key_Down);
    case Key::Space:
        return QTest::keyClick(window, Qt::Key_Space, Qt::NoModifier);
    case Key::Enter:
        return QTest::keyClick(window, Qt::Key_Return);
    }
}

void UserCloseBox(int32_t window) {
    QWidget* top = qtb::TopWindow(window);
    if (!top) return;
    Settle(top, false);
    // Through the window system's close request, as the title bar's box sends it.
    top->windowHandle()->close();
}

void ClicksWhileBusy(const std::function<void()>& action) {
    Held().holding = true;
    action();
    Held().holding = false;
    QCoreApplication::postEvent(&Held(), new QEvent(HeldClicks::RELEASE));
}

std::vector<SeenEvent> EventsOf(const std::function<void()>& action) {
    qtb::EnsureApplication();
    action();
    Sentinel sentinel;
    QCoreApplication::postEvent(&sentinel, new QEvent(QEvent::User), Qt::LowEventPriority);
    std::vector<SeenEvent> seen;
    while (!sentinel.arrived || qtb::EventsQueued()) {
        int32_t code = WaitEvent();
        if (code == EVENT_CONTROL)
            seen.push_back({code, EventControl()});
        else if (code == EVENT_CLOSE || code == EVENT_SIZE)
            seen.push_back({code, -1});
    }
    return seen;
}

bool FolderChooserOpen() {
    return OpenFolderChooser() != nullptr;
}

void UserChooseFolder(const std::string& folder) {
    QFileDialog* dialog = OpenFolderChooser();
    if (!dialog) return;
    Settle(dialog, true);
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!edit) return;
    // Click into the name field, replace what it holds with the path, and press the accept button.
    Mouse(QTest::MouseClick, edit, edit->rect().center());
    QTest::keyClick(dialog->windowHandle(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, QFile::decodeName(QByteArray::fromStdString(folder)));
    if (QCompleter* completer = edit->completer(); completer && completer->popup()->isVisible())
        completer->popup()->hide();
    Press(DialogButton(dialog, QDialogButtonBox::AcceptRole));
}

void UserCancelFolderChooser() {
    if (QFileDialog* dialog = OpenFolderChooser()) Press(DialogButton(dialog, QDialogButtonBox::RejectRole));
}

bool MessageBoxOpen() {
    return OpenMessageBox() != nullptr;
}

std::string MessageBoxTitle() {
    QMessageBox* box = OpenMessageBox();
    return box ? Bytes(box, box->windowTitle()) : std::string();
}

std::string MessageBoxText() {
    QMessageBox* box = OpenMessageBox();
    return box ? qtb::ProgramBytes(box->text(), box->property(qtb::PROP_TEXT_BYTES).toByteArray())
               : std::string();
}

void UserConfirmMessageBox() {
    if (QMessageBox* box = OpenMessageBox()) Press(box->button(QMessageBox::Ok));
}

void WithUser(const std::function<void()>& body, const std::vector<std::function<bool()>>& steps,
              int32_t timeoutMs) {
    qtb::EnsureApplication(); // the steps' timer needs the event loop that the program runs
    size_t next = 0;
    bool running = false, timedOut = false;
    QElapsedTimer since, lastEnd;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        // Not while a step's own event processing fires the timer again, and not before the program's
        // wait has handled what its last command left pending.
        if (running || qtb::WaitIsDraining()) return;
        running = true;
        if (timedOut) {
            if (!lastEnd.isValid() || lastEnd.elapsed() > 200) {
                EndEverything();
                lastEnd.restart();
            }
        } else if (next < steps.size() && steps[next]()) {
            ++next;
            since.restart();
        } else if (since.elapsed() > timeoutMs) {
            if (next < steps.size())
                ADD_FAILURE() << "step " << next << " did not succeed within " << timeoutMs << " ms";
            else
                ADD_FAILURE() << "the program did not return within " << timeoutMs
                              << " ms after the last step";
            timedOut = true;
            EndEverything();
            lastEnd.restart();
        }
        running = false;
    });
    since.start();
    timer.start();
    body();
    timer.stop();
    if (!timedOut && next < steps.size())
        ADD_FAILURE() << "the program returned before step " << next << " of " << steps.size();
}

} // namespace driver
