#include "frontend/ui/TForm4.h"

#include <QButtonGroup>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPixmap>
#include <QResizeEvent>
#include <QScreen>
#include <QSignalBlocker>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "platform/eventpump.h"
#include "ui_TForm4.h"

namespace vorsel {

namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

Ui::TForm4* SetUp(QWidget* window) {
  auto* form = new Ui::TForm4;
  form->setupUi(window);
  return form;
}

std::optional<uint64_t> FileSize(const std::string& path) {
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(path, error);
  if (error) {
    return std::nullopt;
  }
  return static_cast<uint64_t>(size);
}

}  // namespace

TForm4::TForm4(TForm4Parts parts)
    : ui(SetUp(this)),
      fparts(std::move(parts)),
      waveform_(kWaveformWidth, kWaveformHeight, QImage::Format_RGB32) {
  setWindowFlags(Qt::Window);
  QFont font = QApplication::font();
  font.setPointSize(8);
  setFont(font);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSize(8);
  ui->Memo1->setFont(fixed);
  QPalette palette = ui->Memo1->palette();
  palette.setColor(QPalette::Text, Qt::black);
  ui->Memo1->setPalette(palette);

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
  }
  waveform_.fill(Qt::white);
  ui->Image1->setPixmap(QPixmap::fromImage(waveform_));

  auto* encodings = new QButtonGroup(ui->encodingradio);
  encodings->addButton(ui->encodingradioMuLaw, static_cast<int>(WaveEncoding::MuLaw));
  encodings->addButton(ui->encodingradioALaw, static_cast<int>(WaveEncoding::ALaw));
  encodings->addButton(ui->encodingradioLinear8, static_cast<int>(WaveEncoding::Linear8));
  encodings->addButton(ui->encodingradioLinear16, static_cast<int>(WaveEncoding::Linear16));
  connect(encodings, &QButtonGroup::idClicked, this, [this] { encodingradioClick(); });
  auto* signs = new QButtonGroup(ui->signedradio);
  signs->addButton(ui->signedradioSigned, 0);
  signs->addButton(ui->signedradioUnsigned, 1);
  connect(signs, &QButtonGroup::idClicked, this, [this] { signedradioClick(); });
  auto* orders = new QButtonGroup(ui->byteradio);
  orders->addButton(ui->byteradioIntel, 0);
  orders->addButton(ui->byteradioMotorola, 1);
  connect(orders, &QButtonGroup::idClicked, this, [this] { byteradioClick(); });
  connect(ui->ScrollBar1, &QScrollBar::valueChanged, this, [this] { ScrollBar1Change(); });
  ApplyVisibilityRule();
}

TForm4::~TForm4() = default;

WaveDecoding TForm4::Decoding() const {
  WaveEncoding encoding = WaveEncoding::Linear16;
  if (ui->encodingradioMuLaw->isChecked()) {
    encoding = WaveEncoding::MuLaw;
  } else if (ui->encodingradioALaw->isChecked()) {
    encoding = WaveEncoding::ALaw;
  } else if (ui->encodingradioLinear8->isChecked()) {
    encoding = WaveEncoding::Linear8;
  }
  return WaveDecoding{.encoding = encoding,
                      .signedData = ui->signedradioSigned->isChecked(),
                      .motorola = ui->byteradioMotorola->isChecked()};
}

void TForm4::ApplyVisibilityRule() {
  const WaveEncoding encoding = Decoding().encoding;
  ui->signedradio->setVisible(encoding == WaveEncoding::Linear8 ||
                              encoding == WaveEncoding::Linear16);
  ui->byteradio->setVisible(encoding == WaveEncoding::Linear16);
}

void TForm4::encodingradioClick() {
  ApplyVisibilityRule();
  ShowFile("");
}

void TForm4::signedradioClick() {
  ApplyVisibilityRule();
  ShowFile("");
}

void TForm4::byteradioClick() {
  ApplyVisibilityRule();
  ShowFile("");
}

void TForm4::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FormResize();
}

void TForm4::FormResize() {
  ui->Memo1->resize(ui->Memo1->width(), height() - ui->Memo1->y() - 2);
}

void TForm4::RedrawIfScrolled() {
  if (restart_ && !busy_ && isVisible()) {
    ShowFile("");
  }
}

void TForm4::ShowFile(const std::string& path) {
  if (busy_) {
    return;
  }
  restart_ = true;
  while (restart_) {
    restart_ = false;
    busy_ = true;
    try {
      RunDisplay(path);
    } catch (const std::exception& error) {
      // The viewer stays usable, and a failed file is not tried again by the idle handler.
      busy_ = false;
      restart_ = false;
      ui->Memo1->show();
      fparts.errors.HandleException(error);
      return;
    }
    busy_ = false;
  }
}

bool TForm4::Interrupted() {
  if (restart_) {
    return true;  // the rest of this display is skipped without letting more events in
  }
  if (fparts.pacer.TickDue(100)) {
    if (fparts.processMessages) {
      fparts.processMessages();
    } else {
      ProcessPendingEvents();
    }
  }
  return restart_;
}

void TForm4::SetScrollLimits() {
  QScrollBar* bar = ui->ScrollBar1;
  const uint64_t position = ScrollBytes(bar->value(), limits_);
  limits_ = ScrollLimitsFor(FileSize(current_));
  // Only the user's scrolling restarts a display.
  const QSignalBlocker quiet(bar);
  bar->setEnabled(limits_.enabled);
  bar->setMaximum(limits_.maximum);
  bar->setSingleStep(limits_.smallChange);
  bar->setPageStep(limits_.largeChange);
  bar->setValue(ScrollValue(position, limits_));
}

void TForm4::RunDisplay(const std::string& path) {
  if (!path.empty()) {
    current_ = path;
    SetScrollLimits();
  }
  if (current_.empty()) {
    return;
  }
  ui->filenamelabel->setText(FromUtf8(current_));
  ui->infolabel->setText(fparts.describe ? FromUtf8(fparts.describe(current_)) : QString());
  ui->Memo1->hide();
  ui->Memo1->clear();
  // Nothing of an earlier block may stay in sight if this one cannot be read.
  waveform_.fill(Qt::white);
  ui->Image1->setPixmap(QPixmap::fromImage(waveform_));

  const DumpBlock block = ReadDumpBlock(current_, ScrollBytes(ui->ScrollBar1->value(), limits_));
  QStringList lines;
  if (block.bytes.empty()) {
    lines << FromUtf8(kCouldNotReadLine);
  } else {
    DumpLineBuilder builder(block.start);
    for (const uint8_t byte : block.bytes) {
      if (Interrupted()) {
        break;
      }
      builder.Add(byte);
    }
    for (const std::string& line : builder.Finish()) {
      lines << FromUtf8(line);
    }
  }
  ui->Memo1->setPlainText(lines.join(QLatin1Char('\n')));
  ui->Memo1->show();
  DrawWaveform(block);
}

void TForm4::DrawWaveform(const DumpBlock& block) {
  const WaveDecoding decoding = Decoding();
  for (size_t i = 0; i < block.bytes.size(); ++i) {
    if (Interrupted()) {
      break;
    }
    const auto point = WaveformPoint(block.bytes, i, decoding);
    // A point on the far edge lies just outside the bitmap and is not drawn.
    if (point && waveform_.valid(point->x, point->y)) {
      waveform_.setPixel(point->x, point->y, qRgb(0, 0, 0));
    }
  }
  ui->Image1->setPixmap(QPixmap::fromImage(waveform_));
}

}  // namespace vorsel
