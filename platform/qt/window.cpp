// Window system services on Qt 6 Widgets: numbered top-level windows and numbered controls inside
// them. Program strings are UTF-8 bytes, converted only for display.
#include "platform/common/utf8.h"
#include "platform/events.h"
#include "platform/qt/qt_backend.h"
#include "platform/window_services.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionProgressBar>
#include <QStylePainter>
#include <QTranslator>
#include <QWidget>

#include <algorithm>
#include <unordered_map>

namespace qtb {
namespace {

// A top-level window: the close box only asks, fixed client size, and it is centred on the screen
// by its frame, which the window manager makes known only once the window is shown.
class FramedWindow : public QWidget {
  public:
    explicit FramedWindow(bool centre) : centre_(centre) {}

    void Centre() {
        if (!centre_) return;
        QRect screen = QGuiApplication::primaryScreen()->geometry();
        QSize frame = frameGeometry().size();
        // Halves by arithmetic shift, as the frame is placed on every platform.
        int left = screen.x() + (screen.width() >> 1) - (frame.width() >> 1);
        int top = screen.y() + (screen.height() >> 1) - (frame.height() >> 1);
        move(left, top);
        framed_ = frame != size();
    }

  protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        QueueEvent(EVENT_CLOSE, 0);
    }

    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        QueueEvent(EVENT_SIZE, 0);
    }

    bool event(QEvent* event) override {
        bool handled = QWidget::event(event);
        // Once the frame has its real size, centre again by it.
        if (!framed_ && (event->type() == QEvent::Move || event->type() == QEvent::Show) &&
            frameGeometry().size() != size())
            Centre();
        return handled;
    }

  private:
    bool centre_;
    bool framed_ = false;
};

// A vertical or horizontal bar without text. Fusion draws a line of the bar's colour even at the
// minimum: there an empty bar shows its groove only.
class Bar : public QProgressBar {
  public:
    using QProgressBar::QProgressBar;

  protected:
    void paintEvent(QPaintEvent* event) override {
        if (value() > minimum()) return QProgressBar::paintEvent(event);
        QStylePainter painter(this);
        QStyleOptionProgressBar option;
        initStyleOption(&option);
        painter.drawControl(QStyle::CE_ProgressBarGroove, option);
    }
};

// A control's entry, if the number was created and its widget still lives.
ControlEntry* Entry(int32_t number) {
    auto& controls = State().controls.table;
    auto it = controls.find(number);
    if (it == controls.end() || !it->second.widget) return nullptr;
    return &it->second;
}

void SetBytes(QWidget* widget, const std::string& text) {
    widget->setProperty(PROP_BYTES, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

// Places a new control in the control parent, or leaves its entry without a widget.
WindowHandle AddControl(int32_t number, Kind kind, int32_t x, int32_t y, int32_t width, int32_t height,
                        QWidget* (*make)(QWidget* parent, int32_t number)) {
    if (number < 0) return nullptr;
    ControlEntry& entry = State().controls.table[number];
    entry = ControlEntry{};
    QWidget* parent = State().controlParent.data();
    if (!parent) return nullptr;
    QWidget* widget = make(parent, number);
    widget->setProperty(PROP_NUMBER, number);
    widget->setProperty(PROP_KIND, static_cast<int>(kind));
    widget->setFont(ControlFont());
    widget->setGeometry(x, y, width, height);
    widget->show();
    entry.widget = widget;
    entry.kind = kind;
    return widget;
}

} // namespace

QString DisplayText(std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    size_t start = 0, i = 0;
    auto flush = [&](size_t end) {
        if (end > start) out += QString::fromUtf8(bytes.data() + start, static_cast<qsizetype>(end - start));
    };
    while (i < bytes.size()) {
        if (size_t length = zw_common::Utf8SequenceLength(bytes, i)) {
            i += length;
            continue;
        }
        flush(i);
        out += QString::asprintf("\\x%02X", static_cast<unsigned char>(bytes[i]));
        start = ++i;
    }
    flush(bytes.size());
    return out;
}

std::string ProgramBytes(const QString& displayed, const QByteArray& stored) {
    if (DisplayText(std::string_view(stored.constData(), static_cast<size_t>(stored.size()))) == displayed)
        return stored.toStdString();
    return displayed.toUtf8().toStdString();
}

QWidget* TopWindow(int32_t number) {
    const auto& windows = State().windows.table;
    auto it = windows.find(number);
    return it == windows.end() ? nullptr : it->second.data();
}

int32_t TopWindowNumber(const QWidget* widget) {
    if (!widget) return -1;
    const QWidget* top = widget->window();
    for (const auto& [number, window] : State().windows.table)
        if (window && window.data() == top) return number;
    return -1;
}

QWidget* ControlWidget(int32_t number) {
    ControlEntry* entry = Entry(number);
    return entry ? entry->widget.data() : nullptr;
}

Kind ControlKind(int32_t number) {
    ControlEntry* entry = Entry(number);
    return entry ? entry->kind : Kind::None;
}

int32_t ControlNumber(const QWidget* widget) {
    for (; widget && !widget->isWindow(); widget = widget->parentWidget()) {
        QVariant number = widget->property(PROP_NUMBER);
        if (number.isValid() && ControlWidget(number.toInt()) == widget) return number.toInt();
    }
    return -1;
}

} // namespace qtb

