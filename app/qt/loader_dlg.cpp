#include "app/qt/loader_dlg.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/loader_state.h"
#include "app/main_window_logic.h"
#include "app/qt/about_dlg.h"
#include "app/qt/file_window.h"
#include "app/qt/language_dlg.h"
#include "app/qt/qt_translations.h"
#include "app/qt/qt_user_interaction.h"
#include "app/qt/window_fit.h"
#include "base/display_text.h"
#include "base/messages.h"
#include "base/places.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"

namespace {

// The platform's show states kept in the placement value.
constexpr unsigned kShowNormal = 1;
constexpr unsigned kShowMinimized = 2;
constexpr unsigned kShowMaximized = 3;

QString TextOfBytes(std::string_view bytes) {
  // What is shown ends at a NUL byte, as in a C string.
  return QString::fromStdString(DisplayTextFromBytes(bytes.substr(0, bytes.find('\0'))));
}

void ShowEntries(QComboBox* list, const ChoiceList& choices) {
  const QSignalBlocker quiet(list);
  list->clear();
  for (const std::string& entry : choices.entries)
    list->addItem(TextOfBytes(entry));
  list->setCurrentIndex(choices.HasSelection() ? choices.selection : -1);
}

bool OnSomeScreen(const QRect& rect) {
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen->availableGeometry().intersects(rect)) return true;
  }
  return false;
}

}  // namespace

CLoaderDlg::CLoaderDlg(CLoaderState& state, CQtUserInteraction& ui,
                       std::function<std::optional<Language>()> askLanguage, QWidget* parent)
    : QDialog(parent), w_(state), ui_(ui), askLanguage_(std::move(askLanguage)) {
  setObjectName("mainWindow");
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  ui_.SetOwner(this);
  if (!askLanguage_) askLanguage_ = [this] { return AskLanguage(this); };
  BuildControls();
}

void CLoaderDlg::BuildControls() {
  communication_ = new QGroupBox("Communication", this);
  portGroup_ = new QButtonGroup(this);
  auto* portColumn = new QVBoxLayout(communication_);
  for (int n = 1; n <= 4; ++n) {
    QRadioButton* button = new QRadioButton(QString("COM %1").arg(n), communication_);
    button->setObjectName(QString("port%1").arg(n));
    portGroup_->addButton(button, n);
    portColumn->addWidget(button);
    ports_[n - 1] = button;
    // COM 3 and COM 4 are never shown; a stored 3 or 4 is still honoured.
    if (n > 2) button->setVisible(false);
  }
  portColumn->addStretch();
  connect(portGroup_, &QButtonGroup::idClicked, this, [this](int n) {
    ClickPort(w_, n);
    ShowPort();
  });

  receiverTypeGroup_ = new QGroupBox(this);
  receiverTypeGroup_->setObjectName("receiverTypeGroup");
  receiverTypes_ = new QComboBox(receiverTypeGroup_);
  receiverTypes_->setObjectName("receiverTypes");
  receiverTypes_->setMinimumContentsLength(16);
  auto* typeColumn = new QVBoxLayout(receiverTypeGroup_);
  typeColumn->addWidget(receiverTypes_);
  typeColumn->addStretch();
  connect(receiverTypes_, &QComboBox::currentIndexChanged, this,
          &CLoaderDlg::OnReceiverTypeChanged);

  fileGroup_ = new QGroupBox(this);
  fileGroup_->setObjectName("fileGroup");
  languageVersions_ = new QComboBox(fileGroup_);
  languageVersions_->setObjectName("languageVersions");
  languageVersions_->setMinimumContentsLength(20);
  fileButton_ = new QPushButton(fileGroup_);
  fileButton_->setObjectName("fileButton");
  fileButton_->setIconSize(QSize(28, 28));
  fileButton_->setAutoDefault(false);
  filePath_ = new QLabel(fileGroup_);
  filePath_->setObjectName("filePath");
  filePath_->setTextFormat(Qt::PlainText);  // a file name is no markup
  filePath_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  filePath_->setMinimumWidth(320);
  filePath_->setWordWrap(true);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(fileButton_);
  fileRow->addWidget(filePath_, 1);
  auto* fileColumn = new QVBoxLayout(fileGroup_);
  fileColumn->addWidget(languageVersions_);
  fileColumn->addLayout(fileRow);
  fileColumn->addStretch();
  connect(languageVersions_, &QComboBox::currentIndexChanged, this,
          &CLoaderDlg::OnLanguageVersionChanged);
  connect(fileButton_, &QPushButton::clicked, this, &CLoaderDlg::OnChooseFile);

  versionLabel_ = new QLabel(this);
  versionLabel_->setObjectName("versionLabel");
  versionLabel_->setTextFormat(Qt::PlainText);  // a header text such as "<b>2.40</b>" as it is
  versionLabel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  versionLabel_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  versionLabel_->setMinimumWidth(240);
  keepUserData_ = new QCheckBox("Ne pas effacer les User Data (TK20)", this);
  keepUserData_->setObjectName("keepUserData");
  connect(keepUserData_, &QCheckBox::toggled, this, [this](bool on) { w_.keepUserData = on; });

  startPrompt_ = new QLabel(this);
  startPrompt_->setObjectName("startPrompt");
  startPrompt_->setTextFormat(Qt::PlainText);
  startPrompt_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  startButton_ = new QPushButton(this);
  startButton_->setObjectName("startButton");
  startButton_->setIconSize(QSize(40, 40));
  startButton_->setMinimumSize(72, 52);
  connect(startButton_, &QPushButton::clicked, this, &CLoaderDlg::OnStart);

  auto* grid = new QGridLayout(this);
  grid->addWidget(communication_, 0, 0);
  grid->addWidget(receiverTypeGroup_, 0, 1);
  grid->addWidget(fileGroup_, 0, 2);
  grid->addWidget(versionLabel_, 1, 0, 1, 2);
  grid->addWidget(keepUserData_, 1, 2);
  auto* startRow = new QHBoxLayout;
  startRow->addStretch();
  startRow->addWidget(startPrompt_);
  startRow->addWidget(startButton_);
  grid->addLayout(startRow, 2, 0, 1, 3);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(3, 1);

  aboutAction_ = new QAction(this);
  aboutAction_->setObjectName("aboutAction");
  aboutAction_->setShortcut(QKeySequence::HelpContents);
  connect(aboutAction_, &QAction::triggered, this, [this] { ShowAbout(this); });
}

