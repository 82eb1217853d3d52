// The main window's Help menu, about box and error-log toggle.
#include <QMenuBar>
#include <QtTest>

#include "tests/ui/form_fixture.h"

using namespace vorsel;
using vorsel::test::FormFixture;

namespace {

QStringList Texts(const QList<QAction*>& actions) {
  QStringList texts;
  for (const QAction* action : actions) {
    texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
  }
  return texts;
}

}  // namespace

class HelpWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void theHelpMenuComesLastAndOffersTheAboutBox() {
    FormFixture f;
    f.Show();
    const QList<QAction*> bar = f.form().menuBar()->actions();
    QVERIFY(!bar.isEmpty());
    QCOMPARE(bar.back()->text(), QStringLiteral("&Help"));
    QVERIFY(bar.back()->menu() != nullptr);
    const QStringList entries = Texts(bar.back()->menu()->actions());
    QVERIFY2(entries.contains(QStringLiteral("A&bout...")), qPrintable(entries.join('|')));
    QVERIFY(!entries.contains(QStringLiteral("&Check for new version now")));
    QVERIFY(f.opener.opened.empty());
  }

  void theAboutBoxDescribesVorselOnLinux() {
    FormFixture f;
    f.Show();
    TDravelAbout& about = f.form().About();
    QCOMPARE(about.Title(), std::string("Vorsel"));
    QCOMPARE(about.intversion(), int16_t{4 * 256 + 5});
    QCOMPARE(about.versionlabel().caption, std::string("Version 4.5 for Linux"));
    QVERIFY(about.dravellabel().visible);
    QCOMPARE(f.form().ErrorLog().Dravelabout(), static_cast<TAbout*>(&about));
  }

  void aWindowClosedAgainLeavesTheMenuBarWhole() {
    FormFixture f;
    f.Show();
    const qsizetype menus = f.form().menuBar()->actions().size();
    f.Restart();
    f.Show();
    QCOMPARE(f.form().menuBar()->actions().size(), menus);
  }
};

QTEST_MAIN(HelpWindowTest)
#include "help_window_test.moc"
