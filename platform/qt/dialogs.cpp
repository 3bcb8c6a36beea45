// Modal dialogs on Qt: the message box and the folder chooser. Paths are the file system's raw bytes.
#include "platform/dialogs.h"
#include "platform/qt/qt_backend.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

constexpr int32_t BUTTON_OK = 1;

// The owner: our window that is active, so that the dialog shows in front of it.
QWidget* Owner() {
    QWidget* active = QApplication::activeWindow();
    return active && qtb::TopWindowNumber(active) >= 0 ? active : nullptr;
}

} // namespace

int32_t ShowMessageBox(const std::string& title, const std::string& text, int32_t) {
    if (!QApplication::instance()) return 0;
    QMessageBox box(Owner());
    box.setWindowTitle(qtb::DisplayText(title));
    box.setProperty(qtb::PROP_BYTES, QByteArray::fromStdString(title));
    box.setProperty(qtb::PROP_TEXT_BYTES, QByteArray::fromStdString(text));
    box.setTextFormat(Qt::PlainText); // a file name is never taken for markup
    box.setText(qtb::DisplayText(text));
    box.setIcon(QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return BUTTON_OK;
}

std::string ChooseFolder(const std::string& title, const std::string& initialFolder) {
    if (!QApplication::instance()) return {};
    // A folder given with its trailing separator opens as the folder itself; nothing given opens home.
    std::string initial = initialFolder;
    while (initial.size() > 1 && initial.back() == '/')
        initial.pop_back();
    QString start = QFile::decodeName(QByteArray::fromStdString(initial));
    // A folder that has gone since opens on what is left of its path.
    while (!start.isEmpty() && !QFileInfo(start).isDir()) {
        QString parent = QFileInfo(start).path();
        start = parent == start ? QString() : parent;
    }
    if (initial.empty() || start.isEmpty()) start = QDir::homePath();

    // Qt's own dialog, so that it looks and behaves the same on every desktop.
    QFileDialog dialog(Owner(), qtb::DisplayText(title), start);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};

    std::string folder = QFile::encodeName(QDir::cleanPath(dialog.selectedFiles().first())).toStdString();
    if (folder.empty()) return {};
    if (folder.back() != '/') folder += '/';
    return folder;
}