bool CLoaderDlg::Initialise(const std::string& catalogueFolder) {
  WindowInitialisation window;
  window.askLanguage = askLanguage_;
  window.setUpControls = [this] { SetUpControls(); };
  window.restorePlacement = [this](const WindowPlacement& p) { RestorePlacement(p); };
  window.chooseCatalogueFolder = [this]() -> std::optional<std::string> {
    if (chooseCatalogueFolder_) return chooseCatalogueFolder_();
    std::string start = w_.settings.GetText(kFileLocationSection, kCatalogueFolderKey, "");
    if (start.empty()) start = DefaultFileFolder();
    return AskCatalogueFolder(this, start, w_.language);
  };
  const bool filled = InitialiseMainWindow(w_, window, catalogueFolder);
  // The folder chosen is the working folder from now on, as the one started in would be.
  if (filled && w_.catalogueFolder != catalogueFolder)
    QDir::setCurrent(QFile::decodeName(w_.catalogueFolder.c_str()));
  ShowState();
  return filled;
}

Language CLoaderDlg::RunningLanguage() const {
  return w_.language;
}

void CLoaderDlg::SetUpControls() {
  // Window managers here offer no system menu that a program can extend: the About entry
  // is in the window's context menu instead, and on F1.
  InstallQtTranslations(w_.language);
  ui_.SetLanguage(w_.language);
  const QString aboutText = QString::fromStdString(LoadMessageText(kMsgAboutEntry, w_.language));
  aboutAction_->setText(aboutText);
  if (!aboutText.isEmpty()) addAction(aboutAction_);
  setWindowIcon(QIcon(":/kzn/icon.svg"));
  fileButton_->setIcon(QIcon(":/kzn/open_file.svg"));
  fileGroup_->setTitle(
      QString::fromStdString(LoadMessageText(kMsgLanguageVersionGroup, w_.language)));
  receiverTypeGroup_->setTitle(
      QString::fromStdString(LoadMessageText(kMsgReceiverTypeGroup, w_.language)));
  startPrompt_->setText(QString::fromStdString(LoadMessageText(kMsgStartPrompt, w_.language)));
  setWindowTitle(QString::fromStdString(LoadMessageText(kMsgTitle, w_.language)));
  startButton_->setIcon(QIcon(":/kzn/start.svg"));
  ShowState();
}

void CLoaderDlg::RestorePlacement(const WindowPlacement& p) {
  const QRect normal(p.left, p.top, p.right - p.left, p.bottom - p.top);
  // A rectangle off every screen (a monitor since removed) would hide the window.
  if (normal.width() > 0 && normal.height() > 0 && OnSomeScreen(normal)) {
    // Its size when the controls fit in it, else theirs.
    fixedSize_ = normal.size().expandedTo(sizeHint());
    setFixedSize(fixedSize_);
    setGeometry(QRect(normal.topLeft(), fixedSize_));
  }
  if (p.showCommand == kShowMaximized || (p.flags & kPlacementRestoreToMaximized) != 0)
    setWindowState(windowState() | Qt::WindowMaximized);
}

WindowPlacement CLoaderDlg::CurrentPlacement() const {
  WindowPlacement p;
  p.flags = isMaximized() ? kPlacementRestoreToMaximized : 0;
  p.showCommand = isMinimized() ? kShowMinimized : isMaximized() ? kShowMaximized : kShowNormal;
  p.minX = p.minY = p.maxX = p.maxY = -1;
  QRect normal = normalGeometry();
  if (!normal.isValid()) normal = geometry();
  p.left = normal.x();
  p.top = normal.y();
  p.right = normal.x() + normal.width();
  p.bottom = normal.y() + normal.height();
  return p;
}

