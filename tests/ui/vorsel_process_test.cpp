// The built window program as a separate process: SIGTERM ends it as "E&xit" does, and
// without a display it says what to use instead.
#include <QProcess>
#include <QtTest>
#include <csignal>
#include <fstream>
#include <memory>
#include <string>

#include "kit/sini.h"
#include "tests/platform/store_environment.h"

using namespace vorsel;

namespace {

// Whether the process has its own SIGTERM handler yet (the SigCgt mask of /proc).
bool CatchesSigterm(qint64 pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("SigCgt:", 0) == 0) {
      const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
      return (mask >> (SIGTERM - 1)) & 1;
    }
  }
  return false;
}

}  // namespace

class VorselProcessTest : public QObject {
  Q_OBJECT

 private slots:
  void sigtermClosesTheWindowAndSavesTheSettings() {
    test::StoreEnvironment store;
    QCOMPARE(TIni().ReadInteger("Common", "FileTypes", -1), -1);

    QProcess vorsel;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    vorsel.setProcessEnvironment(environment);
    vorsel.setWorkingDirectory(QString::fromStdString(store.dir.path().string()));
    vorsel.start(QStringLiteral(VORSEL_WINDOW_PROGRAM), {});
    QVERIFY(vorsel.waitForStarted());
    // A signal that comes before the event loop runs waits for it in the handler's pipe.
    QTRY_VERIFY_WITH_TIMEOUT(CatchesSigterm(vorsel.processId()), 20000);

    ::kill(static_cast<pid_t>(vorsel.processId()), SIGTERM);
    QVERIFY(vorsel.waitForFinished(20000));
    QCOMPARE(vorsel.exitStatus(), QProcess::NormalExit);
    QVERIFY2(vorsel.exitCode() == 0, vorsel.readAllStandardError().constData());
    QCOMPARE(TIni().ReadInteger("Common", "FileTypes", -1), 7);
    QCOMPARE(TIni().ReadInteger("Common", "Action", -1), 0);
  }

  void withoutADisplayItNamesTheCommandLineTool() {
    test::StoreEnvironment store;
    QProcess vorsel;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
      environment.remove(QString::fromLatin1(name));
    }
    vorsel.setProcessEnvironment(environment);
    vorsel.start(QStringLiteral(VORSEL_WINDOW_PROGRAM), {});
    QVERIFY(vorsel.waitForFinished(20000));
    QCOMPARE(vorsel.exitStatus(), QProcess::NormalExit);
    QCOMPARE(vorsel.exitCode(), 1);
    const QString error = QString::fromUtf8(vorsel.readAllStandardError());
    QCOMPARE(error.count(QLatin1Char('\n')), 1);
    QVERIFY(error.contains(QStringLiteral("vorsel-cli")));

    environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":97"));  // no server there
    vorsel.setProcessEnvironment(environment);
    vorsel.start(QStringLiteral(VORSEL_WINDOW_PROGRAM), {});
    QVERIFY(vorsel.waitForFinished(20000));
    QCOMPARE(vorsel.exitStatus(), QProcess::NormalExit);
    QCOMPARE(vorsel.exitCode(), 1);
    QVERIFY(
        QString::fromUtf8(vorsel.readAllStandardError()).contains(QStringLiteral("vorsel-cli")));
  }

  // Without any display: answering must not need a window.
  void helpAndVersionPrintWithoutAWindowAndOtherArgumentsDoNot() {
    test::StoreEnvironment store;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
      environment.remove(QString::fromLatin1(name));
    }
    const auto run = [&environment](const QStringList& arguments) {
      auto vorsel = std::make_unique<QProcess>();
      vorsel->setProcessEnvironment(environment);
      vorsel->start(QStringLiteral(VORSEL_WINDOW_PROGRAM), arguments);
      vorsel->waitForFinished(20000);
      return vorsel;
    };
    auto help = run({QStringLiteral("--help")});
    QCOMPARE(help->exitCode(), 0);
    const QString usage = QString::fromUtf8(help->readAllStandardOutput());
    QVERIFY2(usage.startsWith(QStringLiteral("Usage: vorsel [SETTINGS.vrs]\n")), qPrintable(usage));
    QVERIFY(usage.contains(QStringLiteral("--version")));
    QCOMPARE(help->readAllStandardError(), QByteArray());

    auto version = run({QStringLiteral("--version"), QStringLiteral("ignored.vrs")});
    QCOMPARE(version->exitCode(), 0);
    QCOMPARE(version->readAllStandardOutput(), QByteArray("vorsel 4.50\n"));

    // Only an exact first argument answers; anything else still means starting the window.
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("speech.vrs"), QStringLiteral("--help")},
          QStringList{QStringLiteral("--helpme")}}) {
      auto window = run(arguments);
      QCOMPARE(window->exitCode(), 1);
      QCOMPARE(window->readAllStandardOutput(), QByteArray());
      QVERIFY(
          QString::fromUtf8(window->readAllStandardError()).contains(QStringLiteral("display")));
    }
  }
};

QTEST_MAIN(VorselProcessTest)
#include "vorsel_process_test.moc"
