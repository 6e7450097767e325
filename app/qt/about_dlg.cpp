#include "app/qt/about_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

#include "app/qt/window_fit.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("aboutWindow");
  setWindowTitle("KZN LOAD");
  auto* picture = new QLabel(this);
  picture->setPixmap(QIcon(":/kzn/about.svg").pixmap(QSize(96, 96)));
  auto* text = new QLabel(
      "<b>KZN LOAD 1.12</b><br>Program and language loader<br>for KZN GPS receivers", this);
  text->setTextFormat(Qt::RichText);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* row = new QHBoxLayout;
  row->addWidget(picture);
  row->addSpacing(12);
  row->addWidget(text);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
  FixSizeToContent(*this);
}

void ShowAbout(QWidget* parent) {
  CAboutDlg window(parent);
  window.exec();
}
