// Qt only: what the Qt backend adds to the shared behaviour: how odd bytes are shown, bars that paint
// without an event loop, the chooser opening on its folder, and the driver ending what hangs.
#include "../../window/test_window.h"

#include "platform/qt/qt_backend.h"

#include <gtest/gtest-spi.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QScreen>

#include <filesystem>

namespace testwin {
namespace {

using QtBackend = WindowTest;

QString Shown(int32_t list, int row) {
    auto* view = static_cast<QAbstractItemView*>(qtb::ControlWidget(list));
    return view->model()->index(row, 0).data(Qt::DisplayRole).toString();
}

TEST(QtDisplayText, InvalidUtf8BytesShowAsEscapesAndValidTextAsItself) {
    EXPECT_EQ(qtb::DisplayText("Größe.txt"), QStringLiteral("Größe.txt"));
    EXPECT_EQ(qtb::DisplayText("a\xFF"
                               "b"),
              QStringLiteral("a\\xFFb"));
    EXPECT_EQ(qtb::DisplayText("caf\xE9.txt"), QStringLiteral("caf\\xE9.txt"));     // Latin-1 é
    EXPECT_EQ(qtb::DisplayText("\xC3"), QStringLiteral("\\xC3"));                   // cut-off sequence
    EXPECT_EQ(qtb::DisplayText("\xC0\xAF"), QStringLiteral("\\xC0\\xAF"));          // overlong "/"
    EXPECT_EQ(qtb::DisplayText("\xED\xA0\x80"), QStringLiteral("\\xED\\xA0\\x80")); // a surrogate
    EXPECT_EQ(qtb::DisplayText("\xF0\x9F\x98\x80"), QString::fromUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ(qtb::DisplayText(""), QString());
}

TEST_F(QtBackend, RowsAndTextsWithOddBytesAreShownReadablyAndReadBackAsTheirBytes) {
    const std::string latin1 = "/daten/caf\xE9.txt";
    InsertRow(Members, -1, latin1);
    InsertRow(Members, -1, "/daten/ok.txt");
    EXPECT_EQ(Shown(Members, 0), QStringLiteral("/daten/caf\\xE9.txt"));
    EXPECT_EQ(driver::ControlRows(Members), (std::vector<std::string>{latin1, "/daten/ok.txt"}));

    SetControlText(GroupsHeading, "x\xFFy");
    EXPECT_EQ(static_cast<QLabel*>(qtb::ControlWidget(GroupsHeading))->text(), QStringLiteral("x\\xFFy"));
    EXPECT_EQ(driver::ControlText(GroupsHeading), "x\xFFy");
}

TEST_F(QtBackend, NoControlHasTheFocusAtFirstNorAfterTheFocusedOneIsDisabled) {
    EXPECT_EQ(driver::FocusedControl(), -1);
    EXPECT_EQ(EventsOf([] { driver::UserKey(driver::Key::Tab); }), "");
    EXPECT_EQ(driver::FocusedControl(), AddFolder);
    EXPECT_EQ(EventsOf([] { driver::UserClick(DeleteMarked); }), "control 7");
    ASSERT_EQ(driver::FocusedControl(), DeleteMarked);
    // Disabled by the program, it hands the focus to its window, not to the next control.
    EXPECT_EQ(EventsOf([] { SetControlDisabled(DeleteMarked, 1); }), "");
    EXPECT_EQ(driver::FocusedControl(), -1);
    EXPECT_EQ(EventsOf([] { driver::UserKey(driver::Key::Space); }), "");
    EXPECT_EQ(EventsOf([] { driver::UserKey(driver::Key::ShiftTab); }), "");
    EXPECT_EQ(driver::FocusedControl(), DeleteAll);
}

TEST_F(QtBackend, ABarIsPaintedAtOnceWithoutTheEventLoop) {
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
    ASSERT_FALSE(empty.isNull());
    ASSERT_EQ(empty.size(), full.size());
    // The middle of a full bar has the highlight colour; of an empty one not.
    QPoint middle(full.width() / 2, full.height() / 2);
    EXPECT_NE(empty.pixelColor(middle), full.pixelColor(middle));
    EXPECT_EQ(bar->value(), 100);
    // Beyond the range it stays at the end, as a progress bar does.
    SetControlValue(BarOverall, 250);
    EXPECT_EQ(driver::BarPosition(BarOverall), 100);
    SetControlValue(BarOverall, -5);
    EXPECT_EQ(driver::BarPosition(BarOverall), 0);
}

TEST_F(QtBackend, TheFolderChooserIsQtsOwnOpenOnTheInitialFolderWithItsTitle) {
    namespace fs = std::filesystem;
    fs::path folder = fs::canonical(fs::temp_directory_path()) / "zw-qt-chooser-Größe";
    fs::create_directories(folder / "innen");
    std::string chosen = "unset";
    QString shownFolder, shownTitle;
    bool widgets = false;
    driver::WithUser([&] { chosen = ChooseFolder("Pfad hinzufügen...", folder.string() + "/"); },
                     {[] { return driver::FolderChooserOpen(); },
                      [&] {
                          auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                          shownFolder = dialog->directory().absolutePath();
                          shownTitle = dialog->windowTitle();
                          widgets = dialog->testOption(QFileDialog::DontUseNativeDialog);
                          QString artifacts = qEnvironmentVariable("ZW_ARTIFACTS", "artifacts");
                          QDir().mkpath(artifacts);
                          dialog->grab().save(artifacts + "/folder-chooser.png");
                          // Confirming at once takes the folder it opened on.
                          static_cast<QDialog*>(dialog)->accept();
                          return true;
                      }});
    EXPECT_EQ(shownFolder, QString::fromStdString(folder.string()));
    EXPECT_EQ(shownTitle, QStringLiteral("Pfad hinzufügen..."));
    EXPECT_TRUE(widgets);
    EXPECT_EQ(chosen, folder.string() + "/");
    fs::remove_all(folder);
}

TEST_F(QtBackend, AStepThatNeverSucceedsFailsTheTestAndEndsTheDialog) {
    bool returned = false;
    EXPECT_NONFATAL_FAILURE(driver::WithUser(
                                [&] {
                                    ShowMessageBox("Credits", "Zeile", 0);
                                    returned = true;
                                },
                                {[] { return false; }}, 300),
                            "did not succeed within 300 ms");
    EXPECT_TRUE(returned);
    EXPECT_FALSE(driver::MessageBoxOpen());
}

TEST_F(QtBackend, AProgramThatDoesNotEndIsAskedToCloseAfterTheTimeout) {
    // A loop that runs until the close request, as the program's does.
    EXPECT_NONFATAL_FAILURE(driver::WithUser(
                                [] {
                                    while (WaitEvent() != EVENT_CLOSE) {
                                    }
                                },
                                {}, 300),
                            "did not return within 300 ms");
    EXPECT_TRUE(driver::WindowOpen(0));
}

} // namespace
} // namespace testwin
