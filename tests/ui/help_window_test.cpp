// The main window's Help menu, about box and error-log toggle.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

#include "tests/ui/form_fixture.h"

using namespace vorsel;
using vorsel::test::FormFixture;

namespace {

// Acts on the modal dialog once it is open, then lets the caller's exec return.
void WhenModal(std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [act] {
    QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
    act(QApplication::activeModalWidget());
  });
}

QAction* Entry(QMenu& menu, const QString& text) {
  for (QAction* action : menu.actions()) {
    if (action->text() == text) {
      return action;
    }
  }
  return nullptr;
}

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

  void theAboutEntryOpensTheDialogWithItsFields() {
    FormFixture f;
    f.Show();
    QMenu* help = f.form().menuBar()->actions().back()->menu();
    QAction* about = Entry(*help, QStringLiteral("A&bout..."));
    QVERIFY(about != nullptr);
    bool seen = false;
    WhenModal([&](QWidget* dialog) {
      seen = true;
      QCOMPARE(dialog->windowTitle(), QStringLiteral("About"));
      QCOMPARE(dialog->size(),
               QSize(f.form().About().form().width, f.form().About().form().height));
      auto* title = dialog->findChild<QLabel*>(QStringLiteral("titlelabel"));
      QVERIFY(title != nullptr);
      QCOMPARE(title->text(), QStringLiteral("Vorsel"));
      QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("versionlabel"))->text(),
               QStringLiteral("Version 4.5 for Linux"));
      QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("dravellabel"))->text(),
               QStringLiteral("A Dravel application"));
      QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("dravellabel"))->isVisible());
      QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("compiledatelabel"))
                  ->text()
                  .startsWith(QStringLiteral("Compiled ")));
      QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("extralabel"))->isHidden());
      auto* picture = dialog->findChild<QLabel*>(QStringLiteral("dravelimage"));
      QVERIFY(!picture->pixmap().isNull());
      QCOMPARE(picture->size(), QSize(155, 226));
      QVERIFY(!dialog->findChild<QLabel*>(QStringLiteral("progicon"))->pixmap().isNull());
      QVERIFY(dialog->findChild<QFrame*>(QStringLiteral("panel")) != nullptr);
      auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("okbutton"));
      QCOMPARE(ok->text(), QStringLiteral("&Ok"));
      QVERIFY(ok->isDefault());
      dialog->grab().save(QStringLiteral(VORSEL_SCREENSHOT_DIR "/about.png"));

      const bool logging = f.form().ErrorLog().LogErrors();
      QTest::mouseDClick(picture, Qt::LeftButton);
      QCOMPARE(f.form().ErrorLog().LogErrors(), !logging);
      int eggs = 0;
      f.form().About().SetOnEggClick([&eggs] { ++eggs; });
      QTest::mouseDClick(dialog->findChild<QLabel*>(QStringLiteral("progicon")), Qt::LeftButton);
      QCOMPARE(eggs, 1);
      ok->click();
    });
    about->trigger();
    QVERIFY(seen);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
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
