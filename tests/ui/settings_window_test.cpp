// The settings commands of the main window with real files and stores, the ".vrs" first
// argument, the recent settings files and the save on exit.
#include <QComboBox>
#include <QMenu>
#include <QRadioButton>
#include <QtTest>
#include <filesystem>

#include "kit/sini.h"
#include "tests/ui/form_fixture.h"

using namespace vorsel;
using vorsel::test::FormFixture;

namespace {

namespace fs = std::filesystem;

QStringList VisibleCaptions(QMenu* menu) {
  QStringList captions;
  for (const QAction* action : menu->actions()) {
    if (action->isVisible()) {
      captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
  }
  return captions;
}

QAction* ActionCaptioned(QMenu* menu, const QString& caption) {
  for (QAction* action : menu->actions()) {
    if (action->text() == caption) {
      return action;
    }
  }
  return nullptr;
}

}  // namespace

class SettingsWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void saveAsWritesTheFileAndOpenLoadsIt() {
    FormFixture f;
    f.Show();
    QTest::mouseClick(f.Find<QRadioButton>("actiongroupExport"), Qt::LeftButton);
    const std::string saved = f.store.dir / "mine.vrs";
    f.dialogs.answers.push_back(saved);
    f.Find<QAction>("Saveasfile1")->trigger();

    QCOMPARE(f.dialogs.saves.size(), size_t{1});
    QCOMPARE(f.dialogs.saves[0].Filter,
             std::string("Vorsel settings (*.vrs)|*.vrs|All files (*.*)|*.*"));
    QCOMPARE(f.dialogs.saves[0].DefaultExt, std::string(".vrs"));
    QVERIFY(!f.dialogs.saves[0].OverwritePrompt);
    QVERIFY(f.dialogs.saves[0].PathMustExist);
    QCOMPARE(f.form().windowTitle().toStdString(), "Vorsel - " + saved);
    const std::string text = test::ReadFile(saved);
    QVERIFY(text.find("Action=1") != std::string::npos);
    QVERIFY(text.find("FileTypes") == std::string::npos);  // per-user store only

    QTest::mouseClick(f.Find<QRadioButton>("actiongroupImport"), Qt::LeftButton);
    f.dialogs.answers.push_back(saved);
    f.Find<QAction>("Openfile1")->trigger();
    QCOMPARE(f.dialogs.opens.size(), size_t{1});
    QVERIFY(f.dialogs.opens[0].FileMustExist);
    QCOMPARE(f.dialogs.opens[0].FileName, saved);  // the last file is proposed
    QCOMPARE(f.form().ActionIndex(), 1);
    QVERIFY(f.Button("wavbutton")->isEnabled());
    QVERIFY(!f.Button("smpbutton")->isEnabled());

    // Both files appear once, as the recent settings files of the menu.
    QStringList captions = VisibleCaptions(f.Find<QMenu>("Settings1"));
    QCOMPARE(captions.mid(8), (QStringList{QStringLiteral("-"),
                                           QStringLiteral("&1 ") + QString::fromStdString(saved),
                                           QStringLiteral("&Clear list...")}));
  }

  void aCancelledDialogChangesNothing() {
    FormFixture f;
    f.Show();
    f.Find<QAction>("Openfile1")->trigger();
    f.Find<QAction>("Saveasfile1")->trigger();
    QCOMPARE(f.form().windowTitle(), QStringLiteral("Vorsel"));
    QCOMPARE(VisibleCaptions(f.Find<QMenu>("Settings1")).size(), 8);
  }

  void aRecentEntryLoadsItsFile() {
    FormFixture f;
    const std::string file = f.store.dir / "export.vrs";
    test::WriteFile(file, "[Common]\nAction=1\n[ExportWAV]\nEncoding=2\n");
    f.Show();
    f.dialogs.answers.push_back(file);
    f.Find<QAction>("Openfile1")->trigger();
    QTest::mouseClick(f.Find<QRadioButton>("actiongroupImport"), Qt::LeftButton);
    test::WriteFile(file, "[Common]\nAction=1\n[ExportWAV]\nEncoding=1\n");

    QAction* entry = ActionCaptioned(f.Find<QMenu>("Settings1"),
                                     QStringLiteral("&1 ") + QString::fromStdString(file));
    QVERIFY(entry != nullptr);
    entry->trigger();
    QCOMPARE(f.form().Settings().ExportWAV.Encoding, 1);
    QCOMPARE(f.form().ActionIndex(), 1);

    fs::remove(file);
    ActionCaptioned(f.Find<QMenu>("Settings1"),
                    QStringLiteral("&1 ") + QString::fromStdString(file))
        ->trigger();
    QCOMPARE(f.boxes.shown.back().caption, std::string("File not found"));
    QCOMPARE(VisibleCaptions(f.Find<QMenu>("Settings1")).size(), 8);
  }

