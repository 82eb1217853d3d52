#pragma once

#include <cstddef>
#include <string>

namespace vorsel {

// The part of the main window that a conversion batch reads and animates. The window program,
// the command-line tool and the tests each implement it.
class BatchView {
 public:
  virtual ~BatchView() = default;

  // The file list: entries are file names in Directory(), in list order. An absolute entry
  // stands for itself.
  virtual size_t EntryCount() const = 0;
  virtual std::string Entry(size_t index) const = 0;
  virtual bool Selected(size_t index) const = 0;
  virtual std::string Directory() const = 0;

  // The captions of filenamelabel and infolabel.
  virtual void SetFileNameLabel(const std::string& caption) = 0;
  virtual void SetInfoLabel(const std::string& caption) = 0;

  // The two busy icons Image1 and Image2, which lie on top of each other.
  virtual void SetImage1Visible(bool visible) = 0;
  virtual void SetImage2Visible(bool visible) = 0;
  virtual bool Image2Visible() const = 0;

  virtual void Repaint() = 0;
  virtual void ProcessMessages() = 0;

  // Before anything is done for the next selected entry (in the order of the selected paths).
  virtual void FileStarting(const std::string& /*inputPath*/) {}
  // Asked before each entry: true ends the batch there, after the file already converted
  // (the window is closing).
  virtual bool StopRequested() const { return false; }

  // Around each converter call, for views that show progress.
  virtual void ConversionStarting(const std::string& /*inputPath*/,
                                  const std::string& /*outputPath*/) {}
  virtual void ConversionFinished(const std::string& /*inputPath*/,
                                  const std::string& /*outputPath*/) {}
};

}  // namespace vorsel
