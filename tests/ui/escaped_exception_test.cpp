// An exception that escapes an event handler of the window, through the application object:
// recorded with its throw site, shown, and the window goes on.
#include <QComboBox>
#include <QtTest>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include "kit/sini.h"
#include "platform/qt/vorsel_application.h"
#include "tests/ui/form_fixture.h"

using namespace vorsel;
using vorsel::test::FormFixture;

namespace {

// A mouse press on the watched widget throws, as a faulty click handler would.
class ThrowingFilter : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) {
      throw std::runtime_error("Handler failed");
    }
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

class EscapedExceptionTest : public QObject {
  Q_OBJECT

 private slots:
  void anEscapedExceptionIsLoggedWithItsThrowSiteAndShown() {
    FormFixture f;
    auto* application = static_cast<VorselApplication*>(QCoreApplication::instance());
    application->SetErrorReporter(&f.form().Errors());
    TDravelIni().WriteBool("ErrorLog", "LogErrors", true);
    f.Show();
    const std::string logFile = f.form().ErrorLog().LogFileName();
    std::filesystem::remove(logFile);  // the folder outlives the test's stores

    ThrowingFilter thrower;
    QPushButton* button = f.Button("smpbutton");
    button->installEventFilter(&thrower);
    QTest::mouseClick(button, Qt::LeftButton);
    button->removeEventFilter(&thrower);
    application->SetErrorReporter(nullptr);

    QCOMPARE(f.boxes.shown.size(), size_t{2});
    QCOMPARE(f.boxes.shown[0].caption, std::string("Logfile created"));
    QCOMPARE(f.boxes.shown[1].text, std::string("Handler failed."));
    QCOMPARE(f.boxes.shown[1].caption, std::string("Vorsel"));
    std::vector<std::string> sections;
    TIni log(logFile);
    log.ReadSections(sections);
    QCOMPARE(sections.size(), size_t{1});
    QCOMPARE(log.ReadString(sections[0], "Message", ""), std::string("Handler failed"));
    const std::string address = log.ReadString(sections[0], "Address", "");
    QCOMPARE(address.size(), size_t{8});
    QVERIFY2(address != "00000000", address.c_str());
    // The address is an offset inside the program file: addr2line names the throwing function.
    const std::string command =
        "addr2line -f -C -e /proc/" + std::to_string(getpid()) + "/exe 0x" + address;
    std::string resolved(512, '\0');
    FILE* pipe = popen(command.c_str(), "r");
    QVERIFY(pipe != nullptr);
    resolved.resize(fread(resolved.data(), 1, resolved.size(), pipe));
    pclose(pipe);
    QVERIFY2(resolved.find("ThrowingFilter::eventFilter") != std::string::npos, resolved.c_str());

    test::WriteFile(f.folder + "/a.wav", test::WavBytes({0, 100, -100}, 8000));
    QComboBox* filter = f.Find<QComboBox>("FilterComboBox1");
    filter->setCurrentIndex(1);
    emit filter->activated(1);
    f.SelectFiles({"a.wav"});
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(f.LogLines().back(), std::string("Done"));
    QVERIFY(std::filesystem::exists(f.folder + "/a.smp"));
  }
};

int main(int argc, char** argv) {
  VorselApplication application(argc, argv);
  EscapedExceptionTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "escaped_exception_test.moc"
