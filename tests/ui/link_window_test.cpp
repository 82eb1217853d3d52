// The window program on the suite's link, with real sockets between real processes in the
// runtime folder of the test program (short enough for a socket address): the
// built vorsel announces itself, answers, re-reads its file list when vorsel-cli converted a
// file, quits when told to, and registers its settings files with the desktop.
#include <QComboBox>
#include <QProcess>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "kit/slink.h"
#include "tests/support/link_listener.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/form_fixture.h"

using namespace vorsel;
namespace fs = std::filesystem;

namespace {

std::optional<LinkDatagram> FirstFrom(const test::Datagrams& ds, int kind, int id) {
  for (const LinkDatagram& d : ds) {
    if (test::KindOf(d) == kind && test::SenderIdOf(d) == id) {
      return d;
    }
  }
  return std::nullopt;
}

void Tell(LinkTransport& transport, uint32_t to, tslmessage msg) {
  transport.Post(to, LinkDatagram{.message = transport.MessageNumber(),
                                  .wparam = transport.Handle(),
                                  .lparam = static_cast<uint32_t>(idsuite1) << 24 |
                                            static_cast<uint32_t>(msg) << 16});
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string DesktopEntries(const fs::path& folder) {
  std::string all;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (entry.path().extension() == ".desktop") {
      all += ReadText(entry.path());
    }
  }
  return all;
}

}  // namespace

class LinkWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void theWindowShowsAFileThatTheToolConverted() {
    test::FormFixture f;
    f.Show();
    f.form().SelectFilter(8);  // all audio files, SMP included
    f.form().ApplyFilter();
    test::WriteFile(f.folder + "/tone.wav", test::WavBytes({0, 1000, -1000, 2000}));
    f.form().DirectoryListBox1DblClick();
    QCOMPARE(f.ListedFiles(), (std::vector<std::string>{"tone.wav"}));

    QProcess cli;
    cli.setWorkingDirectory(QString::fromStdString(f.folder));
    cli.start(QStringLiteral(VORSEL_CLI), {QStringLiteral("to-smp"), QStringLiteral("tone.wav")});
    QVERIFY(cli.waitForFinished(20000));
    QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
    QVERIFY(fs::exists(f.folder + "/tone.smp"));
    QTRY_COMPARE_WITH_TIMEOUT(f.ListedFiles(), (std::vector<std::string>{"tone.smp", "tone.wav"}),
                              10000);
  }

  void theProgramAnnouncesAnswersQuitsAndRegistersItsSettingsFiles() {
    test::StoreEnvironment store;
    const auto listener = OpenLinkTransport(kLinkMessageName, LinkFolderUse::Create);
    QVERIFY(listener->Handle() != 0);

    QProcess vorsel;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    vorsel.setProcessEnvironment(environment);
    vorsel.setWorkingDirectory(QString::fromStdString(store.dir.path().string()));
    vorsel.start(QStringLiteral(VORSEL_WINDOW_PROGRAM), {});
    QVERIFY(vorsel.waitForStarted());

    const test::Datagrams started = test::Collect(
        *listener, std::chrono::seconds(20),
        [](const test::Datagrams& ds) { return FirstFrom(ds, slstarting, idvorsel).has_value(); });
    const auto starting = FirstFrom(started, slstarting, idvorsel);
    QVERIFY2(starting, vorsel.readAllStandardError().constData());
    const uint32_t handle = starting->wparam;

    Tell(*listener, handle, slwho);
    const test::Datagrams answers =
        test::Collect(*listener, std::chrono::seconds(2), test::HasKind(slimsomeone));
    QCOMPARE(test::CountKind(answers, slimsomeone), size_t{1});
    QVERIFY(FirstFrom(answers, slimsomeone, idvorsel));

    // The first start registered ".vrs" files with the desktop, in the user's own folders.
    const fs::path data = store.dir.path() / "data";
    QVERIFY(!fs::is_empty(data / "mime" / "packages"));
    const std::string entries = DesktopEntries(data / "applications");
    QVERIFY2(entries.find(VORSEL_WINDOW_PROGRAM) != std::string::npos, entries.c_str());
    QVERIFY(entries.find("%f") != std::string::npos);
    QVERIFY(ReadText(store.dir.path() / "config" / "mimeapps.list")
                .find("application/x-vorsel-settings") != std::string::npos);

    Tell(*listener, handle, slquit);
    QVERIFY(vorsel.waitForFinished(20000));
    QCOMPARE(vorsel.exitStatus(), QProcess::NormalExit);
    QVERIFY2(vorsel.exitCode() == 0, vorsel.readAllStandardError().constData());
    const test::Datagrams last =
        test::Collect(*listener, std::chrono::seconds(2), test::HasKind(slquitting));
    QVERIFY(FirstFrom(last, slquitting, idvorsel));
  }
};

QTEST_MAIN(LinkWindowTest)
#include "link_window_test.moc"