  void saveNowAndTheExitTickUseThePerUserStore() {
    FormFixture f;
    f.Show();
    QAction* always = f.Find<QAction>("Always1");
    always->trigger();
    QVERIFY(!always->isChecked());
    QCOMPARE(TIni().ReadBool("Common", "SaveSettingsOnExit", true), false);
    f.form().close();
    QCOMPARE(TIni().ReadInteger("Common", "FileTypes", -1), -1);  // not saved on exit

    f.Restart();
    f.Show();
    QVERIFY(!f.Find<QAction>("Always1")->isChecked());
    QComboBox* filter = f.Find<QComboBox>("FilterComboBox1");
    filter->setCurrentIndex(2);
    emit filter->activated(2);
    f.Find<QAction>("Savenow1")->trigger();
    QCOMPARE(TIni().ReadInteger("Common", "FileTypes", -1), 2);
    QCOMPARE(f.form().windowTitle(), QStringLiteral("Vorsel"));
  }

  void theStoredFilterActionAndPositionComeBack() {
    FormFixture f;
    TIni ini;
    ini.WriteInteger("Common", "FileTypes", 10);
    ini.WriteInteger("Common", "Action", 1);
    ini.WriteInteger("Common", "XPos", 40);
    ini.WriteInteger("Common", "YPos", 30);
    f.Show();
    QCOMPARE(f.form().FilterIndex(), 0);  // "Custom" comes back as the sample files
    QCOMPARE(f.form().ActionIndex(), 1);
    QVERIFY(f.Button("aubutton")->isEnabled());
    QCOMPARE(f.form().Left(), 40);
    QCOMPARE(f.form().Top(), 30);
  }

  void aSettingsFileAsFirstArgumentIsLoadedAtStart() {
    test::StoreEnvironment files;
    const std::string file = files.dir / "start.VRS";
    test::WriteFile(file, "[Common]\nAction=1\nAppendString=x\n");
    FormFixture f({file});
    f.Show();
    QCOMPARE(f.form().windowTitle().toStdString(), "Vorsel - " + file);
    QCOMPARE(f.form().Settings().Common.AppendString, std::string("x"));
    QCOMPARE(f.form().ActionIndex(), 1);

    const std::string other = files.dir / "start.ini";
    test::WriteFile(other, "[Common]\nAction=1\n");
    FormFixture ignored({other});
    ignored.Show();
    QCOMPARE(ignored.form().windowTitle(), QStringLiteral("Vorsel"));
    QCOMPARE(ignored.form().ActionIndex(), 0);
  }

  void aSettingsFileThatIsNoTextIsRefusedWithAMessage() {
    test::StoreEnvironment files;
    const std::string file = files.dir / "binary.vrs";
    test::WriteFile(file, std::string("[Common]\nAction=1\n\0\0\x07", 22));
    FormFixture f({file});
    f.Show();
    QCOMPARE(f.boxes.shown.size(), size_t{1});
    QCOMPARE(f.boxes.shown[0].text, file + " is not a text file.\rThe settings were not loaded.");
    QCOMPARE(f.form().windowTitle(), QStringLiteral("Vorsel"));
    QCOMPARE(f.form().ActionIndex(), 0);

    f.dialogs.answers.push_back(file);
    f.Find<QAction>("Openfile1")->trigger();
    QCOMPARE(f.boxes.shown.size(), size_t{2});
    QCOMPARE(f.form().ActionIndex(), 0);
  }

  void aDamagedStoreIsReportedAtStart() {
    FormFixture f;
    const std::string store = f.store.UserStoreFile();
    fs::create_directories(fs::path(store).parent_path());
    test::WriteFile(store, std::string(4096, '\x7F'));
    f.Show();
    QCOMPARE(f.boxes.shown.size(), size_t{1});
    QCOMPARE(f.boxes.shown[0].text,
             store + " is damaged; the defaults are used; it was kept as " + store + ".damaged");
    QVERIFY(fs::exists(store + ".damaged"));
  }

  void closingSavesOnlyAfterTheFirstActivation() {
    FormFixture f;
    TIni().WriteInteger("Common", "FileTypes", 3);
    f.form().close();  // never shown: the defaults must not replace the store
    QCOMPARE(TIni().ReadInteger("Common", "FileTypes", -1), 3);

    f.Restart();
    f.Show();
    QCOMPARE(f.form().FilterIndex(), 3);
    QComboBox* filter = f.Find<QComboBox>("FilterComboBox1");
    filter->setCurrentIndex(5);
    emit filter->activated(5);
    f.form().close();
    QCOMPARE(TIni().ReadInteger("Common", "FileTypes", -1), 5);
  }

  void aMalformedRealInTheStoreIsReportedAndNotSavedOver() {
    FormFixture f;
    TIni().WriteString("ImportWAV", "ViewLo", "oops");
    f.Show();
    QCOMPARE(f.boxes.shown.size(), size_t{1});
    QVERIFY(f.boxes.shown[0].text.find("ImportWAV.ViewLo") != std::string::npos);
    f.form().close();
    QCOMPARE(TIni().ReadString("ImportWAV", "ViewLo", ""), std::string("oops"));
  }
};

QTEST_MAIN(SettingsWindowTest)
#include "settings_window_test.moc"
