#include "platform/qt/qt_file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "frontend/file_browser.h"

namespace vorsel {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromStdString(text);
}

// Prepares the dialog as both kinds of request ask.
void Prepare(QFileDialog& dialog, const std::string& filter, const std::string& defaultExt,
             const std::string& fileName) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilters(NameFilters(filter));
  dialog.setDefaultSuffix(DefaultSuffix(defaultExt));
  if (!fileName.empty()) {
    const QFileInfo proposed(FromUtf8(fileName));
    if (proposed.dir().exists()) {
      dialog.setDirectory(proposed.dir());
    }
    dialog.selectFile(proposed.fileName());
  }
}

// Runs the dialog until its choice passes `acceptable`; nothing when cancelled.
template <typename Check>
std::optional<std::string> Run(QFileDialog& dialog, Check acceptable) {
  while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    const QString chosen = dialog.selectedFiles().constFirst();
    if (acceptable(QFileInfo(chosen))) {
      return QFileInfo(chosen).absoluteFilePath().toStdString();
    }
  }
  return std::nullopt;
}

bool FolderExists(QWidget* parent, const QFileInfo& chosen) {
  if (chosen.absoluteDir().exists()) {
    return true;
  }
  QMessageBox::warning(parent, QObject::tr("Save As"),
                       chosen.absolutePath() + QObject::tr("\nThe folder does not exist."));
  return false;
}

}  // namespace

QStringList NameFilters(std::string_view filter) {
  QStringList filters;
  for (const FilterItem& item : ParseFilter(filter)) {
    QStringList patterns;
    for (const QString& part : QString::fromStdString(item.mask).split(QLatin1Char(';'))) {
      if (!part.trimmed().isEmpty()) {
        patterns << part.trimmed();
      }
    }
    filters << QString::fromStdString(item.caption) + QStringLiteral(" (") +
                   patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return filters;
}

QString DefaultSuffix(std::string_view defaultExt) {
  if (defaultExt.starts_with('.')) {
    defaultExt.remove_prefix(1);
  }
  return QString::fromUtf8(defaultExt.data(), static_cast<qsizetype>(defaultExt.size()));
}

std::optional<std::string> QtFileDialogs::ExecuteSave(const SaveDialogRequest& request) {
  QFileDialog dialog(parent_.data());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  Prepare(dialog, request.Filter, request.DefaultExt, request.FileName);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.OverwritePrompt);
  dialog.setSizeGripEnabled(request.EnableSizing);
  QWidget* parent = parent_.data();
  return Run(dialog, [&request, parent](const QFileInfo& chosen) {
    return !request.PathMustExist || FolderExists(parent, chosen);
  });
}

std::optional<std::string> QtFileDialogs::ExecuteOpen(const OpenDialogRequest& request) {
  QFileDialog dialog(parent_.data());
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // ExistingFile makes the dialog itself refuse a name that names no file.
  dialog.setFileMode(request.FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  Prepare(dialog, request.Filter, request.DefaultExt, request.FileName);
  dialog.setSizeGripEnabled(request.EnableSizing);
  QWidget* parent = parent_.data();
  return Run(dialog, [&request, parent](const QFileInfo& chosen) {
    return !request.PathMustExist || FolderExists(parent, chosen);
  });
}

}  // namespace vorsel
