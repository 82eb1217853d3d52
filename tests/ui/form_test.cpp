// The main window's controls, enabling rules, menus, file browser and resize rules.
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QSplitter>
#include <QTimer>
#include <QtTest>
#include <filesystem>

#include "kit/sini.h"
#include "platform/keystore.h"
#include "probing/guess.h"
#include "tests/ui/form_fixture.h"

using namespace vorsel;
using vorsel::test::FormFixture;

namespace {

void PickFilter(FormFixture& f, int index) {
  QComboBox* box = f.Find<QComboBox>("FilterComboBox1");
  box->setCurrentIndex(index);
  emit box->activated(index);
}

std::vector<bool> ButtonStates(FormFixture& f) {
  std::vector<bool> states;
  for (const char* name :
       {"smpbutton", "wavbutton", "aubutton", "aifbutton", "nspbutton", "rawbutton"}) {
    states.push_back(f.Button(name)->isEnabled());
  }
  return states;
}

const std::vector<bool> kImportButtons = {true, false, false, false, false, false};
const std::vector<bool> kExportButtons = {false, true, true, true, true, true};

QStringList VisibleCaptions(QMenu* menu) {
  QStringList captions;
  for (const QAction* action : menu->actions()) {
    if (action->isVisible()) {
      captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
  }
  return captions;
}

void Touch(const std::string& path) {
  test::WriteFile(path, "x");
}

}  // namespace

class FormTest : public QObject {
  Q_OBJECT

