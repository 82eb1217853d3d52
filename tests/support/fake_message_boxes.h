#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messagebox.h"

namespace vorsel::test {

// Records every message box and answers from a script (No for questions, OK otherwise, when
// the script is empty).
class FakeMessageBoxes : public MessageBoxes {
 public:
  struct Shown {
    std::string text;
    std::string caption;
    unsigned flags;
  };

  int ShowMessageBox(std::string_view text, std::string_view caption, unsigned flags) override {
    shown.push_back({std::string(text), std::string(caption), flags});
    if (!answers.empty()) {
      const int answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return (flags & kMessageBoxButtonMask) == mbYesNo ? idNo : idOk;
  }

  std::vector<Shown> shown;
  std::deque<int> answers;
};

}  // namespace vorsel::test
