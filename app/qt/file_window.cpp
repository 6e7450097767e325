#include "app/qt/file_window.h"

#include <QFile>
#include <QFileDialog>

#include "app/file_window_filter.h"
#include "base/messages.h"
#include "catalogue/catalogue.h"

QStringList FileWindowFilters() {
  const QStringList parts = QString::fromUtf8(kFileWindowFilterPairs).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& label = parts[i];
    const QString& pattern = parts[i + 1];
    if (label.isEmpty() && pattern.isEmpty()) break;
    // Qt takes the pattern from the last parentheses and, with the details hidden, shows
    // what comes before them: the label exactly, and "*.*" becomes "*" as on the system the
    // list was written for, where it also matched names without a dot.
    filters << label + " (" + (pattern == "*.*" ? QString("*") : pattern) + ")";
  }
  return filters;
}

std::unique_ptr<QFileDialog> CreateFileWindow(QWidget* owner, const std::string& folder,
                                              Language language) {
  auto window = std::make_unique<QFileDialog>(owner);
  window->setObjectName("fileWindow");
  window->setWindowTitle(QString::fromStdString(LoadMessageText(kMsgFileWindowTitle, language)));
  window->setAcceptMode(QFileDialog::AcceptOpen);
  window->setFileMode(QFileDialog::ExistingFile);
  // Qt's own window: it shows the labels as given and speaks the program's language.
  window->setOption(QFileDialog::DontUseNativeDialog, true);
  window->setOption(QFileDialog::HideNameFilterDetails, true);
  window->setDirectory(QFile::decodeName(folder.c_str()));
  const QStringList filters = FileWindowFilters();
  window->setNameFilters(filters);
  window->selectNameFilter(filters.first());
  return window;
}

std::string AskFileToSend(QWidget* owner, const std::string& folder, Language language) {
  std::unique_ptr<QFileDialog> window = CreateFileWindow(owner, folder, language);
  if (window->exec() != QDialog::Accepted) return std::string();
  const QStringList chosen = window->selectedFiles();
  if (chosen.isEmpty()) return std::string();
  return QFile::encodeName(chosen.first()).toStdString();
}

std::unique_ptr<QFileDialog> CreateCatalogueFolderWindow(QWidget* owner, const std::string& folder,
                                                         Language language) {
  auto window = std::make_unique<QFileDialog>(owner);
  window->setObjectName("catalogueFolderWindow");
  window->setWindowTitle(language == Language::kFrench
                             ? QString("Dossier du catalogue des récepteurs (chgt.cfg)")
                             : QString("Folder of the receiver catalogue (chgt.cfg)"));
  window->setAcceptMode(QFileDialog::AcceptOpen);
  window->setFileMode(QFileDialog::Directory);
  window->setOption(QFileDialog::DontUseNativeDialog, true);
  window->setDirectory(QFile::decodeName(folder.c_str()));
  // The catalogue file shows in the folders, so the user sees which one holds it.
  window->setNameFilter(QString("chgt.cfg (%1)").arg(kCatalogueFileName));
  return window;
}

std::optional<std::string> AskCatalogueFolder(QWidget* owner, const std::string& folder,
                                              Language language) {
  std::unique_ptr<QFileDialog> window = CreateCatalogueFolderWindow(owner, folder, language);
  if (window->exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = window->selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return QFile::encodeName(chosen.first()).toStdString();
}
