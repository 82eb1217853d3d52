#include "frontend/cli_link.h"

#include <utility>

namespace vorsel {

CommandLineLink::CommandLineLink(std::function<bool()> wroteFiles)
    : wroteFiles_(std::move(wroteFiles)) {}

CommandLineLink::~CommandLineLink() {
  if (!announced_ && wroteFiles_()) {
    Announce();
  }
}

void CommandLineLink::AnnounceNewFiles() {
  if (wroteFiles_()) {
    Announce();
  }
}

void CommandLineLink::Announce() {
  if (!link_) {
    link_ = std::make_unique<TLink>(
        nullptr, OpenLinkTransport(kLinkMessageName, LinkFolderUse::ExistingOnly));
    link_->SetMyID(idvorsel);
  }
  link_->new_file();
  announced_ = true;
}

}  // namespace vorsel