using namespace qtb;

Backend& qtb::State() {
    static Backend state;
    return state;
}

void qtb::EnsureApplication() {
    if (!QApplication::instance()) {
        // The program takes no arguments; the application keeps these for its life.
        static int argc = 1;
        static char programName[] = "zwillingsfeger";
        static char* argv[] = {programName, nullptr};
        auto* application = new QApplication(argc, argv);
        // Desktops find the program's menu entry and icon by this name (on Wayland, its app id).
        QGuiApplication::setDesktopFileName(QStringLiteral(ZW_APP_ID));
        // Qt's own dialog texts in the user's language, where Qt has them.
        auto* translator = new QTranslator(application);
        if (translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            application->installTranslator(translator);
    }
}

void InitControlServices() {
    EnsureApplication();
    State().controls = {};
    InstallKeyboardFilter();
}

void InitWindowServices() {
    State().windows = {};
}

WindowHandle OpenTopWindow(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height, int32_t flags,
                           const std::string& title) {
    if (number < 0 || !QApplication::instance()) return nullptr;
    CloseTopWindow(number);
    bool centre = flags & WINDOW_CENTRE_SCREEN;
    auto* window = new FramedWindow(centre);
    Qt::WindowFlags frame = Qt::Window | Qt::CustomizeWindowHint;
    if (flags & (WINDOW_CAPTION | WINDOW_SYSMENU)) frame |= Qt::WindowTitleHint;
    if (flags & WINDOW_SYSMENU) frame |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    window->setWindowFlags(frame);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setProperty(PROP_NUMBER, number);
    window->setWindowTitle(DisplayText(title));
    SetBytes(window, title);
    window->setFixedSize(std::max(0, width), std::max(0, height));
    // Keys go to the window itself until a control is clicked or tabbed to.
    window->setFocusPolicy(Qt::NoFocus);
    window->setFocus();
    if (centre)
        window->Centre();
    else
        window->move(x, y);
    window->show();
    State().windows.table[number] = window;
    State().windows.current = window;
    return window;
}

void CloseTopWindow(int32_t number) {
    auto& windows = State().windows.table;
    auto it = windows.find(number);
    if (it == windows.end()) return;
    QPointer<QWidget> window = it->second;
    windows.erase(it);
    delete window.data();
}

void CloseAllWindows() {
    const auto& windows = State().windows.table;
    while (!windows.empty())
        CloseTopWindow(windows.begin()->first);
}

WindowHandle CurrentWindow() {
    return State().windows.current.data();
}

WindowHandle SetControlParent(WindowHandle window) {
    QPointer<QWidget>& parent = State().controlParent;
    parent = nullptr;
    for (const auto& [number, open] : State().windows.table)
        if (open && open.data() == window) parent = open.data();
    return window;
}

WindowHandle CreateButton(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                          const std::string& caption) {
    WindowHandle handle =
        AddControl(number, Kind::Button, x, y, width, height, [](QWidget* parent, int32_t) -> QWidget* {
            auto* button = new QPushButton(parent);
            button->setAutoDefault(false);
            button->setDefault(false);
            button->setFocusPolicy(Qt::StrongFocus);
            QObject::connect(button, &QPushButton::clicked, button, [button] {
                QueueEvent(EVENT_CONTROL, button->property(PROP_NUMBER).toInt() & 0xFFFF);
            });
            return button;
        });
    SetControlText(number, caption);
    return handle;
}

WindowHandle CreateLabel(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                         const std::string& text) {
    WindowHandle handle =
        AddControl(number, Kind::Label, x, y, width, height, [](QWidget* parent, int32_t) -> QWidget* {
            auto* label = new QLabel(parent);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            label->setFocusPolicy(Qt::NoFocus);
            return label;
        });
    SetControlText(number, text);
    return handle;
}

WindowHandle CreateListBox(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height) {
    return AddControl(number, Kind::ListBox, x, y, width, height, NewListBox);
}

WindowHandle CreateProgressBar(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                               int32_t minimum, int32_t maximum, int32_t style) {
    // A bar that cannot be made leaves the table as it was.
    QWidget* parent = State().controlParent.data();
    if (number < 0 || !parent) return nullptr;
    auto* bar = new Bar(parent);
    bar->setOrientation(style & BAR_VERTICAL ? Qt::Vertical : Qt::Horizontal);
    bar->setTextVisible(false);
    bar->setRange(minimum, maximum);
    bar->setValue(minimum);
    bar->setFocusPolicy(Qt::NoFocus);
    bar->setProperty(PROP_NUMBER, number);
    bar->setProperty(PROP_KIND, static_cast<int>(Kind::Bar));
    bar->setGeometry(x, y, width, height);
    bar->show();
    State().controls.table[number] = ControlEntry{bar, Kind::Bar};
    return bar;
}

void SetControlDisabled(int32_t number, int32_t disabled) {
    ControlEntry* entry = Entry(number);
    if (!entry) return;
    QWidget* widget = entry->widget;
    // A control that loses its focus by being disabled hands it to its window, not to the next control.
    if (disabled && widget->window()->focusWidget() == widget)
        widget->window()->setFocus(Qt::OtherFocusReason);
    if (widget->isEnabled() == !disabled) return;
    widget->setEnabled(!disabled);
}

int32_t GetControlValue(int32_t number) {
    ControlEntry* entry = Entry(number);
    if (!entry || entry->kind != Kind::ListBox) return 0;
    return ListBoxSelected(entry->widget);
}

void SetControlValue(int32_t number, int32_t value) {
    ControlEntry* entry = Entry(number);
    if (!entry) return;
    if (entry->kind == Kind::ListBox) return ListBoxSelect(entry->widget, value);
    if (entry->kind != Kind::Bar) return;
    auto* bar = static_cast<QProgressBar*>(entry->widget.data());
    int clamped = std::clamp(value, bar->minimum(), std::max(bar->minimum(), bar->maximum()));
    if (clamped == bar->value()) return;
    bar->setValue(clamped);
    // The search sets the bars while no events are processed: paint now.
    bar->repaint();
}

void SetControlText(int32_t number, const std::string& text) {
    ControlEntry* entry = Entry(number);
    if (!entry) return;
    SetBytes(entry->widget, text);
    if (entry->kind == Kind::Button)
        static_cast<QPushButton*>(entry->widget.data())->setText(DisplayText(text));
    else if (entry->kind == Kind::Label)
        static_cast<QLabel*>(entry->widget.data())->setText(DisplayText(text));
}

void InsertRow(int32_t number, int32_t position, const std::string& text) {
    if (ControlEntry* entry = Entry(number); entry && entry->kind == Kind::ListBox)
        ListBoxInsert(entry->widget, position, text);
}

void DeleteRow(int32_t number, int32_t index) {
    if (ControlEntry* entry = Entry(number); entry && entry->kind == Kind::ListBox)
        ListBoxDelete(entry->widget, index);
}

void ClearRows(int32_t number) {
    if (ControlEntry* entry = Entry(number); entry && entry->kind == Kind::ListBox)
        ListBoxClear(entry->widget);
}

int32_t CountRows(int32_t number) {
    ControlEntry* entry = Entry(number);
    if (!entry || entry->kind != Kind::ListBox) return 0;
    return ListBoxCount(entry->widget);
}
