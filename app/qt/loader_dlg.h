// The main window: port, receiver type, language version or file, version label and the
// start button. A thin shell over CLoaderState: each handler runs the window's operation
// from app/main_window_logic.h and then shows the state again.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/window_settings.h"
#include "base/messages.h"

class CLoaderState;
class CQtUserInteraction;
class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

class CLoaderDlg : public QDialog {
  Q_OBJECT

 public:
  // `ui` is the state's user interaction; `askLanguage` shows the language window at the
  // first start (the real window when empty).
  CLoaderDlg(CLoaderState& state, CQtUserInteraction& ui,
             std::function<std::optional<Language>()> askLanguage = {}, QWidget* parent = nullptr);

  // The window's initialisation, once, before it is shown. False when the catalogue could
  // not be read (the window still opens and closes normally).
  bool Initialise(const std::string& catalogueFolder);

  // The placement to remember: flags 2 when maximised, the normal rectangle.
  WindowPlacement CurrentPlacement() const;
  bool IsLoading() const { return loading_; }
  // SIGTERM or SIGHUP: a load stops as after a confirmed cancel, with the port closed the
  // normal way, and then the window ends; without a load it ends at once. Nothing is saved.
  void Stop(int signal);
  // The language the window speaks, once initialised.
  Language RunningLanguage() const;

  // What COM1 to COM4 lead to, one text each, shown as the port buttons' tooltips; asked
  // again whenever the window shows its state.
  void SetPortDescriber(std::function<std::vector<std::string>()> describe);
  // The folder window offered after message 110 at the start (the real one when empty):
  // the folder chosen, none when the user cancelled.
  void SetCatalogueFolderChooser(std::function<std::optional<std::string>()> choose) {
    chooseCatalogueFolder_ = std::move(choose);
  }

 public slots:
  void reject() override;  // Escape: ends the window without saving anything

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void BuildControls();
  void SetUpControls();
  void RestorePlacement(const WindowPlacement& placement);
  void ShowState();
  void ShowPort();
  // Fixes the window's size at what its controls need, never smaller than before.
  void FitSize();
  void OnReceiverTypeChanged(int index);
  void OnLanguageVersionChanged(int index);
  void OnChooseFile();
  void OnStart();
  void EndWithoutSaving();

  CLoaderState& w_;
  CQtUserInteraction& ui_;
  std::function<std::optional<Language>()> askLanguage_;
  bool loading_ = false;
  std::function<std::vector<std::string>()> describePorts_;
  std::function<std::optional<std::string>()> chooseCatalogueFolder_;
  bool endAfterLoad_ = false;
  // The window's one size: its controls' (or a larger stored one), as the dialog it is has
  // no resizing frame; this also keeps window managers from adding a resize handle.
  QSize fixedSize_;

  QGroupBox* communication_ = nullptr;
  QRadioButton* ports_[4] = {};
  QButtonGroup* portGroup_ = nullptr;
  QGroupBox* receiverTypeGroup_ = nullptr;  // 1017
  QComboBox* receiverTypes_ = nullptr;      // 1014
  QGroupBox* fileGroup_ = nullptr;          // 1016
  QComboBox* languageVersions_ = nullptr;   // 1015
  QPushButton* fileButton_ = nullptr;       // 1004
  QLabel* filePath_ = nullptr;              // 1010
  QLabel* versionLabel_ = nullptr;          // 1023
  QCheckBox* keepUserData_ = nullptr;       // 1028
  QLabel* startPrompt_ = nullptr;           // 1018
  QPushButton* startButton_ = nullptr;      // 1009
  QAction* aboutAction_ = nullptr;
};
