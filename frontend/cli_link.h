#pragma once

#include <functional>
#include <memory>

#include "frontend/suite_link.h"
#include "kit/slink.h"

namespace vorsel {

// The command-line tool on the suite's link: it listens to nobody and only tells the running
// programs, once a batch has written files, that new files exist, so that an open window
// shows them at once. Its socket lives from the first notice to the end of the object; when
// no program of the suite runs, nothing is created.
class CommandLineLink : public SuiteLink {
 public:
  // `wroteFiles` tells whether the batch has written any output so far.
  explicit CommandLineLink(std::function<bool()> wroteFiles);
  // A batch that an error ended after writing files still tells about them.
  ~CommandLineLink() override;

  void AnnounceNewFiles() override;

 private:
  void Announce();

  std::function<bool()> wroteFiles_;
  std::unique_ptr<TLink> link_;
  bool announced_ = false;
};

}  // namespace vorsel
