#pragma once

#include <string>

namespace vorsel {

// What the other components of the kit need of an about box: its title and version text,
// and showing it.
class AboutBoxFacts {
 public:
  virtual ~AboutBoxFacts() = default;
  virtual std::string Title() const = 0;
  virtual std::string Version() const = 0;
  // Returns when the user has closed the box.
  virtual void showmodal() = 0;
};

}  // namespace vorsel
