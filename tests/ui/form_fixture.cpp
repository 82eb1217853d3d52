#include "tests/ui/form_fixture.h"

#include <QApplication>
#include <QStringList>
#include <filesystem>

#include "smp/sSMP.h"

namespace vorsel::test {

namespace {

void PutLE(std::string& bytes, uint32_t value, int size) {
  for (int i = 0; i < size; ++i) {
    bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  }
}

}  // namespace

FormFixture::FormFixture(std::vector<std::string> arguments) : arguments_(std::move(arguments)) {
  folder = (store.dir.path() / "sounds").string();
  std::filesystem::create_directories(folder);
  Restart();
}

void FormFixture::Restart() {
  form_.reset();
  form_ = std::make_unique<TForm1>(TForm1Parts{.boxes = boxes,
                                               .fileDialogs = dialogs,
                                               .opener = opener,
                                               .arguments = arguments_,
                                               .clock = [this] { return now += clockStep; }});
}

FormFixture::~FormFixture() {
  form_.reset();
}

TForm1& FormFixture::Show() {
  form_->show();
  form_->ChangeFolder(folder);
  QApplication::processEvents();
  return *form_;
}

std::vector<std::string> FormFixture::LogLines() {
  const QString text = Find<QPlainTextEdit>("Memo1")->toPlainText();
  std::vector<std::string> lines;
  if (text.isEmpty()) {
    return lines;
  }
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    lines.push_back(line.toStdString());
  }
  return lines;
}

void FormFixture::SelectFiles(const std::vector<std::string>& names) {
  QListWidget* list = Find<QListWidget>("FileListBox1");
  list->clearSelection();
  for (int i = 0; i < list->count(); ++i) {
    for (const std::string& name : names) {
      if (list->item(i)->text().toStdString() == name) {
        // Focus and selection together, as a click with Ctrl gives them.
        list->setCurrentItem(list->item(i), QItemSelectionModel::Select);
      }
    }
  }
}

std::vector<std::string> FormFixture::ListedFiles() {
  QListWidget* list = Find<QListWidget>("FileListBox1");
  std::vector<std::string> names;
  for (int i = 0; i < list->count(); ++i) {
    names.push_back(list->item(i)->text().toStdString());
  }
  return names;
}

std::string WavBytes(const std::vector<int16_t>& samples, uint32_t rate) {
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::string bytes = "RIFF";
  PutLE(bytes, 36 + dataBytes, 4);
  bytes += "WAVEfmt ";
  PutLE(bytes, 16, 4);
  PutLE(bytes, 1, 2);  // PCM
  PutLE(bytes, 1, 2);  // mono
  PutLE(bytes, rate, 4);
  PutLE(bytes, rate * 2, 4);
  PutLE(bytes, 2, 2);
  PutLE(bytes, 16, 2);
  bytes += "data";
  PutLE(bytes, dataBytes, 4);
  for (const int16_t sample : samples) {
    PutLE(bytes, static_cast<uint16_t>(sample), 2);
  }
  return bytes;
}

SmpContent ReadSmp(const std::string& path) {
  TSMPfile file;
  SmpContent content;
  if (!file.open_file(path, true)) {
    return content;
  }
  content.rate = file.SfTot();
  content.channels = file.nChans();
  file.SetPosition(0);
  auto chunk = std::make_unique<tsamplechunk>();
  while (true) {
    file.GetChunk(*chunk);
    if (chunk->used <= 0) {
      break;
    }
    content.samples.insert(content.samples.end(), chunk->data, chunk->data + chunk->used);
  }
  file.close_file();
  return content;
}

}  // namespace vorsel::test
