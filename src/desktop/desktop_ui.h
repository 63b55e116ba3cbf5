// DesktopUi: the player's messages and the component's Qt-side services in
// the desktop program.
//
// As player::PlayerUi it puts console lines into the log, shows popups
// (without waiting) and message boxes (modal), asks questions, and lets
// pending events through while a long statement runs. As ui::UiHost it
// gives the component's windows their owner, the application font and
// palette with change notifications, the main window's shortcuts and the
// help pages.
#ifndef VOSTREL_DESKTOP_DESKTOP_UI_H_
#define VOSTREL_DESKTOP_DESKTOP_UI_H_

#include <functional>

#include <QPointer>
#include <QWidget>

class QMessageBox;

#include "player/player_events.h"
#include "ui/ui_host.h"

namespace profile {
class SettingsStore;
}

namespace desktop {

class DesktopUi : public ui::UiHost, public player::PlayerUi {
  Q_OBJECT

 public:
  // Longest time one pumpEvents() call spends on pending events.
  static constexpr int kPumpMilliseconds = 20;

  explicit DesktopUi(QObject* parent = nullptr);
  ~DesktopUi() override;

  void setMainWindow(QWidget* window) { main_window_ = window; }
  // Where console lines go (the log); until set they are kept and handed
  // over when it is.
  void setConsoleSink(std::function<void(const QString& line)> sink);

  // The box that shows a message: every message of the program and the
  // component reports a failure or a refusal, so it has the warning icon.
  // The component's caption (its file name) reads "Vostrel", the program's
  // name, so that the window title is that alone.
  static QMessageBox* makeMessageBox(const QString& text, const QString& caption, QWidget* parent);

  // How messages are shown; tests replace these to record them.
  std::function<void(const QString& text, const QString& caption, bool wait)> show_message;
  std::function<bool(const QString& question, const QString& caption)> ask_question;

  // player::PlayerUi
  void consoleLine(std::string_view text) override;
  void popupMessage(std::string_view message, std::string_view title) override;
  void messageBox(std::string_view message, std::string_view caption) override;
  bool askYesNo(std::string_view question, std::string_view caption) override;
  void pumpEvents() override;

  // ui::UiHost
  QWidget* mainWindow() const override { return main_window_; }
  QFont uiFont() const override;
  QColor uiColour(ui::UiColour colour) const override;
  bool offerKey(uint32_t hot_key_code) override;
  // On failure it also logs helpProblem()'s line.
  bool openHelpPage(const QString& file_name) override;
  // The hint stays closed once closed: kept in the player's settings.
  bool treeHintWanted() const override;
  void dismissTreeHint() override;

  // The player's settings, where a closed hint is remembered; without them
  // the panels show no hint.
  void setSettings(profile::SettingsStore* settings) { settings_ = settings; }

  // Opens help/`file_name` from the help folder next to the program, or
  // the installed one (share/vostrel/help), or the source tree's. Returns
  // "" when it could, else "Unable to open help file PATH: " and why (the
  // file is not there, or the desktop has no program that shows it).
  QString openHelpFile(const QString& file_name);
  // Opens help/vostrel_help.html (Help > Vostrel help, F1); a message box
  // names the file and the reason when it cannot.
  void openHelp();

  // The key sequence of a hot-key code (empty for keys it does not know).
  static QKeySequence keySequence(uint32_t hot_key_code);
  // Opens a local file in the desktop's browser; tests replace it.
  std::function<bool(const QString& path)> open_file;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> main_window_;
  profile::SettingsStore* settings_ = nullptr;
  std::function<void(const QString&)> console_sink_;
  QStringList pending_lines_;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_DESKTOP_UI_H_
