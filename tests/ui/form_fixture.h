#pragma once

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frontend/ui/TForm1.h"
#include "tests/platform/store_environment.h"
#include "tests/support/fake_message_boxes.h"

namespace vorsel::test {

// Answers the window's file dialogs from a script: a path, or nothing for Cancel.
class ScriptedFileDialogs : public FileDialogs {
 public:
  std::optional<std::string> ExecuteSave(const SaveDialogRequest& request) override {
    saves.push_back(request);
    return Next();
  }
  std::optional<std::string> ExecuteOpen(const OpenDialogRequest& request) override {
    opens.push_back(request);
    return Next();
  }
  std::deque<std::optional<std::string>> answers;
  std::vector<SaveDialogRequest> saves;
  std::vector<OpenDialogRequest> opens;

 private:
  std::optional<std::string> Next() {
    if (answers.empty()) {
      return std::nullopt;
    }
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

// Notes the documents the window asks to open; never starts a browser.
class RecordingOpener : public Opener {
 public:
  bool OpenDocument(const std::string& addressOrPath) override {
    opened.push_back(addressOrPath);
    return true;
  }
  std::vector<std::string> opened;
};

// A main window over fresh stores, with fake message boxes and dialogs and a clock that the
// test moves: every reading goes on by clockStep milliseconds.
class FormFixture {
 public:
  explicit FormFixture(std::vector<std::string> arguments = {});
  ~FormFixture();

  // Shows the window (its first activation) and points the browser at the test's folder.
  TForm1& Show();
  TForm1& form() { return *form_; }
  // A new window over the same stores, as at the program's next start.
  void Restart();

  template <typename T>
  T* Find(const char* name) {
    return form_->findChild<T*>(QString::fromLatin1(name));
  }
  QPushButton* Button(const char* name) { return Find<QPushButton>(name); }
  std::vector<std::string> LogLines();
  // Selects the entries of the file list with these names, and only them.
  void SelectFiles(const std::vector<std::string>& names);
  std::vector<std::string> ListedFiles();

  StoreEnvironment store;
  std::string folder;  // the test's own folder, empty at first
  FakeMessageBoxes boxes;
  ScriptedFileDialogs dialogs;
  RecordingOpener opener;
  uint32_t now = 1000;
  uint32_t clockStep = 1;

 private:
  std::vector<std::string> arguments_;
  std::unique_ptr<TForm1> form_;
};

// A WAV file of 16-bit mono samples at the rate.
std::string WavBytes(const std::vector<int16_t>& samples, uint32_t rate = 16000);
// The samples and rate of an SMP file, read through the SMP component.
struct SmpContent {
  double rate = 0;
  int32_t channels = 0;
  std::vector<int16_t> samples;
};
SmpContent ReadSmp(const std::string& path);

}  // namespace vorsel::test
