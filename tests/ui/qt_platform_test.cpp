// The Qt side of the platform interfaces: menu items, message boxes and file dialogs.
#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "platform/qt/qt_file_dialogs.h"
#include "platform/qt/qt_menu_item.h"
#include "platform/qt/qt_message_boxes.h"
#include "tests/support/temp_dir.h"

using namespace vorsel;

namespace {

// Runs `act` on the modal window that the next call opens, once the event loop shows it.
void OnModal(std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [act = std::move(act)] {
    QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
    act(QApplication::activeModalWidget());
  });
}

}  // namespace

class QtPlatformTest : public QObject {
  Q_OBJECT

 private slots:
  void menuItemsInsertRemoveAndClick() {
    QMenu menu;
    menu.addAction(QStringLiteral("Fixed"));
    QtMenuItem root(menu);
    std::unique_ptr<MenuItem> entry = root.CreateItem();
    std::unique_ptr<MenuItem> bar = root.CreateItem();
    entry->SetCaption("&1 /data/a.vrs");
    entry->SetTag(7);
    bar->SetCaption("-");
    root.Insert(100, *entry);
    root.Insert(1, *bar);
    QCOMPARE(root.Count(), 3);
    QCOMPARE(menu.actions().at(1)->isSeparator(), true);
    QCOMPARE(menu.actions().at(2)->text(), QStringLiteral("&1 /data/a.vrs"));
    QCOMPARE(bar->Caption(), std::string("-"));
    QCOMPARE(entry->Tag(), 7);

    int clickedTag = 0;
    entry->SetOnClick([&](MenuItem& sender) { clickedTag = sender.Tag(); });
    menu.actions().at(2)->trigger();
    QCOMPARE(clickedTag, 7);

    entry->SetVisible(false);
    QVERIFY(!menu.actions().at(2)->isVisible());
    QVERIFY(!entry->Visible());
    entry->SetEnabled(false);
    QVERIFY(!entry->Enabled());
    root.Remove(*entry);
    QCOMPARE(root.Count(), 2);
    root.SetCaption("&Settings");
    QCOMPARE(menu.title(), QStringLiteral("&Settings"));
  }

  void messageBoxTextBreaksLinesAtCarriageReturns() {
    QCOMPARE(MessageBoxText("/a.smp exists!\rOverwrite?"),
             QStringLiteral("/a.smp exists!\nOverwrite?"));
    QCOMPARE(MessageBoxText("one\r\ntwo"), QStringLiteral("one\ntwo"));
    QCOMPARE(MessageBoxText("Grüße"), QStringLiteral("Grüße"));
  }

  void aQuestionHasYesAndNoAndTheQuestionIcon() {
    QtMessageBoxes boxes;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    OnModal([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box != nullptr);
      icon = box->icon();
      title = box->windowTitle();
      QVERIFY(box->button(QMessageBox::Yes) != nullptr);
      QVERIFY(box->button(QMessageBox::Ok) == nullptr);
      box->button(QMessageBox::No)->click();
    });
    QCOMPARE(boxes.ShowMessageBox("x exists!\rOverwrite?", "Confirm overwrite",
                                  mbYesNo | mbIconQuestion),
             int{idNo});
    QCOMPARE(icon, QMessageBox::Question);
    QCOMPARE(title, QStringLiteral("Confirm overwrite"));

    OnModal([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      icon = box->icon();
      box->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(boxes.ShowMessageBox("Only...", "Cannot IMPORT smp", mbOk | mbIconExclamation),
             int{idOk});
    QCOMPARE(icon, QMessageBox::Warning);
  }

  void filtersBecomeQtNameFilters() {
    QCOMPARE(NameFilters(".wav files (*.wav)|*.wav|All files (*.*)|*.*"),
             (QStringList{".wav files (*.wav) (*.wav)", "All files (*.*) (*.*)"}));
    QCOMPARE(NameFilters("Audio IFF|*.aif*;*.afc"), QStringList{"Audio IFF (*.aif* *.afc)"});
    QCOMPARE(DefaultSuffix(".vrs"), QStringLiteral("vrs"));
  }

  void theSaveDialogHonoursItsRequest() {
    test::TempDir dir;
    QtFileDialogs dialogs;
    SaveDialogRequest request{.Filter = ".wav files (*.wav)|*.wav|All files (*.*)|*.*",
                              .DefaultExt = ".wav",
                              .FileName = dir / "take.wav",
                              .OverwritePrompt = true,
                              .PathMustExist = true};
    bool confirms = false;
    QString suffix;
    OnModal([&](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      QVERIFY(dialog != nullptr);
      confirms = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
      suffix = dialog->defaultSuffix();
      QCOMPARE(dialog->selectedFiles().value(0).toStdString(), dir / "take.wav");
      dialog->selectFile(QString::fromStdString(dir / "other"));
      static_cast<QDialog*>(dialog)->accept();  // the dialog takes the name as typed
    });
    QCOMPARE(dialogs.ExecuteSave(request), std::optional<std::string>(dir / "other.wav"));
    QVERIFY(confirms);
    QCOMPARE(suffix, QStringLiteral("wav"));

    OnModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    QCOMPARE(dialogs.ExecuteSave(request), std::nullopt);
  }

  void theOpenDialogWantsAnExistingFile() {
    test::TempDir dir;
    test::WriteFile(dir / "a.vrs", "[Common]\n");
    QtFileDialogs dialogs;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    OnModal([&](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      mode = dialog->fileMode();
      dialog->selectFile(QString::fromStdString(dir / "a.vrs"));
      static_cast<QDialog*>(dialog)->accept();  // the dialog takes the name as typed
    });
    const auto chosen =
        dialogs.ExecuteOpen(OpenDialogRequest{.Filter = "Vorsel settings (*.vrs)|*.vrs",
                                              .DefaultExt = ".vrs",
                                              .FileName = "",
                                              .FileMustExist = true});
    QCOMPARE(chosen, std::optional<std::string>(dir / "a.vrs"));
    QCOMPARE(mode, QFileDialog::ExistingFile);
  }
};

QTEST_MAIN(QtPlatformTest)
#include "qt_platform_test.moc"
