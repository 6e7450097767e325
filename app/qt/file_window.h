// The file window of expert mode: an open-file window over the main window with the
// language-file filters, the first one preselected.
#pragma once

#include <QStringList>
#include <memory>
#include <optional>
#include <string>

#include "base/messages.h"

class QFileDialog;
class QWidget;

// The filters in Qt's syntax ("label (pattern)"), in the order offered; the window shows the
// labels alone.
QStringList FileWindowFilters();

// The window, set up but not shown: title message 109, starting in `folder`, only
// existing files can be chosen.
std::unique_ptr<QFileDialog> CreateFileWindow(QWidget* owner, const std::string& folder,
                                              Language language);

// Shows the window modally; the chosen full path, or empty when the user cancelled.
std::string AskFileToSend(QWidget* owner, const std::string& folder, Language language);

// The folder window offered when the program starts where there is no catalogue: it shows
// folders and the chgt.cfg files in them, and starts in `folder`.
std::unique_ptr<QFileDialog> CreateCatalogueFolderWindow(QWidget* owner, const std::string& folder,
                                                         Language language);

// Shows that window modally; the chosen folder, none when the user cancelled.
std::optional<std::string> AskCatalogueFolder(QWidget* owner, const std::string& folder,
                                              Language language);
