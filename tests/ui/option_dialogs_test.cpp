// The import, export, naming and custom mask dialogs of the main window: their controls, the
// round trip through the settings record, the stop at a bad value and the visibility rules.
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolTip>
#include <QtTest>
#include <functional>

#include "frontend/option_dialogs.h"
#include "kit/sini.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/form_fixture.h"

using namespace vorsel;
using vorsel::test::FormFixture;

namespace {

// Runs the action on the modal dialog that the next call opens.
void WhenModal(std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [act = std::move(act)] {
    QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
    act(QApplication::activeModalWidget());
  });
}

template <typename T = QWidget>
T* In(QWidget* dialog, const char* name) {
  T* control = dialog->findChild<T*>(QString::fromLatin1(name));
  if (control == nullptr) {
    qWarning("no control %s", name);
  }
  return control;
}

QString AccessibleName(QWidget* control) {
  return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
}

QStringList Items(QGroupBox* group) {
  QStringList items;
  for (const QRadioButton* item : group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)) {
    items << item->text();
  }
  return items;
}

void Pick(QGroupBox* group, int item) {
  group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly).at(item)->click();
}

void SetText(QWidget* dialog, const char* name, const char* text) {
  In<QLineEdit>(dialog, name)->setText(QString::fromLatin1(text));
}

void Tick(QWidget* dialog, const char* name, bool ticked) {
  In<QCheckBox>(dialog, name)->setChecked(ticked);
}

// Every field of both records, as a settings file would write it.
void CompareRecords(const ConversionSettings& actual, const ConversionSettings& expected) {
  ConversionSettings a = actual;
  ConversionSettings e = expected;
  for (const SettingField& field : SettingFields()) {
    const std::string name = std::string(field.section) + "." + std::string(field.key);
    QVERIFY2(SettingText(field, a) == SettingText(field, e), name.c_str());
  }
}

// A caption check: the control exists, shows the text and is named after it.
struct Captioned {
  const char* name;
  const char* text;
};

void CheckCaptions(QWidget* dialog, std::initializer_list<Captioned> controls) {
  for (const Captioned& c : controls) {
    QWidget* control = In(dialog, c.name);
    QVERIFY2(control != nullptr, c.name);
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
      text = button->text();
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
      text = group->title();
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
      text = label->text();
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
      text = edit->text();
    }
    QVERIFY2(text == QString::fromUtf8(c.text), c.name);
  }
}

// Every control a person reaches has a name a screen reader can say.
void CheckAccessibleNames(QWidget* dialog) {
  for (QWidget* control : dialog->findChildren<QWidget*>()) {
    if (qobject_cast<QAbstractButton*>(control) || qobject_cast<QLineEdit*>(control) ||
        qobject_cast<QGroupBox*>(control) || qobject_cast<QTabWidget*>(control)) {
      QVERIFY2(!AccessibleName(control).isEmpty(), qPrintable(control->objectName()));
    }
  }
  for (auto* edit : dialog->findChildren<QLineEdit*>()) {
    QVERIFY2(!edit->accessibleName().isEmpty(), qPrintable(edit->objectName()));
  }
}

void Shoot(QWidget* dialog, const QString& name) {
  QVERIFY(dialog->grab().save(QStringLiteral(VORSEL_SCREENSHOT_DIR "/") + name + ".png"));
}

}  // namespace

class OptionDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void theImportDialogHoldsItsPages() {
    FormFixture f;
    f.Show();
    auto* dialog = f.Find<QDialog>("Form2");
    QVERIFY(dialog != nullptr);
    dialog->show();
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Import options"));
    QCOMPARE(dialog->size(), QSize(364, 301));
    auto* pages = In<QTabWidget>(dialog, "TabbedNotebook1");
    QStringList titles;
    for (int i = 0; i < pages->count(); ++i) {
      titles << pages->tabText(i);
    }
    QCOMPARE(titles,
             (QStringList{"from WAV", "from AU", "from AIFF", "from NSP", "from RAW", "from TXT"}));
    CheckCaptions(dialog, {{"wavmsbcheck", "Put MSB first"},
                           {"aumsbcheck", "Put MSB first"},
                           {"aifmsbcheck", "Put MSB first"},
                           {"nspmsbcheck", "Put MSB first"},
                           {"rawmsbcheck", "Put MSB first"},
                           {"txtmsbcheck", "Put MSB first"},
                           {"wavviewedit", "-1,1"},
                           {"nsprangeedit", "-32768,32768"},
                           {"rawsftotedit", "16000"},
                           {"rawnchansedit", "1"},
                           {"rawstripedit", "0"},
                           {"txtstripedit", "0"},
                           {"wavheadergroup", "Add header items"},
                           {"txtheadergroup", "Add header items"},
                           {"aifnotelabel",
                            "These items are not added to the SMP header if the "
                            "AIFF file contains an SMP header chunk."},
                           {"txtnotelabel",
                            "Note: You must set the view and range items "
                            "properly to scale the samples correctly"},
                           {"rawstripunitlabel", "header bytes from file"},
                           {"txtstripunitlabel", "header lines from file"},
                           {"Button1", "&Ok"},
                           {"Button2", "&Cancel"}});
    QCOMPARE(In<QCheckBox>(dialog, "wavmsbcheck")->toolTip(),
             QStringLiteral("Puts most significant byte first, PC standard is last"));
    QCOMPARE(In<QLineEdit>(dialog, "rawstripedit")->toolTip(),
             QStringLiteral("Removes x bytes from the beginning of the RAW file"));
    QCOMPARE(Items(In<QGroupBox>(dialog, "rawencodingradio")),
             (QStringList{"8-bit u-law", "8-bit A-law", "8 bit linear", "16 bit linear"}));
    QCOMPARE(Items(In<QGroupBox>(dialog, "overloadradio")),
             (QStringList{"Clip to full scale", "Wrap around ", "Insert zero "}));
    QCOMPARE(In<QGroupBox>(dialog, "txtinvalidactionradio")->title(),
             QStringLiteral("If invalid numbers are found"));
    QVERIFY(In<QPushButton>(dialog, "Button1")->isDefault());
    CheckAccessibleNames(dialog);
    for (int page = 0; page < pages->count(); ++page) {
      pages->setCurrentIndex(page);
      Shoot(dialog, QStringLiteral("import-%1").arg(page));
    }
    dialog->reject();
  }

  void theExportDialogHoldsItsPages() {
    FormFixture f;
    f.Show();
    auto* dialog = f.Find<QDialog>("Form3");
    dialog->show();
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Export options"));
    QCOMPARE(dialog->size(), QSize(358, 294));
    auto* pages = In<QTabWidget>(dialog, "TabbedNotebook1");
    QCOMPARE(pages->count(), 5);
    QCOMPARE(pages->tabText(4), QStringLiteral("to RAW"));
    CheckCaptions(dialog, {{"wavstoresmpcheck", "Store SMP header"},
                           {"aufitcheck", "Fit amplitude to full scale"},
                           {"aifdithercheck", "Add dither noise"},
                           {"nspstoresmpcheck", "Store SMP header"},
                           {"rawheadergroup", "Header"},
                           {"rawsamplesgroup", "Samples"},
                           {"rawinsertlabel", "Insert "},
                           {"rawnulllabel", "null header bytes"},
                           {"rawextensionedit", ".raw"},
                           {"nsponegroup", "Make 1-channel files"},
                           {"rawbyteorderradio", "Put byte order in"},
                           {"Button1", "&Ok"},
                           {"Button2", "&Cancel"}});
    QVERIFY(In<QLabel>(dialog, "Label3")->text().startsWith("Some AU utilities cannot handle"));
    QVERIFY(In<QLabel>(dialog, "wavinfolabel")
                ->text()
                .endsWith("the SMP header data will get "
                          "lost."));
    QVERIFY(In<QLabel>(dialog, "Label4")->text().startsWith("Note: The NSP file format"));
    QCOMPARE(Items(In<QGroupBox>(dialog, "wavencodingradio")),
             (QStringList{"8-bit u-law", "8-bit A-law", "8-bit linear PCM", "16 bit linear PCM"}));
    QCOMPARE(Items(In<QGroupBox>(dialog, "auencodingradio")).last(),
             QStringLiteral("16-bit linear PCM"));
    QCOMPARE(Items(In<QGroupBox>(dialog, "aifencodingradio")),
             (QStringList{"8-bit linear PCM", "16 bit linear PCM"}));
    QCOMPARE(Items(In<QGroupBox>(dialog, "nsptwogroup")),
             (QStringList{"Channels A && B Interleaved (HEDR)",
                          "Separate chunks for channels A && B (HEDR)",
                          "Separate chunks for channels A && B (HDR8)"}));
    QCOMPARE(Items(In<QGroupBox>(dialog, "rawextensionradio")), (QStringList{".raw", "other:"}));
    QCOMPARE(In<QCheckBox>(dialog, "aifstoresmpcheck")->toolTip(),
             QStringLiteral("Include the SMP header in AIFF file"));
    QCOMPARE(In<QCheckBox>(dialog, "wavdithercheck")->toolTip(),
             QStringLiteral("Reduce distorsion at the cost of some added noise"));
    QCOMPARE(In<QGroupBox>(dialog, "aifencodingradio")->toolTip(),
             QStringLiteral("Selects compression"));
    CheckAccessibleNames(dialog);

    // Hints show on the WAV page but not inside "Header" and "Samples".
    auto tipShows = [](QWidget* control) {
      QHelpEvent event(QEvent::ToolTip, QPoint(2, 2), control->mapToGlobal(QPoint(2, 2)));
      QApplication::sendEvent(control, &event);
      return QToolTip::isVisible() && QToolTip::text() == control->toolTip();
    };
    pages->setCurrentIndex(0);
    QVERIFY(tipShows(In(dialog, "wavfitcheck")));
    pages->setCurrentIndex(4);
    QVERIFY(!tipShows(In(dialog, "rawheaderbytes")));
    QVERIFY(!tipShows(In(dialog, "rawencodingradio")));
    QToolTip::hideText();

    for (int page = 0; page < pages->count(); ++page) {
      pages->setCurrentIndex(page);
      Shoot(dialog, QStringLiteral("export-%1").arg(page));
    }
    // The pages again with every control that a coding can hide shown.
    for (const auto& [prefix, linear8] :
         {std::pair{"wav", 2}, std::pair{"au", 2}, std::pair{"aif", 0}, std::pair{"raw", 2}}) {
      Pick(In<QGroupBox>(dialog, (std::string(prefix) + "encodingradio").c_str()), linear8);
    }
    Tick(dialog, "wavstoresmpcheck", true);
    Tick(dialog, "austoresmpcheck", true);
    for (int page : {0, 1, 2, 4}) {
      pages->setCurrentIndex(page);
      Shoot(dialog, QStringLiteral("export-%1-8bit").arg(page));
    }
    dialog->reject();
  }

  void importOkStoresEveryControlAndCancelNothing() {
    FormFixture f;
    f.Show();
    const ConversionSettings initial = f.form().Settings();
    auto* dialog = f.Find<QDialog>("Form2");
    dialog->show();
    for (const char* prefix : {"wav", "au", "aif", "nsp", "raw", "txt"}) {
      const std::string p(prefix);
      SetText(dialog, (p + "viewedit").c_str(), "-2,3,Pa,Pressure");
      SetText(dialog, (p + "rangeedit").c_str(), "-100,100");
      Tick(dialog, (p + "msbcheck").c_str(), true);
    }
    SetText(dialog, "auviewedit", "-1,1,,x");
    SetText(dialog, "rawsftotedit", "8000");
    SetText(dialog, "rawnchansedit", "2");
    SetText(dialog, "rawstripedit", "44");
    Pick(In<QGroupBox>(dialog, "rawencodingradio"), 1);
    Pick(In<QGroupBox>(dialog, "rawsignedradio"), 1);
    Pick(In<QGroupBox>(dialog, "rawbyteorderradio"), 1);
    SetText(dialog, "txtsftotedit", "22050.5");
    SetText(dialog, "txtnchansedit", "3");
    SetText(dialog, "txtstripedit", "1");
    Pick(In<QGroupBox>(dialog, "txtcommaradio"), 1);
    Pick(In<QGroupBox>(dialog, "txtinvalidactionradio"), 2);
    Pick(In<QGroupBox>(dialog, "overloadradio"), 1);
    In<QPushButton>(dialog, "Button1")->click();
    QVERIFY(!dialog->isVisible());

    ConversionSettings expected = initial;
    for (ImportViewSettings* view : std::initializer_list<ImportViewSettings*>{
             &expected.ImportWAV, &expected.ImportAU, &expected.ImportAIF, &expected.ImportNSP,
             &expected.ImportRAW, &expected.ImportTXT}) {
      *view = {.ViewLo = -2,
               .ViewHi = 3,
               .Unit = "Pa",
               .AxisText = "Pressure",
               .RangeLo = -100,
               .RangeHi = 100,
               .MSBFirst = true};
    }
    expected.ImportAU.ViewLo = -1;
    expected.ImportAU.ViewHi = 1;
    expected.ImportAU.Unit = "";
    expected.ImportAU.AxisText = "x";
    expected.ImportRAW.SfTot = 8000;
    expected.ImportRAW.nChans = 2;
    expected.ImportRAW.StripBytes = 44;
    expected.ImportRAW.Encoding = 1;
    expected.ImportRAW.Signed = false;
    expected.ImportRAW.ByteOrder = 1;
    expected.ImportTXT.SfTot = 22050.5;
    expected.ImportTXT.nChans = 3;
    expected.ImportTXT.StripLines = 1;
    expected.ImportTXT.CommaIsSeparator = true;
    expected.ImportTXT.InvalidNumberAction = 2;
    expected.ImportTXT.OverloadAction = 1;
    CompareRecords(f.form().Settings(), expected);

    dialog->show();
    QCOMPARE(In<QLineEdit>(dialog, "auviewedit")->text(), QStringLiteral("-1,1,,x"));
    SetText(dialog, "wavviewedit", "5,6");
    Tick(dialog, "txtmsbcheck", false);
    In<QPushButton>(dialog, "Button2")->click();
    CompareRecords(f.form().Settings(), expected);
    dialog->show();
    QCOMPARE(In<QLineEdit>(dialog, "wavviewedit")->text(), QStringLiteral("-2,3,Pa,Pressure"));
    QVERIFY(In<QCheckBox>(dialog, "txtmsbcheck")->isChecked());
    dialog->reject();
  }

  void aBadValueKeepsTheDialogOpen() {
    FormFixture f;
    f.Show();
    auto* dialog = f.Find<QDialog>("Form2");
    dialog->show();
    SetText(dialog, "wavviewedit", "-3,3");
    SetText(dialog, "auviewedit", "7");
    In<QPushButton>(dialog, "Button1")->click();
    QVERIFY(dialog->isVisible());
    QCOMPARE(f.boxes.shown.size(), size_t{1});
    // The error log ends the message with a full stop, as it does for every error.
    QCOMPARE(f.boxes.shown[0].text, std::string("Cannot convert empty string to number."));
    QCOMPARE(f.form().Settings().ImportWAV.ViewLo, -3.0);
    QCOMPARE(f.form().Settings().ImportAU.ViewLo, 7.0);
    QCOMPARE(f.form().Settings().ImportAU.ViewHi, 1.0);
    SetText(dialog, "auviewedit", "7,8");
    SetText(dialog, "rawnchansedit", "x");
    In<QPushButton>(dialog, "Button1")->click();
    QCOMPARE(f.boxes.shown.back().text, std::string("'x' is not a valid integer value."));
    QVERIFY(dialog->isVisible());
    SetText(dialog, "rawnchansedit", "2");
    In<QPushButton>(dialog, "Button1")->click();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(f.form().Settings().ImportRAW.nChans, 2);
  }

  void exportOkStoresEveryControl() {
    FormFixture f;
    TIni().WriteInteger("ExportAIF", "Encoding", 7);
    f.Show();
    ConversionSettings expected = f.form().Settings();
    QCOMPARE(expected.ExportAIF.Encoding, 7);
    auto* dialog = f.Find<QDialog>("Form3");
    dialog->show();
    QVERIFY(In<QRadioButton>(dialog, "aifencodingradio1")->isChecked());  // "16 bit linear PCM"
    for (const char* prefix : {"wav", "au", "aif"}) {
      const std::string p(prefix);
      Pick(In<QGroupBox>(dialog, (p + "encodingradio").c_str()), 0);
      Tick(dialog, (p + "storesmpcheck").c_str(), true);
      Tick(dialog, (p + "fitcheck").c_str(), false);
      Tick(dialog, (p + "dithercheck").c_str(), false);
    }
    Tick(dialog, "nspstoresmpcheck", true);
    Pick(In<QGroupBox>(dialog, "nsponegroup"), 1);
    Pick(In<QGroupBox>(dialog, "nsptwogroup"), 2);
    SetText(dialog, "rawheaderbytes", "12");
    Pick(In<QGroupBox>(dialog, "rawencodingradio"), 2);
    Tick(dialog, "rawfitcheck", false);
    Tick(dialog, "rawdithercheck", false);
    Pick(In<QGroupBox>(dialog, "rawsignedradio"), 1);
    Pick(In<QGroupBox>(dialog, "rawbyteorderradio"), 1);
    Pick(In<QGroupBox>(dialog, "rawextensionradio"), 1);
    SetText(dialog, "rawextensionedit", "pcm");
    In<QPushButton>(dialog, "Button1")->click();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(In<QLineEdit>(dialog, "rawextensionedit")->text(), QStringLiteral(".pcm"));

    for (ExportCodingSettings* coding : {&expected.ExportWAV, &expected.ExportAU}) {
      *coding = {
          .FitAmplitude = false, .DitherNoise = false, .StoreSMPHeader = true, .Encoding = 0};
    }
    expected.ExportAIF = {
        .FitAmplitude = false, .DitherNoise = false, .StoreSMPHeader = true, .Encoding = 0};
    expected.ExportNSP = {.StoreSMPHeader = true, .OneChannelType = 1, .TwoChannelType = 2};
    expected.ExportRAW = {.FitAmplitude = false,
                          .DitherNoise = false,
                          .HeaderBytes = 12,
                          .MSBFirst = true,
                          .Signed = false,
                          .Encoding = 2,
                          .Extension = ".pcm",
                          .OtherExtension = ".pcm"};
    CompareRecords(f.form().Settings(), expected);

    // An extension that leaves the folder is refused before any batch runs.
    dialog->show();
    SetText(dialog, "rawextensionedit", "a/b");
    In<QPushButton>(dialog, "Button1")->click();
    QVERIFY(dialog->isVisible());
    QVERIFY(f.boxes.shown.back().text.find("cannot hold \"/\"") != std::string::npos);
    QCOMPARE(f.form().Settings().ExportRAW.Extension, std::string(".pcm"));
    dialog->reject();
  }

  void theVisibilityRulesFollowTheControls() {
    FormFixture f;
    f.Show();
    for (const auto& [which, name] :
         {std::pair{OptionsDialog::Import, "Form2"}, std::pair{OptionsDialog::Export, "Form3"}}) {
      auto* dialog = f.Find<QDialog>(name);
      dialog->show();
      for (const VisibilityRule& rule : VisibilityRules()) {
        if (rule.dialog != which) {
          continue;
        }
        QWidget* control = In(dialog, std::string(rule.control).c_str());
        for (int state = 0; state < 4; ++state) {
          if (auto* group = qobject_cast<QGroupBox*>(control)) {
            if (state >= Items(group).size()) {
              continue;
            }
            Pick(group, state);
          } else if (state < 2) {
            qobject_cast<QCheckBox*>(control)->setChecked(state == 1);
          } else {
            continue;
          }
          for (std::string_view shown : rule.shown) {
            if (!shown.empty()) {
              const QWidget* target = In(dialog, std::string(shown).c_str());
              QVERIFY2(target->isHidden() == !rule.shows(state), std::string(shown).c_str());
            }
          }
        }
      }
      dialog->reject();
    }

    // Opening applies the rules to the stored values; a hidden control still stores.
    auto* dialog = f.Find<QDialog>("Form3");
    dialog->show();
    QVERIFY(In(dialog, "wavinfolabel")->isHidden());
    Tick(dialog, "wavstoresmpcheck", true);
    QVERIFY(!In(dialog, "wavinfolabel")->isHidden());
    Pick(In<QGroupBox>(dialog, "wavencodingradio"), 3);
    QVERIFY(In(dialog, "wavfitcheck")->isHidden());
    Tick(dialog, "wavfitcheck", false);
    In<QPushButton>(dialog, "Button1")->click();
    QVERIFY(!f.form().Settings().ExportWAV.FitAmplitude);
  }

  void theOpenPageIsPartOfTheSettings() {
    FormFixture f;
    f.Show();
    WhenModal([](QWidget* dialog) {
      QCOMPARE(dialog->objectName(), QStringLiteral("Form2"));
      In<QTabWidget>(dialog, "TabbedNotebook1")->setCurrentIndex(4);
      In<QPushButton>(dialog, "Button2")->click();
    });
    f.Find<QAction>("Import1")->trigger();
    QCOMPARE(f.form().ImportPage(), 4);
    f.form().ShowExportPage(3);
    WhenModal([](QWidget* dialog) {
      QCOMPARE(dialog->objectName(), QStringLiteral("Form3"));
      QCOMPARE(In<QTabWidget>(dialog, "TabbedNotebook1")->currentIndex(), 3);
      In<QPushButton>(dialog, "Button1")->click();
    });
    f.Find<QAction>("Options1")->trigger();
    QCOMPARE(f.form().ExportPage(), 3);
  }

  void theNamingDialogStoresAndTheEditClickPicksEndWith() {
    FormFixture f;
    f.Show();
    auto* dialog = f.Find<QDialog>("Form5");
    dialog->show();
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Options"));
    QCOMPARE(dialog->size(), QSize(227, 305));
    CheckCaptions(dialog, {{"GroupBox1", "Name of converted file"},
                           {"askradio", "Ask me for each file"},
                           {"sameradio", "Same (just change the extension)"},
                           {"startradio", "Start with:"},
                           {"endradio", "End with:"},
                           {"namingedit", "c"},
                           {"limitcheck", "Limit to 8+3"},
                           {"filetyperadio", "Identify file types by using"},
                           {"overwritecheck", "Overwrite without asking me"},
                           {"Button1", "&Ok"},
                           {"Button2", "&Cancel"}});
    QCOMPARE(Items(In<QGroupBox>(dialog, "filetyperadio")),
             (QStringList{"File header", "File extension"}));
    CheckAccessibleNames(dialog);
    Shoot(dialog, QStringLiteral("options"));
    QVERIFY(In<QRadioButton>(dialog, "sameradio")->isChecked());  // Common.Naming 0

    auto* edit = In<QLineEdit>(dialog, "namingedit");
    QTest::mouseClick(edit, Qt::LeftButton);
    QVERIFY(In<QRadioButton>(dialog, "endradio")->isChecked());
    In<QRadioButton>(dialog, "startradio")->click();
    QTest::mouseClick(edit, Qt::LeftButton);
    QVERIFY(In<QRadioButton>(dialog, "startradio")->isChecked());

    edit->clear();
    Tick(dialog, "limitcheck", true);
    Tick(dialog, "overwritecheck", true);
    Pick(In<QGroupBox>(dialog, "filetyperadio"), 1);
    In<QPushButton>(dialog, "Button1")->click();
    const CommonSettings& common = f.form().Settings().Common;
    QCOMPARE(common.Naming, 1);
    QCOMPARE(common.AppendString, std::string());
    QVERIFY(common.LimitTo8Plus3);
    QVERIFY(common.OverWrite);
    QVERIFY(common.UseExtensionAsId);

    dialog->show();
    In<QRadioButton>(dialog, "askradio")->click();
    Tick(dialog, "overwritecheck", false);
    In<QPushButton>(dialog, "Button2")->click();
    QCOMPARE(common.Naming, 1);
    dialog->show();
    QVERIFY(In<QRadioButton>(dialog, "startradio")->isChecked());
    QVERIFY(In<QCheckBox>(dialog, "overwritecheck")->isChecked());
    dialog->reject();
  }

  void f6OpensTheNamingDialog() {
    FormFixture f;
    f.Show();
    f.form().activateWindow();
    QString opened;
    WhenModal([&opened](QWidget* dialog) {
      opened = dialog->objectName();
      qobject_cast<QDialog*>(dialog)->reject();
    });
    QTest::keyClick(&f.form(), Qt::Key_F6);
    QTRY_COMPARE(opened, QStringLiteral("Form5"));
  }

  void customAsksForTheMaskAndFiltersByIt() {
    FormFixture f;
    for (const char* name : {"a.wav", "b.snd", "c.au"}) {
      test::WriteFile(f.folder + "/" + name, "");
    }
    f.Show();
    auto* box = f.Find<QComboBox>("FilterComboBox1");
    WhenModal([](QWidget* dialog) {
      QCOMPARE(dialog->objectName(), QStringLiteral("Form6"));
      QCOMPARE(dialog->size(), QSize(216, 118));
      QCOMPARE(dialog->windowTitle(), QStringLiteral("Custom file mask"));
      CheckCaptions(dialog, {{"Label1", "File mask"}, {"Edit1", "*.*"}, {"Button1", "&Ok"}});
      CheckAccessibleNames(dialog);
      QCOMPARE(dialog->findChildren<QPushButton*>().size(), 1);
      auto* edit = In<QLineEdit>(dialog, "Edit1");
      QCOMPARE(edit->selectedText(), QStringLiteral("*.*"));
      Shoot(dialog, QStringLiteral("custom-mask"));
      edit->setText(QStringLiteral("*.wav;*.snd"));
      In<QPushButton>(dialog, "Button1")->click();
    });
    box->setCurrentIndex(10);
    emit box->activated(10);
    QCOMPARE(f.form().Settings().Common.CustomMask, std::string("*.wav;*.snd"));
    QCOMPARE(f.form().FileMask(), std::string("*.wav;*.snd"));
    QTRY_COMPARE(f.ListedFiles(), (std::vector<std::string>{"a.wav", "b.snd"}));

    // Closing otherwise keeps the mask; the next showing selects it whole.
    WhenModal([](QWidget* dialog) {
      auto* edit = In<QLineEdit>(dialog, "Edit1");
      QCOMPARE(edit->selectedText(), QStringLiteral("*.wav;*.snd"));
      edit->setText(QStringLiteral("*.au"));
      qobject_cast<QDialog*>(dialog)->reject();
    });
    emit box->activated(10);
    QCOMPARE(f.form().Settings().Common.CustomMask, std::string("*.wav;*.snd"));
  }
};

QTEST_MAIN(OptionDialogsTest)
#include "option_dialogs_test.moc"
