#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "frontend/error_reporter.h"
#include "frontend/hex_dump.h"
#include "frontend/tick_pacer.h"

namespace Ui {
class TForm4;
}

namespace vorsel {

// What the program lends the hex dump viewer.
struct TForm4Parts {
  TickPacer& pacer;       // shared with the main window's busy tick
  ErrorReporter& errors;  // open and read errors
  std::function<std::string(const std::string&)> describe;  // the one-line file description
  std::function<void()> processMessages;                    // the platform's event pump when empty
};

// The hex dump viewer Form4: one block of 8192 bytes of a file as hex and characters, and a
// preview of those bytes as a waveform under the decoding the radio groups choose. It is
// shown without blocking the main window; scroll changes restart a running display.
class TForm4 : public QWidget {
 public:
  explicit TForm4(TForm4Parts parts);
  ~TForm4() override;
  TForm4(const TForm4&) = delete;
  TForm4& operator=(const TForm4&) = delete;

  // Displays the file, or the current file again when path is empty. A request that comes
  // while a display runs is dropped.
  void ShowFile(const std::string& path);
  void ScrollBar1Change() { restart_ = true; }
  void encodingradioClick();
  void signedradioClick();
  void byteradioClick();
  void FormResize();

  // True when the scroll position changed after the last display began.
  bool ScrollChanged() const { return restart_; }
  // The idle handler's redraw: runs a display when the scroll position has changed.
  void RedrawIfScrolled();
  bool Busy() const { return busy_; }
  const std::string& CurrentFile() const { return current_; }
  WaveDecoding Decoding() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void RunDisplay(const std::string& path);
  void SetScrollLimits();
  void ApplyVisibilityRule();
  void DrawWaveform(const DumpBlock& block);
  // Lets pending events in at most every 100 ms; true when a scroll change asks to start over.
  bool Interrupted();

  std::unique_ptr<Ui::TForm4> ui;
  TForm4Parts fparts;
  std::string current_;
  bool busy_ = false;
  bool restart_ = false;
  DumpScrollLimits limits_;
  QImage waveform_;
};

}  // namespace vorsel
