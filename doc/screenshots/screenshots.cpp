// Makes the manual's pictures from the real windows: each window is built offscreen over
// fixed sample files, put into a typical state and grabbed into OUTPUT_FOLDER/<name>.png.
//
//   vorsel_screenshots OUTPUT_FOLDER SAMPLE_FOLDER
//
// scripts/screenshots runs it with the stores in a scratch folder and one fixed font, so
// that the pictures only change when a window does. A new window or dialog page is one
// function and one row of kShots.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "frontend/targets.h"
#include "frontend/ui/TForm1.h"
#include "frontend/ui/TForm4.h"
#include "kit/sini.h"
#include "platform/folders.h"
#include "platform/qt/qt_about_dialog.h"
#include "platform/qt/qt_file_dialogs.h"
#include "platform/qt/qt_message_boxes.h"
#include "platform/qt/qt_opener.h"
#include "probing/description.h"

namespace fs = std::filesystem;
using namespace vorsel;

namespace {

void PutLE(std::string& bytes, uint32_t value, int size) {
  for (int i = 0; i < size; ++i) {
    bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  }
}

// A mono 16-bit WAV file of a sum of sines, the same bytes on every run.
void WriteWav(const fs::path& path, uint32_t rate, size_t count,
              const std::function<double(double)>& wave) {
  std::string bytes = "RIFF";
  PutLE(bytes, static_cast<uint32_t>(36 + 2 * count), 4);
  bytes += "WAVEfmt ";
  PutLE(bytes, 16, 4);
  PutLE(bytes, 1, 2);
  PutLE(bytes, 1, 2);
  PutLE(bytes, rate, 4);
  PutLE(bytes, rate * 2, 4);
  PutLE(bytes, 2, 2);
  PutLE(bytes, 16, 2);
  bytes += "data";
  PutLE(bytes, static_cast<uint32_t>(2 * count), 4);
  for (size_t i = 0; i < count; ++i) {
    const double t = static_cast<double>(i) / rate;
    PutLE(bytes, static_cast<uint16_t>(static_cast<int16_t>(std::lround(20000 * wave(t)))), 2);
  }
  std::ofstream(path, std::ios::binary) << bytes;
}

void WriteSamples(const fs::path& folder) {
  fs::create_directories(folder);
  WriteWav(folder / "vowel-a.wav", 16000, 16000, [](double t) {
    return 0.6 * std::sin(2 * M_PI * 220 * t) + 0.3 * std::sin(2 * M_PI * 660 * t);
  });
  WriteWav(folder / "vowel-i.wav", 16000, 12000,
           [](double t) { return 0.8 * std::sin(2 * M_PI * 300 * t) * std::exp(-2 * t); });
  // Slow enough that the viewer's preview of one block shows single periods.
  WriteWav(folder / "hum.wav", 16000, 8000, [](double t) {
    return 0.7 * std::sin(2 * M_PI * 50 * t) + 0.2 * std::sin(2 * M_PI * 150 * t);
  });
  WriteWav(folder / "whistle.wav", 22050, 11025,
           [](double t) { return 0.5 * std::sin(2 * M_PI * 1000 * t); });
}

// The windows as the program builds them, with the platform's real dialogs.
struct Windows {
  explicit Windows(const std::string& samples)
      : folder(samples),
        Form1(TForm1Parts{.boxes = boxes,
                          .fileDialogs = dialogs,
                          .opener = opener,
                          .arguments = {},
                          .clock = {}}),
        Form4(TForm4Parts{.pacer = Form1.Pacer(),
                          .errors = Form1.Errors(),
                          .describe =
                              [this](const std::string& path) {
                                return FileDescription(path, ProbeSettingsOf(Form1.Settings()));
                              },
                          .processMessages = {}}) {
    Form1.SetForm4(Form4);
    boxes.SetParent(&Form1);
    dialogs.SetParent(&Form1);
    Form1.show();
    QApplication::processEvents();
    Form1.ChangeFolder(folder);
    QApplication::processEvents();
  }

  std::string Path(const std::string& name) const { return folder + "/" + name; }

  void Select(const std::vector<std::string>& names) {
    auto* list = Form1.findChild<QListWidget*>(QStringLiteral("FileListBox1"));
    list->clearSelection();
    for (int i = 0; i < list->count(); ++i) {
      for (const std::string& name : names) {
        if (list->item(i)->text().toStdString() == name) {
          list->setCurrentItem(list->item(i), QItemSelectionModel::Select);
        }
      }
    }
  }

  std::string folder;
  QtMessageBoxes boxes;
  QtFileDialogs dialogs;
  QtOpener opener;
  TForm1 Form1;
  TForm4 Form4;
};

// Grabs the modal dialog with this caption that the action opens, on the given page of its
// notebook, then closes it. Another modal window (a message box instead of the dialog) is
// closed unphotographed.
QPixmap GrabModal(const QString& caption, int page, const std::function<void()>& open) {
  QPixmap picture;
  // Owned here, so that it cannot fire later when the action opened nothing modal.
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, [&picture, &caption, page] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr) {
      return;
    }
    if (dialog->windowTitle() == caption) {
      if (auto* notebook = dialog->findChild<QTabWidget*>(QStringLiteral("TabbedNotebook1"))) {
        notebook->setCurrentIndex(page);
      }
      QApplication::processEvents();
      picture = dialog->grab();
    } else {
      std::fprintf(stderr, "screenshots: \"%s\" opened instead of \"%s\"\n",
                   qPrintable(dialog->windowTitle()), qPrintable(caption));
    }
    dialog->close();
  });
  timer.start(200);
  open();
  return picture;
}

