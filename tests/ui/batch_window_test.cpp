// Batches through the main window: whole imports and exports, the busy icons, and what the
// window does when the user acts while a batch runs.
#include <QComboBox>
#include <QLabel>
#include <QtTest>
#include <algorithm>
#include <filesystem>
#include <functional>

#include "kit/sini.h"
#include "platform/eventpump.h"
#include "tests/ui/form_fixture.h"

using namespace vorsel;
using vorsel::test::FormFixture;

namespace {

namespace fs = std::filesystem;

const std::vector<int16_t> kSamplesA = {0, 1000, -1000, 32767, -32768, 5};
const std::vector<int16_t> kSamplesB = {7, -7, 70, -70};

// Runs `step` each time the window lets pending events through during a batch, until the
// object goes.
class DuringBatch {
 public:
  explicit DuringBatch(std::function<void()> step) : previous_(InstallEventPump(std::move(step))) {}
  ~DuringBatch() { InstallEventPump(previous_); }

 private:
  EventPump previous_;
};

void PickFilter(FormFixture& f, int index) {
  QComboBox* box = f.Find<QComboBox>("FilterComboBox1");
  box->setCurrentIndex(index);
  emit box->activated(index);
}

void AddWavs(FormFixture& f) {
  test::WriteFile(f.folder + "/a.wav", test::WavBytes(kSamplesA, 16000));
  test::WriteFile(f.folder + "/b.wav", test::WavBytes(kSamplesB, 22050));
}

// Imports a.wav and b.wav, then shows the sample files for an export.
void ImportBoth(FormFixture& f) {
  AddWavs(f);
  f.Show();
  f.SelectFiles({"a.wav", "b.wav"});
  QTest::mouseClick(f.Button("smpbutton"), Qt::LeftButton);
  PickFilter(f, 0);
  f.SelectFiles({"a.smp", "b.smp"});
}

std::string WavData(const std::string& path) {
  const std::string bytes = test::ReadFile(path);
  const size_t data = bytes.find("data");
  return data == std::string::npos ? std::string() : bytes.substr(data + 8);
}

}  // namespace

class BatchWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void aTwoFileImportWritesBothSMPFiles() {
    FormFixture f;
    AddWavs(f);
    f.Show();
    PickFilter(f, 8);
    f.SelectFiles({"a.wav", "b.wav"});
    QTest::mouseClick(f.Button("smpbutton"), Qt::LeftButton);

