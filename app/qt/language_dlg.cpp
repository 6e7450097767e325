#include "app/qt/language_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/qt/window_fit.h"
#include "base/messages.h"

CLanguageDlg::CLanguageDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("languageWindow");
  setWindowTitle("KZN LOAD");
  auto* prompt = new QLabel("Choisissez une langue\nChoose a language", this);
  french_ = new QRadioButton("Francais", this);
  french_->setObjectName("french");
  english_ = new QRadioButton("English", this);
  english_->setObjectName("english");
  french_->setChecked(true);
  ok_ = new QPushButton("OK", this);
  ok_->setObjectName("ok");
  ok_->setDefault(true);

  connect(french_, &QRadioButton::clicked, this, [this] { chosen_ = Language::kFrench; });
  connect(english_, &QRadioButton::clicked, this, [this] { chosen_ = Language::kEnglish; });
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(prompt);
  // At their own width in a window as wide as its title: a radio button takes clicks on
  // its text only.
  layout->addWidget(french_, 0, Qt::AlignLeft);
  layout->addWidget(english_, 0, Qt::AlignLeft);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  layout->addLayout(buttons);
  FixSizeToContent(*this);
}

std::optional<Language> AskLanguage(QWidget* parent) {
  CLanguageDlg window(parent);
  window.exec();
  return window.Chosen();
}