QPixmap MenuDialog(Windows& w, const char* action, const char* caption, int page) {
  auto* entry = w.Form1.findChild<QAction*>(QString::fromLatin1(action));
  return entry != nullptr
             ? GrabModal(QString::fromLatin1(caption), page, [entry] { entry->trigger(); })
             : QPixmap();
}

template <int Page>
QPixmap ImportPage(Windows& w) {
  return MenuDialog(w, "Import1", "Import options", Page);
}

template <int Page>
QPixmap ExportPage(Windows& w) {
  return MenuDialog(w, "Options1", "Export options", Page);
}

QPixmap NamingOptions(Windows& w) {
  return MenuDialog(w, "Options2", "Options", 0);
}

// Opened by the filter item "Custom", as the user opens it.
QPixmap CustomMask(Windows& w) {
  auto* filter = w.Form1.findChild<QComboBox*>(QStringLiteral("FilterComboBox1"));
  const int previous = filter->currentIndex();
  const QPixmap picture = GrabModal(QStringLiteral("Custom file mask"), 0, [&w, filter] {
    filter->setCurrentIndex(10);
    w.Form1.FilterComboBox1Change();
  });
  filter->setCurrentIndex(previous);
  w.Form1.FilterComboBox1Change();
  return picture;
}

// Export codings under which the pages show their fit, dither and note controls.
void StoreShownOptions() {
  TIni store;
  for (const char* section : {"ExportWAV", "ExportAU"}) {
    store.WriteInteger(section, "Encoding", 2);
    store.WriteBool(section, "StoreSMPHeader", true);
  }
  store.WriteInteger("ExportAIF", "Encoding", 0);
  store.WriteInteger("ExportRAW", "Encoding", 2);
}

QAction* MenuEntry(QMenu& menu, const QString& caption) {
  for (QAction* action : menu.actions()) {
    if (action->text() == caption) {
      return action;
    }
  }
  return nullptr;
}

QPixmap MainWindow(Windows& w) {
  w.Select({"vowel-a.wav", "vowel-i.wav"});
  w.Form1.RunTarget(*FindTargetByName("smpbutton"));
  w.Select({"whistle.wav"});
  w.Form1.ShowFileInfo(w.Path("whistle.wav"));
  QApplication::processEvents();
  return w.Form1.grab();
}

QPixmap HexViewer(Windows& w) {
  w.Form4.setWindowTitle(QStringLiteral("Properties of hum.wav"));
  w.Form4.ShowFile(w.Path("hum.wav"));
  w.Form4.show();
  QApplication::processEvents();
  QPixmap picture = w.Form4.grab();
  w.Form4.hide();
  return picture;
}

QPixmap AboutBox(Windows& w) {
  QMenu* help = w.Form1.menuBar()->actions().back()->menu();
  QAction* about = help != nullptr ? MenuEntry(*help, QStringLiteral("A&bout...")) : nullptr;
  return about != nullptr ? GrabModal(QStringLiteral("About"), 0, [about] { about->trigger(); })
                          : QPixmap();
}

struct Shot {
  const char* name;  // the picture's file name without ".png"
  QPixmap (*take)(Windows& windows);
};

// The pages follow the notebooks' order.
constexpr Shot kShots[] = {
    {"main", &MainWindow},          {"viewer", &HexViewer},         {"about", &AboutBox},
    {"import-wav", &ImportPage<0>}, {"import-au", &ImportPage<1>},  {"import-aiff", &ImportPage<2>},
    {"import-nsp", &ImportPage<3>}, {"import-raw", &ImportPage<4>}, {"import-txt", &ImportPage<5>},
    {"export-wav", &ExportPage<0>}, {"export-au", &ExportPage<1>},  {"export-aiff", &ExportPage<2>},
    {"export-nsp", &ExportPage<3>}, {"export-raw", &ExportPage<4>}, {"options", &NamingOptions},
    {"custom-mask", &CustomMask},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER SAMPLE_FOLDER\n", argv[0]);
    return 2;
  }
  const fs::path output = fs::absolute(argv[1]);
  const fs::path samples = fs::absolute(argv[2]);
  WriteSamples(samples);
  fs::create_directories(output);

  QApplication application(argc, argv);
  QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
  QApplication::setWindowIcon(ProgramIcon());
  SetProgramFileName((samples.parent_path() / "vorsel").string());
  ProbeRegistryRoot();
  StoreShownOptions();

  Windows windows(samples.string());
  int failures = 0;
  for (const Shot& shot : kShots) {
    const QPixmap picture = shot.take(windows);
    const fs::path file = output / (std::string(shot.name) + ".png");
    if (picture.isNull() || !picture.save(QString::fromStdString(file.string()))) {
      std::fprintf(stderr, "screenshots: could not make %s\n", file.c_str());
      ++failures;
    } else {
      std::printf("%s\n", file.c_str());
    }
  }
  return failures == 0 ? 0 : 1;
}
