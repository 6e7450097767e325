// The language window of the first start. Its texts are fixed, in both languages at once.
// A click on a radio button chooses its language at once; OK, Escape and the close box
// only close the window, so the pre-checked "Francais" alone chooses nothing.
#pragma once

#include <QDialog>
#include <optional>

#include "base/messages.h"

class QRadioButton;
class QPushButton;

class CLanguageDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CLanguageDlg(QWidget* parent = nullptr);

  QRadioButton* FrenchButton() const { return french_; }
  QRadioButton* EnglishButton() const { return english_; }
  QPushButton* OkButton() const { return ok_; }
  // The language last clicked, none before a click.
  std::optional<Language> Chosen() const { return chosen_; }

 private:
  QRadioButton* french_ = nullptr;
  QRadioButton* english_ = nullptr;
  QPushButton* ok_ = nullptr;
  std::optional<Language> chosen_;
};

// Shows the language window modally, as the main window's initialisation asks for it; the
// language last clicked in it.
std::optional<Language> AskLanguage(QWidget* parent);
