#pragma once

#include "platform/opener.h"

namespace vorsel {

// Opens documents through the desktop's handlers (xdg-open and its kin, as Qt finds them).
class QtOpener : public Opener {
 public:
  bool OpenDocument(const std::string& addressOrPath) override;
};

}  // namespace vorsel
