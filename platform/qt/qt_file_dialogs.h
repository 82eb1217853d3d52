#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <string_view>

#include "platform/filedialog.h"

namespace vorsel {

// Qt's own file dialogs (the same on every desktop), modal over the parent window.
class QtFileDialogs : public FileDialogs {
 public:
  void SetParent(QWidget* parent) { parent_ = parent; }
  std::optional<std::string> ExecuteSave(const SaveDialogRequest& request) override;
  std::optional<std::string> ExecuteOpen(const OpenDialogRequest& request) override;

 private:
  QPointer<QWidget> parent_;
};

// A "caption|mask|caption|mask" filter as Qt's name filters ("caption (*.a *.b)"), the
// masks' ";" parts as Qt's patterns.
QStringList NameFilters(std::string_view filter);
// The suffix Qt adds to a name without one: the default extension without its dot.
QString DefaultSuffix(std::string_view defaultExt);

}  // namespace vorsel
