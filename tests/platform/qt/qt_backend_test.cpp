// Qt only: what the Qt backend adds to the shared behaviour: how odd bytes are shown, bars that paint
// without an event loop and the chooser opening on its folder.
#include "core/test_tree.h"
#include "driver/window_fixture.h"
#include "platform/qt/qt_backend.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QScreen>

namespace testwin {
namespace {

using QtBackend = WindowTest;

TEST_F(QtBackend, InvalidUtf8IsShownAsEscapesAndReadBackAsItsBytes) {
    const std::pair<const char*, QString> shown[] = {
        {"Größe.txt", QStringLiteral("Größe.txt")},
        {"caf\xE9.txt", QStringLiteral("caf\\xE9.txt")},     // Latin-1 é
        {"\xC3", QStringLiteral("\\xC3")},                   // cut-off sequence
        {"\xC0\xAF", QStringLiteral("\\xC0\\xAF")},          // overlong "/"
        {"\xED\xA0\x80", QStringLiteral("\\xED\\xA0\\x80")}, // a surrogate
        {"\xF0\x9F\x98\x80", QString::fromUtf8("\xF0\x9F\x98\x80")},
    };
    for (const auto& [bytes, text] : shown)
        EXPECT_EQ(qtb::DisplayText(bytes), text) << bytes;

    InsertRow(LstMembers, -1, "/daten/caf\xE9.txt");
    InsertRow(LstMembers, -1, "/daten/ok.txt");
    auto* view = static_cast<QAbstractItemView*>(qtb::ControlWidget(LstMembers));
    EXPECT_EQ(view->model()->index(0, 0).data(Qt::DisplayRole).toString(),
              QStringLiteral("/daten/caf\\xE9.txt"));
    EXPECT_EQ(driver::ControlRows(LstMembers),
              (std::vector<std::string>{"/daten/caf\xE9.txt", "/daten/ok.txt"}));
    SetControlText(LblGroups, "x\xFFy");
    EXPECT_EQ(static_cast<QLabel*>(qtb::ControlWidget(LblGroups))->text(), QStringLiteral("x\\xFFy"));
    EXPECT_EQ(driver::ControlText(LblGroups), "x\xFFy");
}

TEST_F(QtBackend, NoControlHasTheFocusAtFirstNorAfterTheFocusedOneIsDisabled) {
    EXPECT_EQ(driver::FocusedControl(), -1);
    EXPECT_EQ(EventText([] { driver::UserClick(BtnDeleteMarked); }), "control 7");
    // Disabled by the program, it hands the focus to its window, not to the next control.
    EXPECT_EQ(EventText([] { SetControlDisabled(BtnDeleteMarked, 1); }), "");
    EXPECT_EQ(driver::FocusedControl(), -1);
    EXPECT_EQ(EventText([] { driver::UserKey(driver::Key::Space); }), "");
}

TEST_F(QtBackend, ABarIsPaintedAtOnceWithoutTheEventLoopAndStaysInItsRange) {
    auto* bar = static_cast<QProgressBar*>(qtb::ControlWidget(BarOverall));
    driver::EventsOf([] {});
    QScreen* screen = QGuiApplication::primaryScreen();
    auto picture = [&] {
        QRect area(bar->mapToGlobal(QPoint(0, 0)) - screen->geometry().topLeft(), bar->size());
        return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
    };
    QImage empty = picture();
    SetControlValue(BarOverall, 100); // no event is processed between this and the picture
    QImage full = picture();
    ASSERT_EQ(empty.size(), full.size());
    ASSERT_FALSE(empty.isNull());
    QPoint middle(full.width() / 2, full.height() / 2);
    EXPECT_NE(empty.pixelColor(middle), full.pixelColor(middle));
    for (auto [value, position] : {std::pair{250, 100}, {-5, 0}}) {
        SetControlValue(BarOverall, value);
        EXPECT_EQ(driver::BarPosition(BarOverall), position);
    }
}

TEST_F(QtBackend, TheFolderChooserIsQtsOwnOpenOnTheInitialFolderWithItsTitle) {
    const test_tree::TempTree tree;
    const std::string folder = tree.AddFolder("Größe");
    std::string chosen = "unset";
    QString shownFolder, shownTitle;
    bool widgets = false;
    driver::WithUser([&] { chosen = ChooseFolder("Pfad hinzufügen...", folder + "/"); },
                     {[] { return driver::FolderChooserOpen(); },
                      [&] {
                          auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                          shownFolder = dialog->directory().absolutePath();
                          shownTitle = dialog->windowTitle();
                          widgets = dialog->testOption(QFileDialog::DontUseNativeDialog);
                          QString artifacts = qEnvironmentVariable("ZW_ARTIFACTS", "artifacts");
                          QDir().mkpath(artifacts);
                          dialog->grab().save(artifacts + "/folder-chooser.png");
                          static_cast<QDialog*>(dialog)->accept(); // takes the folder it opened on
                          return true;
                      }});
    EXPECT_EQ(shownFolder, QString::fromStdString(folder));
    EXPECT_EQ(shownTitle, QStringLiteral("Pfad hinzufügen..."));
    EXPECT_TRUE(widgets);
    EXPECT_EQ(chosen, folder + "/");
}

} // namespace
} // namespace testwin
