#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/messagebox.h"

namespace vorsel {

class TSMPfile;

// The conversion log: converters and the batch only append to it.
class ConversionLog {
 public:
  virtual ~ConversionLog() = default;
  virtual void Append(std::string_view line) = 0;
};

// What a converter may reach; the owner (the main window or the command-line tool) holds it.
struct ConversionContext {
  TSMPfile& SMPfile1;
  ConversionLog& log;
  MessageBoxes& dialogs;
  std::function<void()> BusyTick;
  // Existing files beside an output (restored label files) are replaced without a question.
  bool OverWrite = false;
};

}  // namespace vorsel
