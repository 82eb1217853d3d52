#pragma once

namespace vorsel {

// What a batch tells the other programs of the suite: that this program is busy, and that new
// files may exist. The owner holds one; this base tells nobody, for owners without a link.
class SuiteLink {
 public:
  virtual ~SuiteLink() = default;
  virtual void SetHeavyLoad(bool /*busy*/) {}
  virtual void AnnounceNewFiles() {}
};

}  // namespace vorsel
