// The hex dump viewer: its controls, scroll bar, decoding choices, restarts and waveform.
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>
#include <cmath>
#include <random>
#include <set>

#include "frontend/hex_dump.h"
#include "frontend/ui/TForm4.h"
#include "kit/sini.h"
#include "platform/keystore.h"
#include "probing/description.h"
#include "tests/ui/form_fixture.h"

using namespace vorsel;
using vorsel::test::FormFixture;

namespace {

// A main window with its viewer, as the program sets them up; the test may drive the
// viewer's event processing.
struct ViewerFixture {
  ViewerFixture()
      : Form4(TForm4Parts{.pacer = f.form().Pacer(),
                          .errors = f.form().Errors(),
                          .describe =
                              [this](const std::string& path) {
                                return FileDescription(path, ProbeSettingsOf(f.form().Settings()));
                              },
                          .processMessages =
                              [this] {
                                ++pumped;
                                if (pump) {
                                  pump();
                                }
                              }}) {
    f.form().SetForm4(Form4);
  }

  template <typename T>
  T* Find(const char* name) {
    return Form4.findChild<T*>(QString::fromLatin1(name));
  }
  QScrollBar* bar() { return Find<QScrollBar>("ScrollBar1"); }
  QStringList Lines() {
    return Find<QPlainTextEdit>("Memo1")->toPlainText().split(QLatin1Char('\n'));
  }
  QString FirstOffset() { return Lines().front().mid(53, 5); }
  std::string File(const std::string& name, size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
      bytes[i] = static_cast<char>(i / 16);
    }
    const std::string path = f.folder + "/" + name;
    test::WriteFile(path, bytes);
    return path;
  }

  FormFixture f;
  int pumped = 0;
  std::function<void()> pump;
  TForm4 Form4;
};

// Runs the event loop, which waits for events and so lets the idle handler in, until the
// condition holds or a second has passed.
template <typename Condition>
bool RunEventLoopUntil(Condition condition) {
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (condition()) {
      loop.quit();
    }
  });
  poll.start(10);
  QTimer::singleShot(1000, &loop, &QEventLoop::quit);
  loop.exec();
  return condition();
}

std::vector<uint8_t> Bytes(const std::string& path) {
  const std::string text = test::ReadFile(path);
  return std::vector<uint8_t>(text.begin(), text.end());
}

}  // namespace

class ViewerTest : public QObject {
  Q_OBJECT

 private slots:
  void controlsCarryTheirNamesCaptionsAndDefaults() {
    ViewerFixture v;
    QCOMPARE(v.Form4.windowTitle(), QStringLiteral("Dump"));
    QCOMPARE(v.Form4.size(), QSize(598, 311));
    for (const char* name : {"filenamelabel", "infolabel", "Label2", "Image1", "Label1"}) {
      QVERIFY2(v.Find<QLabel>(name) != nullptr, name);
    }
    QCOMPARE(v.Find<QGroupBox>("GroupBox1")->title(),
             QStringLiteral("Test how waveform would look for different data decoding"));
    QCOMPARE(v.Find<QGroupBox>("encodingradio")->title(), QStringLiteral("Sample decoding"));
    QCOMPARE(v.Find<QGroupBox>("signedradio")->title(), QStringLiteral("Data is"));
    QCOMPARE(v.Find<QGroupBox>("byteradio")->title(), QStringLiteral("Byte order"));
    QVERIFY(v.Find<QRadioButton>("encodingradioLinear16")->isChecked());
    QVERIFY(v.Find<QRadioButton>("signedradioSigned")->isChecked());
    QVERIFY(v.Find<QRadioButton>("byteradioIntel")->isChecked());
    QCOMPARE(v.bar()->orientation(), Qt::Horizontal);
    QCOMPARE(v.bar()->accessibleName(), QStringLiteral("Position in file"));
    QVERIFY(!v.bar()->isEnabled());
    QVERIFY(QFontInfo(v.Find<QPlainTextEdit>("Memo1")->font()).fixedPitch());
    const QImage image = v.Find<QLabel>("Image1")->pixmap().toImage();
    QCOMPARE(image.size(), QSize(353, 73));
    QCOMPARE(image.pixel(0, 0), qRgb(255, 255, 255));

    v.Form4.show();
    v.Form4.resize(598, 400);
    QCOMPARE(v.Find<QPlainTextEdit>("Memo1")->height(), 400 - 168 - 2);
  }

