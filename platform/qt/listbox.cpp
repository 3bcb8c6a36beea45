// List boxes: a QListView over a compact row store. Single selection, rows in insertion order, and
// only the user's selection changes and double clicks become events.
#include "platform/events.h"
#include "platform/qt/qt_backend.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QFocusEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QStringListModel>

#include <string>
#include <vector>

namespace qtb {
namespace {

// Windows' control font gives list rows of 12 pixels, and lines of text 11 pixels high.
constexpr int WINDOWS_ROW_HEIGHT = 12;
constexpr int SMALLEST_TEXT_HEIGHT = 11;

struct RowFont {
    QFont font;
    int rowHeight;
};

// The system font, made smaller while a row is higher than on Windows and the text is still as high
// as Windows' own: the lists then show as many rows as there.
const RowFont& ChosenFont() {
    static const RowFont chosen = [] {
        QListView probe;
        QStringListModel rows({QStringLiteral("Äg")});
        probe.setModel(&rows);
        QFont font = QApplication::font(&probe);
        probe.setFont(font);
        RowFont best{font, probe.sizeHintForRow(0)};
        for (int pixels = QFontInfo(font).pixelSize() - 1; best.rowHeight > WINDOWS_ROW_HEIGHT && pixels > 0;
             --pixels) {
            font.setPixelSize(pixels);
            if (QFontMetrics(font).height() < SMALLEST_TEXT_HEIGHT) break;
            probe.setFont(font);
            best = RowFont{font, probe.sizeHintForRow(0)};
        }
        return best;
    }();
    return chosen;
}

// All rows in one byte buffer with their end offsets: a million rows cost their text plus 8 bytes each.
// Appended rows are announced to the view in one batch, when the event loop next runs or before any
// other operation, so that appending a row costs no view work of its own.
class RowModel : public QAbstractListModel {
  public:
    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(shown_);
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount()) return {};
        if (role == Qt::DisplayRole) return DisplayText(Row(index.row()));
        if (role == Qt::UserRole) {
            std::string_view row = Row(index.row());
            return QByteArray(row.data(), static_cast<qsizetype>(row.size()));
        }
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid()) return Qt::NoItemFlags;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    }

    int32_t Count() const { return static_cast<int32_t>(ends_.size()); }

    std::string_view Row(int row) const {
        size_t begin = row == 0 ? 0 : ends_[row - 1];
        return std::string_view(bytes_).substr(begin, ends_[row] - begin);
    }

    void Append(std::string_view text) {
        bytes_.append(text);
        ends_.push_back(bytes_.size());
        if (!announcing_) {
            announcing_ = true;
            QCoreApplication::postEvent(this, new QEvent(QEvent::User));
        }
    }

    void Insert(int row, std::string_view text) {
        Announce();
        if (static_cast<size_t>(row) == ends_.size()) return Append(text);
        beginInsertRows(QModelIndex(), row, row);
        size_t at = row == 0 ? 0 : ends_[row - 1];
        bytes_.insert(at, text);
        ends_.insert(ends_.begin() + row, at + text.size());
        for (size_t i = row + 1; i < ends_.size(); ++i)
            ends_[i] += text.size();
        ++shown_;
        endInsertRows();
    }

    void Remove(int row) {
        Announce();
        beginRemoveRows(QModelIndex(), row, row);
        size_t at = row == 0 ? 0 : ends_[row - 1];
        size_t length = ends_[row] - at;
        bytes_.erase(at, length);
        ends_.erase(ends_.begin() + row);
        for (size_t i = row; i < ends_.size(); ++i)
            ends_[i] -= length;
        --shown_;
        endRemoveRows();
    }

    void Clear() {
        beginResetModel();
        std::string().swap(bytes_);
        std::vector<size_t>().swap(ends_);
        shown_ = 0;
        endResetModel();
    }

    // Tells the view about the rows appended since it last heard.
    void Announce() {
        if (shown_ == ends_.size()) return;
        beginInsertRows(QModelIndex(), static_cast<int>(shown_), static_cast<int>(ends_.size() - 1));
        shown_ = ends_.size();
        endInsertRows();
    }

  protected:
    bool event(QEvent* event) override {
        if (event->type() != QEvent::User) return QAbstractListModel::event(event);
        announcing_ = false;
        Announce();
        return true;
    }

  private:
    std::string bytes_;
    std::vector<size_t> ends_;
    size_t shown_ = 0; // rows the view knows of
    bool announcing_ = false;
};