void CLoaderDlg::SetPortDescriber(std::function<std::vector<std::string>()> describe) {
  describePorts_ = std::move(describe);
  ShowPort();
}

void CLoaderDlg::ShowPort() {
  if (describePorts_) {
    const std::vector<std::string> texts = describePorts_();
    for (std::size_t i = 0; i < std::size(ports_); ++i)
      ports_[i]->setToolTip(i < texts.size() ? QString::fromStdString(texts[i]) : QString());
  }
  const int n = w_.portNumber;
  if (n >= 1 && n <= 4) {
    ports_[n - 1]->setChecked(true);
    return;
  }
  portGroup_->setExclusive(false);
  for (QRadioButton* button : ports_)
    button->setChecked(false);
  portGroup_->setExclusive(true);
}

void CLoaderDlg::ShowState() {
  const bool expert = w_.IsExpertMode();
  ShowPort();
  ShowEntries(receiverTypes_, w_.receiverTypes);
  ShowEntries(languageVersions_, w_.languageVersions);
  filePath_->setText(TextOfBytes(w_.FilePath()));
  versionLabel_->setText(TextOfBytes(w_.versionLabel));
  // An empty sunken label is a thin stray frame across the window: sunken only with a text.
  versionLabel_->setFrameStyle(versionLabel_->text().isEmpty()
                                   ? QFrame::NoFrame
                                   : static_cast<int>(QFrame::Panel | QFrame::Sunken));
  {
    const QSignalBlocker quiet(keepUserData_);
    keepUserData_->setChecked(w_.keepUserData);
  }
  fileButton_->setVisible(expert);
  filePath_->setVisible(expert);
  keepUserData_->setVisible(expert);
  languageVersions_->setVisible(!expert);
  startButton_->setEnabled(w_.startEnabled);
  if (w_.startHasFocus) {
    startButton_->setFocus();
    w_.startHasFocus = false;
  }
  FitSize();
}

void CLoaderDlg::FitSize() {
  const QSize wanted =
      sizeHint().expandedTo(fixedSize_).expandedTo(QSize(TitleBarWidth(windowTitle()), 0));
  if (wanted == fixedSize_) return;
  fixedSize_ = wanted;
  setFixedSize(wanted);
}

void CLoaderDlg::OnReceiverTypeChanged(int index) {
  SelectReceiverType(w_, index);
  ShowState();
}

void CLoaderDlg::OnLanguageVersionChanged(int index) {
  SelectLanguageVersion(w_, index);
  ShowState();
}

void CLoaderDlg::OnChooseFile() {
  const std::string path = AskFileToSend(this, w_.folder, w_.language);
  if (path.empty()) return;
  ChooseFile(w_, path);
  ShowState();
}

void CLoaderDlg::OnStart() {
  if (loading_) return;
  loading_ = true;
  const LoadOutcome outcome = StartLoad(w_);
  loading_ = false;
  ShowState();
  // A refusal in the load's own words (no message of the table says it) is told here.
  if (!outcome.told && outcome.end != LoadEnd::kCancelled && !endAfterLoad_) {
    MessageBoxRequest request;
    request.text = UntoldOutcomeText(outcome, w_.language);
    request.caption = LoadMessageText(kMsgTitle, w_.language);
    request.style = kStyleExclamation;
    ui_.ShowMessageBox(request);
  }
  if (endAfterLoad_) EndWithoutSaving();
}

void CLoaderDlg::Stop(int signal) {
  ui_.RequestStop(signal);
  if (loading_) {
    endAfterLoad_ = true;
    return;
  }
  EndWithoutSaving();
}

void CLoaderDlg::EndWithoutSaving() {
  // A file or About window open over this one ends first, so that its loop returns.
  for (int i = 0; i < 8; ++i) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == this) break;
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    } else {
      modal->close();
    }
  }
  QDialog::reject();
}

void CLoaderDlg::reject() {
  if (loading_) return;
  QDialog::reject();
}

void CLoaderDlg::closeEvent(QCloseEvent* event) {
  // The close box stays live on a disabled window; closing now would shut the port in the
  // middle of a load.
  if (loading_) {
    event->ignore();
    return;
  }
  CloseMainWindow(w_, CurrentPlacement());
  QDialog::closeEvent(event);
}

void CLoaderDlg::keyPressEvent(QKeyEvent* event) {
  // Enter presses the focused push button, as Space does. Anywhere else Enter must neither
  // start a load through a remembered default button nor end the window without saving.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    auto* button = qobject_cast<QPushButton*>(focusWidget());
    if (button != nullptr && button->isVisible() && button->isEnabled()) button->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CLoaderDlg::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && CountDoubleClick(w_)) ShowState();
  QDialog::mouseDoubleClickEvent(event);
}

void CLoaderDlg::contextMenuEvent(QContextMenuEvent* event) {
  if (aboutAction_->text().isEmpty()) return;
  QMenu menu(this);
  menu.addAction(aboutAction_);
  menu.exec(event->globalPos());
}