  void theScrollBarCoversLargeFilesAndIsResetForSmallOnes() {
    ViewerFixture v;
    v.Form4.ShowFile(v.File("big.raw", 20000));
    QVERIFY(v.bar()->isEnabled());
    QCOMPARE(v.bar()->maximum(), 20000 - 8192);
    QCOMPARE(v.bar()->singleStep(), 1024);
    QCOMPARE(v.bar()->pageStep(), 8192);
    QCOMPARE(v.Lines().size(), 512);

    // An odd position starts one byte earlier.
    v.bar()->setValue(8193);
    v.Form4.ShowFile("");
    QCOMPARE(v.FirstOffset(), QStringLiteral("02000"));

    // A smaller large file keeps the position within its own maximum.
    v.bar()->setValue(11808);
    v.Form4.ShowFile(v.File("mid.raw", 10000));
    QCOMPARE(v.bar()->value(), 10000 - 8192);
    QCOMPARE(v.FirstOffset(), QStringLiteral("00710"));

    for (const size_t size : {size_t{8192}, size_t{20}}) {
      v.bar()->setValue(1000);
      v.Form4.ShowFile(v.File("small.raw", size));
      QVERIFY(!v.bar()->isEnabled());
      QCOMPARE(v.bar()->value(), 0);
      QCOMPARE(v.FirstOffset(), QStringLiteral("00000"));
    }
    QCOMPARE(v.Lines().size(), 2);
    QCOMPARE(v.Lines()[1], QStringLiteral(" 01 01 01 01  00010 \u2022\u2022\u2022\u2022 "));

    v.Form4.ShowFile(v.File("empty.raw", 0));
    QCOMPARE(v.Lines(), QStringList{QStringLiteral("Could not read file.")});
  }

  void onlyLinearDecodingsShowTheSignAndOnly16BitTheByteOrder() {
    ViewerFixture v;
    const std::vector<std::tuple<const char*, bool, bool>> rules = {
        {"encodingradioMuLaw", false, false},
        {"encodingradioALaw", false, false},
        {"encodingradioLinear8", true, false},
        {"encodingradioLinear16", true, true}};
    for (const auto& [name, sign, order] : rules) {
      v.Find<QRadioButton>(name)->click();
      QVERIFY2(v.Find<QGroupBox>("signedradio")->isHidden() == !sign, name);
      QVERIFY2(v.Find<QGroupBox>("byteradio")->isHidden() == !order, name);
    }
  }

  void aScrollChangeDuringADisplayStartsItOverAndOtherRequestsAreDropped() {
    ViewerFixture v;
    const std::string big = v.File("big.raw", 40000);
    const std::string other = v.File("other.raw", 100);
    v.f.clockStep = 150;  // every check of the shared tick is due
    v.Form4.ShowFile(big);
    const int perDisplay = v.pumped;
    QVERIFY(perDisplay > 8192);

    v.pumped = 0;
    int scrolls = 0;
    v.pump = [&] {
      QVERIFY(v.Form4.Busy());
      if (scrolls++ == 100) {
        v.bar()->setValue(16000);  // the user drags the bar while the dump is built
        v.Form4.ShowFile(other);   // and asks for another file: dropped
      }
    };
    v.Form4.ShowFile("");
    QVERIFY(!v.Form4.Busy());
    QVERIFY(!v.Form4.ScrollChanged());
    QCOMPARE(v.Form4.CurrentFile(), big);
    QCOMPARE(v.FirstOffset(), QStringLiteral("03E80"));
    QCOMPARE(v.Lines().size(), 512);
    // The first display stopped after 101 bytes; the second ran in full.
    QCOMPARE(v.pumped, 101 + perDisplay);
  }

