#pragma once

#include <string>

namespace vorsel {

// Opens a document with the desktop's default handler for it: a web address in the browser,
// a "mailto:" address in the mail program, a local file (an absolute path) in the program
// registered for its type. Returns at once; false when no handler could be started.
class Opener {
 public:
  virtual ~Opener() = default;
  virtual bool OpenDocument(const std::string& addressOrPath) = 0;
};

}  // namespace vorsel
