#include "app/qt/language_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

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

  connect(french_, &QRadioButton::clicked, this, [] { LanguageOffset = kFrenchOffset; });
  connect(english_, &QRadioButton::clicked, this, [] { LanguageOffset = kEnglishOffset; });
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(prompt);
  layout->addWidget(french_);
  layout->addWidget(english_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  layout->addLayout(buttons);
  setFixedSize(sizeHint());
}

void AskLanguage(QWidget* parent) {
  CLanguageDlg window(parent);
  window.exec();
}