  void theIdleHandlerRedrawsAVisibleViewerAfterAScrollChange() {
    ViewerFixture v;
    v.Form4.ShowFile(v.File("big.raw", 20000));
    v.Form4.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v.Form4));
    v.bar()->setValue(33);
    QVERIFY(RunEventLoopUntil([&] { return v.FirstOffset() == QStringLiteral("00020"); }));
    QVERIFY(!v.Form4.ScrollChanged());

    // A hidden viewer waits until it is shown.
    v.Form4.hide();
    v.bar()->setValue(64);
    QVERIFY(!RunEventLoopUntil([&] { return v.FirstOffset() != QStringLiteral("00020"); }));
    QCOMPARE(v.FirstOffset(), QStringLiteral("00020"));
  }

  void theWaveformHasABlackPixelAtEveryPointInsideTheImageAndNoOther() {
    ViewerFixture v;
    std::mt19937 random(7);
    std::string bytes(3001, '\0');
    for (char& byte : bytes) {
      byte = static_cast<char>(random());
    }
    const std::string path = v.f.folder + "/noise.raw";
    test::WriteFile(path, bytes);
    v.Form4.ShowFile(path);
    const std::vector<uint8_t> block = Bytes(path);

    for (const char* choice : {"encodingradioLinear16", "byteradioMotorola", "signedradioUnsigned",
                               "encodingradioLinear8", "encodingradioMuLaw", "encodingradioALaw"}) {
      v.Find<QRadioButton>(choice)->click();
      std::set<std::pair<int, int>> expected;
      for (const WavePoint& p : WaveformPoints(block, v.Form4.Decoding())) {
        if (p.x < 353 && p.y < 73) {
          expected.insert({p.x, p.y});
        }
      }
      QVERIFY(expected.size() > 100);
      const QImage image = v.Find<QLabel>("Image1")->pixmap().toImage();
      QCOMPARE(image.size(), QSize(353, 73));
      int wrong = 0;
      for (int y = 0; y < 73; ++y) {
        for (int x = 0; x < 353; ++x) {
          const QRgb want = expected.count({x, y}) ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
          wrong += (image.pixel(x, y) & 0xFFFFFF) != (want & 0xFFFFFF);
        }
      }
      QVERIFY2(wrong == 0, choice);
    }
    QCOMPARE(v.Form4.Decoding().encoding, WaveEncoding::ALaw);
  }

  void openErrorsAreReportedAndTheViewerStaysUsable() {
    ViewerFixture v;
    v.Form4.ShowFile(v.File("good.raw", 100));
    v.Form4.ShowFile(v.f.folder + "/missing.raw");
    QCOMPARE(v.f.boxes.shown.size(), size_t{1});
    QVERIFY2(v.f.boxes.shown[0].text.find("missing.raw") != std::string::npos,
             v.f.boxes.shown[0].text.c_str());
    QVERIFY(!v.Form4.Busy());
    QVERIFY(!v.Find<QPlainTextEdit>("Memo1")->isHidden());
    QCOMPARE(v.Find<QPlainTextEdit>("Memo1")->toPlainText(), QString());
    QCOMPARE(v.Find<QLabel>("Image1")->pixmap().toImage().pixel(353 / 2, 36), qRgb(255, 255, 255));
    v.Form4.ShowFile(v.f.folder + "/good.raw");
    QCOMPARE(v.Lines().size(), 7);
  }

  void propertiesShowsTheFocusedSelectedFileWithoutBlocking() {
    ViewerFixture v;
    OpenRegistryRoot(RegistryRoot::HKEY_CURRENT_USER)
        ->WriteValue("Software\\QuorvikData\\Dravel", "DebugMode", int32_t{1});
    std::vector<int16_t> samples(6000);
    for (size_t i = 0; i < samples.size(); ++i) {
      samples[i] = static_cast<int16_t>(std::lround(20000 * std::sin(i * 2 * M_PI / 500.0)));
    }
    test::WriteFile(v.f.folder + "/tone.wav", test::WavBytes(samples));
    v.f.Show();
    v.f.form().Information1Click();
    QVERIFY(v.Form4.isHidden());  // nothing selected

    v.f.SelectFiles({"tone.wav"});
    v.f.Find<QAction>("Information1")->trigger();
    QVERIFY(v.Form4.isVisible());
    QVERIFY(!v.Form4.isModal());
    QCOMPARE(v.Form4.windowTitle(), QStringLiteral("Properties of tone.wav"));
    QCOMPARE(v.Find<QLabel>("filenamelabel")->text().toStdString(), v.f.folder + "/tone.wav");
    QVERIFY(!v.Find<QLabel>("infolabel")->text().isEmpty());
    QVERIFY(v.bar()->isEnabled());
    QVERIFY(QTest::qWaitForWindowExposed(&v.Form4));
    QVERIFY(v.Form4.grab().save(QStringLiteral(VORSEL_SCREENSHOT_DIR "/viewer-wav16.png")));
  }
};

QTEST_MAIN(ViewerTest)
#include "viewer_test.moc"