    QCOMPARE(f.LogLines(), (std::vector<std::string>{"a.wav -> a.smp", "b.wav -> b.smp", "Done"}));
    // The new files are listed at once, and the selection stays.
    QCOMPARE(f.ListedFiles(), (std::vector<std::string>{"a.smp", "a.wav", "b.smp", "b.wav"}));
    QCOMPARE(f.Find<QListWidget>("FileListBox1")->selectedItems().size(), 2);
    QVERIFY(f.Find<QListWidget>("FileListBox1")->item(1)->isSelected());
    const test::SmpContent a = test::ReadSmp(f.folder + "/a.smp");
    QCOMPARE(a.samples, kSamplesA);
    QCOMPARE(a.rate, 16000.0);
    QCOMPARE(a.channels, 1);
    const test::SmpContent b = test::ReadSmp(f.folder + "/b.smp");
    QCOMPARE(b.samples, kSamplesB);
    QCOMPARE(b.rate, 22050.0);
    QCOMPARE(f.Find<QLabel>("infolabel")->text(), QString());
    QCOMPARE(f.Find<QLabel>("filenamelabel")->text().toStdString(), f.folder + "/b.wav");
  }

  void aTwoFileExportWritesBothWAVFiles() {
    FormFixture f;
    ImportBoth(f);
    QCOMPARE(f.ListedFiles(), (std::vector<std::string>{"a.smp", "b.smp"}));
    fs::remove(f.folder + "/a.wav");
    fs::remove(f.folder + "/b.wav");
    QTest::mouseClick(f.Button("wavbutton"), Qt::LeftButton);

    const std::vector<std::string> lines = f.LogLines();
    QCOMPARE(std::vector<std::string>(lines.begin() + 3, lines.end()),
             (std::vector<std::string>{"WAV: 16-bit", "a.smp -> a.wav", "b.smp -> b.wav", "Done"}));
    QCOMPARE(WavData(f.folder + "/a.wav"), test::WavBytes(kSamplesA).substr(44));
    QCOMPARE(WavData(f.folder + "/b.wav"), test::WavBytes(kSamplesB).substr(44));
  }

  void theBusyIconsAlternateWhileTheBatchRuns() {
    FormFixture f;
    AddWavs(f);
    f.Show();
    f.clockStep = 301;  // every busy tick is due
    std::vector<std::pair<bool, bool>> seen;
    {
      DuringBatch watch([&] {
        seen.emplace_back(!f.Find<QLabel>("Image1")->isHidden(),
                          !f.Find<QLabel>("Image2")->isHidden());
      });
      f.SelectFiles({"a.wav", "b.wav"});
      QTest::mouseClick(f.Button("smpbutton"), Qt::LeftButton);
    }
    QVERIFY(seen.size() >= 4);
    for (size_t i = 0; i < seen.size(); ++i) {
      // Image2, Image1, Image1, Image2, ...: never both, never none.
      QCOMPARE(seen[i].second, i % 3 == 0);
      QCOMPARE(seen[i].first, !seen[i].second);
    }
    QVERIFY(f.Find<QLabel>("Image1")->isHidden());
    QVERIFY(f.Find<QLabel>("Image2")->isHidden());
  }

  void aPressDuringABatchIsRefusedWithALogLine() {
    FormFixture f;
    AddWavs(f);
    f.Show();
    f.clockStep = 301;
    int presses = 0;
    {
      DuringBatch press([&] {
        if (presses++ == 0) {
          QTest::mouseClick(f.Button("smpbutton"), Qt::LeftButton);
        }
      });
      f.SelectFiles({"a.wav", "b.wav"});
      QTest::mouseClick(f.Button("smpbutton"), Qt::LeftButton);
    }
    QCOMPARE(f.LogLines(), (std::vector<std::string>{"Busy: the running conversion must end first",
                                                     "a.wav -> a.smp", "b.wav -> b.smp", "Done"}));
    QVERIFY(!f.form().BatchRunning());
    fs::remove(f.folder + "/a.smp");
    f.SelectFiles({"a.wav"});
    QTest::mouseClick(f.Button("smpbutton"), Qt::LeftButton);
    QCOMPARE(f.LogLines().back(), std::string("Done"));
    QVERIFY(fs::exists(f.folder + "/a.smp"));
  }

  void anErrorThatEndsABatchClearsTheGuard() {
    FormFixture f;
    AddWavs(f);
    fs::create_directory(f.folder + "/a.smp");  // the output cannot be created
    f.Show();
    PickFilter(f, 1);
    f.SelectFiles({"a.wav", "b.wav"});
    QTest::mouseClick(f.Button("smpbutton"), Qt::LeftButton);
    QCOMPARE(f.boxes.shown.size(), size_t{1});
    QCOMPARE(f.boxes.shown[0].caption, std::string("Vorsel"));
    QCOMPARE(f.boxes.shown[0].flags, unsigned{mbOk | mbIconError});
    QVERIFY(!fs::exists(f.folder + "/b.smp"));
    QVERIFY(f.Find<QLabel>("Image1")->isHidden() && f.Find<QLabel>("Image2")->isHidden());

    fs::remove(f.folder + "/a.smp");
    QTest::mouseClick(f.Button("smpbutton"), Qt::LeftButton);
    QCOMPARE(f.LogLines().back(), std::string("Done"));
    QVERIFY(fs::exists(f.folder + "/b.smp"));
  }

  void anErrorIsLoggedWhenLoggingIsOnAndTheWindowGoesOn() {
    FormFixture f;
    TDravelIni().WriteBool("ErrorLog", "LogErrors", true);
    AddWavs(f);
    fs::create_directory(f.folder + "/a.smp");
    f.Show();
    PickFilter(f, 1);
    f.SelectFiles({"a.wav"});
    const std::string logFile = f.form().ErrorLog().LogFileName();
    fs::remove(logFile);  // the folder outlives the test's stores
    QTest::mouseClick(f.Button("smpbutton"), Qt::LeftButton);

    QCOMPARE(f.boxes.shown.size(), size_t{2});
    QCOMPARE(f.boxes.shown[0].caption, std::string("Logfile created"));
    QVERIFY(f.boxes.shown[0].text.ends_with("\r" + logFile));
    const std::string shownError = f.boxes.shown[1].text;
    QCOMPARE(f.boxes.shown[1].caption, std::string("Vorsel"));

    std::vector<std::string> sections;
    TIni log(logFile);
    log.ReadSections(sections);
    const auto record = std::find_if(sections.begin(), sections.end(), [](const std::string& s) {
      return s.starts_with("Exception at ");
    });
    QVERIFY(record != sections.end());
    const std::string message = log.ReadString(*record, "Message", "");
    QVERIFY(!message.empty());
    QVERIFY2(shownError.starts_with(message), (shownError + " / " + message).c_str());
    QVERIFY(log.ReadString(*record, "ExeName", "") != "");

    fs::remove(f.folder + "/a.smp");
    QTest::mouseClick(f.Button("smpbutton"), Qt::LeftButton);
    QCOMPARE(f.LogLines().back(), std::string("Done"));
    QVERIFY(fs::exists(f.folder + "/a.smp"));
  }

  void optionsChangedDuringABatchApplyFromTheNextOne() {
    FormFixture f;
    ImportBoth(f);
    const std::string settingsFile = f.store.dir / "ulaw.vrs";
    test::WriteFile(settingsFile, "[Common]\nAction=1\n[ExportWAV]\nEncoding=0\n");
    f.dialogs.answers.push_back(settingsFile);
    fs::remove(f.folder + "/a.wav");
    fs::remove(f.folder + "/b.wav");
    f.clockStep = 301;
    bool opened = false;
    {
      DuringBatch open([&] {
        if (!opened) {
          opened = true;
          f.Find<QAction>("Openfile1")->trigger();
        }
      });
      QTest::mouseClick(f.Button("wavbutton"), Qt::LeftButton);
    }
    QVERIFY(opened);
    QCOMPARE(f.form().Settings().ExportWAV.Encoding, 0);
    QCOMPARE(WavData(f.folder + "/a.wav"), test::WavBytes(kSamplesA).substr(44));
    QCOMPARE(f.LogLines().at(3), std::string("WAV: 16-bit"));
    QCOMPARE(f.form().windowTitle().toStdString(), "Vorsel - " + settingsFile);

    f.boxes.answers.assign({idYes, idYes});
    QTest::mouseClick(f.Button("wavbutton"), Qt::LeftButton);
    QCOMPARE(f.LogLines().at(f.LogLines().size() - 4), std::string("WAV: u-law, fit"));
    QCOMPARE(WavData(f.folder + "/b.wav").size(), kSamplesB.size());  // one byte a sample
  }

  void theFileListIsReReadOnlyAfterTheBatch() {
    FormFixture f;
    AddWavs(f);
    const std::string other = f.store.dir / "other";
    fs::create_directory(other);
    test::WriteFile(other + "/c.wav", test::WavBytes(kSamplesB));
    f.Show();
    PickFilter(f, 1);
    f.clockStep = 301;
    std::vector<std::vector<std::string>> listsDuring;
    {
      DuringBatch meddle([&] {
        test::WriteFile(f.folder + "/new.wav", test::WavBytes(kSamplesB));
        f.form().Link1NewFile();
        listsDuring.push_back(f.ListedFiles());
      });
      f.SelectFiles({"a.wav", "b.wav"});
      QTest::mouseClick(f.Button("smpbutton"), Qt::LeftButton);
    }
    QVERIFY(!listsDuring.empty());
    for (const auto& list : listsDuring) {
      QCOMPARE(list, (std::vector<std::string>{"a.wav", "b.wav"}));
    }
    QCOMPARE(f.ListedFiles(), (std::vector<std::string>{"a.wav", "b.wav", "new.wav"}));
    QCOMPARE(f.LogLines().back(), std::string("Done"));

    {
      DuringBatch move([&] {
        f.form().ChangeFolder(other);
        QCOMPARE(f.form().Directory(), f.folder);
      });
      f.SelectFiles({"new.wav"});
      QTest::mouseClick(f.Button("smpbutton"), Qt::LeftButton);
    }
    QCOMPARE(f.form().Directory(), other);
    QCOMPARE(f.ListedFiles(), std::vector<std::string>{"c.wav"});
  }

  void closingDuringABatchFinishesTheFileAndThenCloses() {
    FormFixture f;
    AddWavs(f);
    f.Show();
    PickFilter(f, 1);
    f.clockStep = 301;
    {
      DuringBatch close([&] {
        if (fs::exists(f.folder + "/a.smp")) {
          f.form().close();
        }
      });
      f.SelectFiles({"a.wav", "b.wav"});
      QTest::mouseClick(f.Button("smpbutton"), Qt::LeftButton);
    }
    QCOMPARE(f.LogLines(), (std::vector<std::string>{
                               "a.wav -> a.smp",
                               "Stopped: 1 file was not converted, starting with b.wav", "Done"}));
    QCOMPARE(test::ReadSmp(f.folder + "/a.smp").samples, kSamplesA);
    QVERIFY(!fs::exists(f.folder + "/b.smp"));
    QVERIFY(!f.form().isVisible());
    QCOMPARE(TIni().ReadInteger("Common", "FileTypes", -1), 1);  // saved on exit
  }
};

QTEST_MAIN(BatchWindowTest)
#include "batch_window_test.moc"
