#pragma once

#include <QWidget>
#include <optional>

#include "frontend/suite_link.h"
#include "frontend/window_components.h"
#include "kit/sfileassociate.h"
#include "kit/slink.h"
#include "platform/qt/readable_watch.h"

namespace vorsel {

// The main window as the owner of its link: raised on request, closed when the suite says so.
class WindowLinkOwner : public LinkOwner {
 public:
  explicit WindowLinkOwner(QWidget& window) : window_(window) {}
  bool IsForm() const override { return true; }
  void BringToFront() override;
  // Closing waits for the event loop: the link is still handling the message that asked.
  void CloseMainForm() override;

 private:
  QWidget& window_;
};

// Link1 on the main window: its loaded procedure announces the start and then the window's
// event loop hands it what arrives; a batch reports through it as the window's SuiteLink.
class LinkComponent : public WindowComponent, public SuiteLink {
 public:
  explicit LinkComponent(TLink& link) : link_(link) {}
  void Loaded() override;
  void SetHeavyLoad(bool busy) override { link_.SetHeavyLoad(busy); }
  void AnnounceNewFiles() override { link_.new_file(); }

 private:
  TLink& link_;
  std::optional<ReadableWatch> watch_;
};

// FileAssociate1 as a component of the window.
class FileAssociateComponent : public WindowComponent {
 public:
  explicit FileAssociateComponent(TFileAssociate& associate) : associate_(associate) {}
  void Loaded() override { associate_.Loaded(); }

 private:
  TFileAssociate& associate_;
};

}  // namespace vorsel