class ListBox : public QListView {
  public:
    ListBox(QWidget* parent, int32_t number) : QListView(parent), number_(number) {
        setModel(&model_);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setUniformItemSizes(true);
        setTextElideMode(Qt::ElideNone); // long rows are cut off at the edge, never shortened
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setFocusPolicy(Qt::StrongFocus);
        connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
            if (!programmatic_) QueueEvent(EVENT_CONTROL, number_ & 0xFFFF);
            viewport()->update(); // the focus frame comes or goes with the selection
        });
    }

    RowModel& Model() { return model_; }

    // Changes made by the program raise no event, whatever the view does with the selection meanwhile.
    template <typename F> void Programmatic(F&& change) {
        bool outer = programmatic_;
        programmatic_ = true;
        change();
        programmatic_ = outer;
    }

    int32_t Selected() const {
        const QItemSelection selection = selectionModel()->selection();
        return selection.isEmpty() ? -1 : selection.first().top();
    }

    void Select(int32_t row) {
        Programmatic([&] {
            if (row == -1) {
                selectionModel()->clear();
            } else if (row >= 0 && row < model_.Count()) {
                model_.Announce();
                QModelIndex index = model_.index(row);
                selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
                scrollTo(index);
            }
        });
    }

  protected:
    // One row at a time, chosen by the press; Ctrl does not deselect, the release changes nothing.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override {
        if (!index.isValid()) return QItemSelectionModel::NoUpdate;
        if (event && event->type() == QEvent::MouseButtonRelease) return QItemSelectionModel::NoUpdate;
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    }

    // Only the left button selects, as in a list box. A click on the selected row is reported as well,
    // as a Windows list box reports every click on a row.
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return event->accept();
        QModelIndex index = indexAt(event->position().toPoint());
        bool again = index.isValid() && index.row() == Selected();
        QListView::mousePressEvent(event);
        if (again) QueueEvent(EVENT_CONTROL, number_ & 0xFFFF);
    }

    // Qt makes the first row current when the focus comes, and the first Down would then move on to the
    // second: without a selected row there is no current row, and the arrow keys start at the first.
    void focusInEvent(QFocusEvent* event) override {
        bool current = currentIndex().isValid();
        QListView::focusInEvent(event);
        if (!current && Selected() == -1)
            selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        viewport()->update();
    }

    void focusOutEvent(QFocusEvent* event) override {
        QListView::focusOutEvent(event);
        viewport()->update();
    }

    // Without a selected row the focus shows as a dotted frame where the first row is or would be, as on
    // Windows; otherwise the selection shows it.
    void paintEvent(QPaintEvent* event) override {
        QListView::paintEvent(event);
        if (!hasFocus() || Selected() != -1) return;
        int top = model_.rowCount() > 0 ? visualRect(model_.index(0)).top() : 0;
        QPainter painter(viewport());
        QPen pen(palette().color(QPalette::Text));
        pen.setDashPattern({1, 1});
        painter.setPen(pen);
        painter.drawRect(0, top, viewport()->width() - 1, ChosenFont().rowHeight - 1);
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return event->accept();
        bool onRow = indexAt(event->position().toPoint()).isValid();
        QListView::mouseDoubleClickEvent(event);
        if (onRow) QueueEvent(EVENT_CONTROL, number_ & 0xFFFF);
    }

  private:
    RowModel model_;
    int32_t number_;
    bool programmatic_ = false;
};

ListBox* AsListBox(QWidget* widget) {
    return dynamic_cast<ListBox*>(widget);
}

} // namespace

const QFont& ControlFont() {
    return ChosenFont().font;
}

QWidget* NewListBox(QWidget* parent, int32_t number) {
    return new ListBox(parent, number);
}

int32_t ListBoxSelected(QWidget* widget) {
    ListBox* list = AsListBox(widget);
    return list ? list->Selected() : 0;
}

void ListBoxSelect(QWidget* widget, int32_t row) {
    if (ListBox* list = AsListBox(widget)) list->Select(row);
}

void ListBoxInsert(QWidget* widget, int32_t position, std::string_view text) {
    ListBox* list = AsListBox(widget);
    if (!list) return;
    int32_t count = list->Model().Count();
    if (position == -1) position = count;
    if (position < 0 || position > count) return;
    list->Programmatic([&] { list->Model().Insert(position, text); });
}

// The selection stays on its row; deleting the selected row leaves none selected.
void ListBoxDelete(QWidget* widget, int32_t row) {
    ListBox* list = AsListBox(widget);
    if (!list || row < 0 || row >= list->Model().Count()) return;
    int32_t selected = list->Selected();
    list->Programmatic([&] { list->Model().Remove(row); });
    list->Select(selected == row ? -1 : selected > row ? selected - 1 : selected);
}

void ListBoxClear(QWidget* widget) {
    ListBox* list = AsListBox(widget);
    if (!list) return;
    list->Programmatic([&] { list->Model().Clear(); });
}

int32_t ListBoxCount(QWidget* widget) {
    ListBox* list = AsListBox(widget);
    return list ? list->Model().Count() : 0;
}

std::string ListBoxRow(QWidget* widget, int32_t row) {
    ListBox* list = AsListBox(widget);
    if (!list || row < 0 || row >= list->Model().Count()) return {};
    list->Model().Announce();
    QModelIndex index = list->Model().index(row);
    return ProgramBytes(index.data(Qt::DisplayRole).toString(), index.data(Qt::UserRole).toByteArray());
}

QRect ListBoxRowRect(QWidget* widget, int32_t row) {
    ListBox* list = AsListBox(widget);
    if (!list || row < 0 || row >= list->Model().Count()) return {};
    list->Model().Announce();
    QModelIndex index = list->Model().index(row);
    list->scrollTo(index);
    return list->visualRect(index);
}

} // namespace qtb
