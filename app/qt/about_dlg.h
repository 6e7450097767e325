// The About window, reached from the main window's context menu (or F1).
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

// Opens the About window modally and returns when the user closes it.
void ShowAbout(QWidget* parent);