 private slots:
  void controlsCarryTheirCaptionsHintsAndNames() {
    FormFixture f;
    f.Show();
    QCOMPARE(f.form().windowTitle(), QStringLiteral("Vorsel"));
    QCOMPARE(f.form().centralWidget()->size(), QSize(552, 322));
    QVERIFY(!(f.form().windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(f.form().windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(f.form().font().pointSize(), 8);

    const std::vector<std::pair<const char*, const char*>> buttons = {
        {"smpbutton", "SMP"},  {"wavbutton", "WAV"}, {"aubutton", "AU"},
        {"aifbutton", "AIFF"}, {"nspbutton", "NSP"}, {"rawbutton", "RAW"}};
    for (const auto& [name, format] : buttons) {
      QPushButton* button = f.Button(name);
      QVERIFY2(button != nullptr, name);
      QCOMPARE(button->text(), QString::fromLatin1(format) + QStringLiteral(" !"));
      QString hint = QStringLiteral("Convert selected file(s) to %1 format").arg(format);
      if (std::string_view(name) == "rawbutton") {
        hint += QStringLiteral(" (strip header)");
      }
      QCOMPARE(button->toolTip(), hint);
    }
    QCOMPARE(f.Find<QGroupBox>("actiongroup")->title(), QStringLiteral("Action"));
    QCOMPARE(f.Find<QGroupBox>("actiongroup")->toolTip(),
             QStringLiteral("Import to SMP or Export from SMP"));
    QCOMPARE(f.Find<QGroupBox>("GroupBox1")->title(), QStringLiteral("Convert to"));
    QCOMPARE(f.Find<QLabel>("Label1")->text(), QStringLiteral("File(s) to convert"));

    QComboBox* filter = f.Find<QComboBox>("FilterComboBox1");
    QCOMPARE(filter->count(), 11);
    QCOMPARE(filter->itemText(3), QStringLiteral("Audio IFF (*.aif*; .afc)"));
    QCOMPARE(filter->itemText(10), QStringLiteral("Custom"));
    QCOMPARE(filter->currentIndex(), 7);  // "a fresh store shows all importable files"

    QPlainTextEdit* memo = f.Find<QPlainTextEdit>("Memo1");
    QVERIFY(memo->isReadOnly());
    QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
    QVERIFY(f.Find<QLabel>("Image1")->isHidden());
    QVERIFY(f.Find<QLabel>("Image2")->isHidden());
    QCOMPARE(f.Find<QLabel>("Image1")->pixmap().size(), QSize(32, 32));
    QVERIFY(f.Find<QLabel>("Image1")->pixmap().toImage() !=
            f.Find<QLabel>("Image2")->pixmap().toImage());
    QCOMPARE(f.Find<QListWidget>("FileListBox1")->selectionMode(),
             QAbstractItemView::ExtendedSelection);
  }

  void everyControlHasANameAndRoleForScreenReaders() {
    FormFixture f;
    f.Show();
    const std::vector<std::tuple<const char*, QAccessible::Role, const char*>> controls = {
        {"FileListBox1", QAccessible::List, "File(s) to convert"},
        {"DirectoryListBox1", QAccessible::List, "Folder"},
        {"DriveComboBox1", QAccessible::ComboBox, "Drive"},
        {"FilterComboBox1", QAccessible::ComboBox, "File type"},
        {"Memo1", QAccessible::EditableText, "Conversion log"},
        {"filenamelabel", QAccessible::StaticText, "File name"},
        {"infolabel", QAccessible::StaticText, "File information"},
        {"Image1", QAccessible::Graphic, "Busy"},
        {"Image2", QAccessible::Graphic, "Busy"},
        {"actiongroup", QAccessible::Grouping, "Action"},
        {"actiongroupImport", QAccessible::RadioButton, "Import"},
        {"actiongroupExport", QAccessible::RadioButton, "Export"},
        {"GroupBox1", QAccessible::Grouping, "Convert to"},
        {"smpbutton", QAccessible::Button, "SMP !"},
        {"rawbutton", QAccessible::Button, "RAW !"},
        {"Label1", QAccessible::StaticText, "File(s) to convert"},
    };
    for (const auto& [name, role, accessibleName] : controls) {
      QWidget* widget = f.Find<QWidget>(name);
      QVERIFY2(widget != nullptr, name);
      QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
      QVERIFY2(accessible != nullptr, name);
      QCOMPARE(accessible->role(), role);
      if (role == QAccessible::ComboBox) {
        // Qt on Linux names a combo box by its current text and leaves the rest to a label
        // relation; the name we give it is what other platforms announce.
        QVERIFY(!accessible->text(QAccessible::Name).isEmpty());
        QCOMPARE(widget->accessibleName(), QString::fromUtf8(accessibleName));
      } else {
        QCOMPARE(accessible->text(QAccessible::Name), QString::fromUtf8(accessibleName));
      }
    }
  }

  void filterPicksSwitchTheActionAndTheButtons() {
    FormFixture f;
    f.Show();
    QCOMPARE(ButtonStates(f), kImportButtons);
    PickFilter(f, 0);
    QCOMPARE(f.form().ActionIndex(), 1);
    QCOMPARE(ButtonStates(f), kExportButtons);
    QCOMPARE(f.form().FileMask(), std::string("*.smp"));

    PickFilter(f, 5);
    QCOMPARE(f.form().ActionIndex(), 0);
    QCOMPARE(ButtonStates(f), kImportButtons);
    QCOMPARE(f.form().FileMask(), std::string("*.raw"));

    PickFilter(f, 8);
    QCOMPARE(f.form().ActionIndex(), 0);
    PickFilter(f, 9);
    QCOMPARE(f.form().ActionIndex(), 0);
    QCOMPARE(ButtonStates(f), kImportButtons);
    QCOMPARE(f.form().FileMask(), std::string("*.*"));
    QTest::mouseClick(f.Find<QRadioButton>("actiongroupExport"), Qt::LeftButton);
    PickFilter(f, 8);
    QCOMPARE(f.form().ActionIndex(), 1);  // "all audio files leave Export as it is"
    QCOMPARE(ButtonStates(f), kExportButtons);
  }

  void theTextFilterIsRememberedAcrossExportAndBack() {
    FormFixture f;
    f.Show();
    PickFilter(f, 6);
    QTest::mouseClick(f.Find<QRadioButton>("actiongroupExport"), Qt::LeftButton);
    QCOMPARE(f.form().FilterIndex(), 0);
    QCOMPARE(f.form().FileMask(), std::string("*.smp"));
    QTest::mouseClick(f.Find<QRadioButton>("actiongroupImport"), Qt::LeftButton);
    QCOMPARE(f.form().FilterIndex(), 6);
    QCOMPARE(f.form().FileMask(), std::string("*.txt"));
    QCOMPARE(ButtonStates(f), kImportButtons);
  }

  void aProgrammaticSelectionDoesNotSwitchTheAction() {
    FormFixture f;
    f.Show();
    f.form().SelectFilter(0);
    QCOMPARE(f.form().ActionIndex(), 0);
    QCOMPARE(f.form().FileMask(), std::string("*.smp"));
    f.form().SelectFilter(11);
    QCOMPARE(f.form().FilterIndex(), -1);
    QCOMPARE(f.form().FileMask(), std::string("*.smp"));  // "no item keeps the mask"
  }

  void customFiltersByTheStoredMask() {
    FormFixture f;
    TIni().WriteString("Common", "CustomMask", "take*.*");
    Touch(f.folder + "/take1.wav");
    Touch(f.folder + "/other.wav");
    f.Show();
    // The mask dialog shows the stored mask; "&Ok" keeps it.
    QTimer::singleShot(0, [] {
      QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
      QApplication::activeModalWidget()->findChild<QPushButton*>("Button1")->click();
    });
    PickFilter(f, 10);
    QCOMPARE(f.form().FileMask(), std::string("take*.*"));
    QCOMPARE(f.ListedFiles(), std::vector<std::string>{"take1.wav"});
  }

  void withoutTheDebugFlagTheFileMenuShowsOnlyExit() {
    FormFixture f;
    f.Show();
    QCOMPARE(VisibleCaptions(f.Find<QMenu>("File1")), QStringList{QStringLiteral("E&xit")});
  }

  void theDebugFlagShowsPropertiesAndTheTypeGuess() {
    FormFixture f;
    OpenRegistryRoot(RegistryRoot::HKEY_CURRENT_USER)
        ->WriteValue("Software\\QuorvikData\\Dravel", "DebugMode", int32_t{1});
    test::WriteFile(f.folder + "/a.wav", test::WavBytes({1, -2, 300, -400}));
    Touch(f.folder + "/b.raw");
    Touch(f.folder + "/c.raw");
    f.Show();
    QCOMPARE(VisibleCaptions(f.Find<QMenu>("File1")),
             (QStringList{QStringLiteral("&Properties*"), QStringLiteral("&Guess file type*"),
                          QStringLiteral("-"), QStringLiteral("E&xit")}));
    QCOMPARE(f.Find<QAction>("Information1")->shortcut(), QKeySequence(Qt::Key_F2));

    f.SelectFiles({"a.wav", "c.raw"});
    f.Find<QAction>("Guessfiletype1")->trigger();
    QCOMPARE(f.LogLines(),
             (std::vector<std::string>{
                 GuessFileTypeLine(f.folder + "/a.wav", ProbeSettingsOf(ConversionSettings())),
                 GuessFileTypeLine(f.folder + "/c.raw", ProbeSettingsOf(ConversionSettings()))}));
    QVERIFY(f.LogLines().front().starts_with("a.wav is WAV "));
  }

  void theSettingsMenuHoldsItsCommandsInOrder() {
    FormFixture f;
    f.Show();
    QCOMPARE(VisibleCaptions(f.Find<QMenu>("Settings1")),
             (QStringList{"Options...", "&Import...", "&Export...", "-", "Save now!",
                          "Always save on exit", "Open file...", "Save as file..."}));
    QCOMPARE(f.Find<QAction>("Options2")->shortcut(), QKeySequence(Qt::Key_F6));
    QVERIFY(f.Find<QAction>("Always1")->isChecked());
  }

  void shrinkingPutsTheBoxesAtTheBottomAndDividesTheRest() {
    FormFixture f;
    f.Show();
    f.form().resize(f.form().minimumSize());
    QApplication::processEvents();
    QWidget* panel = f.Find<QWidget>("Panel1");
    // The log's panel gives way down to its minimum, then the left panel down to its own.
    QCOMPARE(panel->size(), QSize(100, 300));
    QCOMPARE(f.Find<QWidget>("Panel2")->width(), 357);
    QCOMPARE(f.Find<QWidget>("FilterComboBox1")->geometry(), QRect(4, 275, 92, 21));
    QCOMPARE(f.Find<QWidget>("DriveComboBox1")->geometry(), QRect(4, 252, 92, 19));
    // Two thirds of 252 is 168; the rest above the drive box goes to the folder list.
    QCOMPARE(f.Find<QWidget>("DirectoryListBox1")->geometry(), QRect(4, 168, 92, 80));
    QCOMPARE(f.Find<QWidget>("FileListBox1")->geometry(), QRect(4, 21, 92, 143));
    QCOMPARE(f.Find<QWidget>("Memo1")->geometry(), QRect(4, 100, 349, 196));

    f.form().resize(700, 500);
    QApplication::processEvents();
    QCOMPARE(f.Find<QWidget>("Memo1")->width(), f.Find<QWidget>("Panel2")->width() - 8);
    QCOMPARE(f.Find<QWidget>("FilterComboBox1")->y(), panel->height() - 25);
  }

  void theBrowserListsMatchingFilesAndEntersFolders() {
    FormFixture f;
    Touch(f.folder + "/b.WAV");
    Touch(f.folder + "/a.wav");
    Touch(f.folder + "/c.smp");
    Touch(f.folder + "/d.aiff");
    Touch(f.folder + "/Grüße 漢字 ünd.wav");
    std::filesystem::create_directory(f.folder + "/inner");
    Touch(f.folder + "/inner/e.wav");
    f.Show();
    PickFilter(f, 1);
    QCOMPARE(f.ListedFiles(), (std::vector<std::string>{"a.wav", "b.WAV", "Grüße 漢字 ünd.wav"}));
    PickFilter(f, 3);
    QCOMPARE(f.ListedFiles(), std::vector<std::string>{"d.aiff"});

    PickFilter(f, 1);
    QListWidget* folders = f.Find<QListWidget>("DirectoryListBox1");
    QListWidgetItem* inner = folders->item(folders->count() - 1);
    QCOMPARE(inner->text().trimmed(), QStringLiteral("inner"));
    folders->setCurrentItem(inner);
    emit folders->itemActivated(inner);
    QCOMPARE(f.form().Directory(), f.folder + "/inner");
    QCOMPARE(f.ListedFiles(), std::vector<std::string>{"e.wav"});
    QCOMPARE(folders->currentItem()->text().trimmed(), QStringLiteral("inner"));
  }

  void theSelectedFileIsDescribedInTheLabels() {
    FormFixture f;
    test::WriteFile(f.folder + "/a.wav", test::WavBytes({1, -2, 300, -400}));
    f.Show();
    f.SelectFiles({"a.wav"});
    QCOMPARE(f.Find<QLabel>("filenamelabel")->text().toStdString(), f.folder + "/a.wav");
    QVERIFY(f.Find<QLabel>("infolabel")->text().startsWith(QStringLiteral("WAV 52 bytes")));
    f.Find<QListWidget>("FileListBox1")->clearSelection();
    QCOMPARE(f.Find<QLabel>("filenamelabel")->text(), QString());
  }

  void anUnreadableFolderListsNothingAndKeepsTheWayBack() {
    FormFixture f;
    Touch(f.folder + "/a.wav");
    f.Show();
    // A path through a regular file cannot be read, for root too.
    f.form().ChangeFolder(f.folder + "/a.wav/gone");
    QCOMPARE(f.ListedFiles(), std::vector<std::string>{});
    QVERIFY(f.boxes.shown.empty());
    QListWidget* folders = f.Find<QListWidget>("DirectoryListBox1");
    QListWidgetItem* back = nullptr;
    for (int i = 0; i < folders->count(); ++i) {
      if (folders->item(i)->data(Qt::UserRole).toString().toStdString() == f.folder) {
        back = folders->item(i);
      }
    }
    QVERIFY(back != nullptr);
    folders->setCurrentItem(back);
    emit folders->itemActivated(back);
    QCOMPARE(f.ListedFiles(), std::vector<std::string>{"a.wav"});
  }

  void screenshotsOfBothModes() {
    FormFixture f;
    test::WriteFile(f.folder + "/speech.wav", test::WavBytes({1, -2, 300, -400}));
    Touch(f.folder + "/take.smp");
    f.Show();
    f.SelectFiles({"speech.wav"});
    f.form().Append("speech.wav -> speech.smp");
    f.form().Append("Done");
    QVERIFY(f.form().grab().save(QStringLiteral(VORSEL_SCREENSHOT_DIR "/main-import.png")));
    QTest::mouseClick(f.Find<QRadioButton>("actiongroupExport"), Qt::LeftButton);
    f.SelectFiles({"take.smp"});
    QVERIFY(f.form().grab().save(QStringLiteral(VORSEL_SCREENSHOT_DIR "/main-export.png")));
  }
};

QTEST_MAIN(FormTest)
#include "form_test.moc"
