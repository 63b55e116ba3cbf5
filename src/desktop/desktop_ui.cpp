#include "desktop/desktop_ui.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QKeySequence>
#include <QMessageBox>
#include <QPalette>
#include <QUrl>

#include <utility>

#include "component/registration.h"
#include "host/host.h"
#include "profile/resources.h"
#include "profile/settings_store.h"

namespace desktop {
namespace {

QString fromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The selection's colours while the tree has no focus. Many styles (Fusion
// among them) give the inactive highlight the active one's colour, so that a
// focused panel and an unfocused one would look the same: the button face
// and its text stand in then, as on a desktop without an inactive highlight
// of its own.
std::pair<QColor, QColor> inactiveSelection(const QPalette& palette) {
  const QColor highlight = palette.color(QPalette::Inactive, QPalette::Highlight);
  if (highlight != palette.color(QPalette::Active, QPalette::Highlight)) {
    return {palette.color(QPalette::Inactive, QPalette::HighlightedText), highlight};
  }
  const QColor button = palette.color(QPalette::Active, QPalette::Button);
  const QColor back = button != palette.color(QPalette::Active, QPalette::Base)
                          ? button
                          : palette.color(QPalette::Active, QPalette::Mid);
  return {palette.color(QPalette::Active, QPalette::ButtonText), back};
}

}  // namespace

DesktopUi::DesktopUi(QObject* parent) : ui::UiHost(parent) {
  show_message = [this](const QString& text, const QString& caption, bool wait) {
    QMessageBox* box = makeMessageBox(text, caption, main_window_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (wait) {
      box->exec();
    } else {
      box->setModal(false);
      box->show();
    }
  };
  ask_question = [this](const QString& question, const QString& caption) {
    return QMessageBox::question(main_window_, caption, question, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
  };
  open_file = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
  qApp->installEventFilter(this);
}

QMessageBox* DesktopUi::makeMessageBox(const QString& text, const QString& caption, QWidget* parent) {
  const QString title = caption == fromView(host::kComponentFileName) ? QStringLiteral("Vostrel") : caption;
  auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
  box->setTextInteractionFlags(Qt::TextSelectableByMouse);  // file names can be copied
  return box;
}

DesktopUi::~DesktopUi() {
  if (qApp != nullptr) qApp->removeEventFilter(this);
}

void DesktopUi::setConsoleSink(std::function<void(const QString& line)> sink) {
  console_sink_ = std::move(sink);
  if (!console_sink_) return;
  for (const QString& line : pending_lines_) console_sink_(line);
  pending_lines_.clear();
}

void DesktopUi::consoleLine(std::string_view text) {
  const QString line = fromView(text);
  if (console_sink_) {
    console_sink_(line);
  } else {
    pending_lines_.push_back(line);
  }
}

void DesktopUi::popupMessage(std::string_view message, std::string_view title) {
  show_message(fromView(message), fromView(title), false);
}

void DesktopUi::messageBox(std::string_view message, std::string_view caption) {
  show_message(fromView(message), fromView(caption), true);
}

bool DesktopUi::askYesNo(std::string_view question, std::string_view caption) {
  return ask_question(fromView(question), fromView(caption));
}

void DesktopUi::pumpEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents, kPumpMilliseconds); }

QFont DesktopUi::uiFont() const { return QApplication::font(); }

QColor DesktopUi::uiColour(ui::UiColour colour) const {
  const QPalette palette = QApplication::palette();
  switch (colour) {
    case ui::UiColour::kText:
      return palette.color(QPalette::Active, QPalette::Text);
    case ui::UiColour::kSelectedText:
      return palette.color(QPalette::Active, QPalette::HighlightedText);
    case ui::UiColour::kInactiveSelectedText:
      return inactiveSelection(palette).first;
    case ui::UiColour::kBackground:
      return palette.color(QPalette::Active, QPalette::Base);
    case ui::UiColour::kSelectedBackground:
      return palette.color(QPalette::Active, QPalette::Highlight);
    case ui::UiColour::kInactiveSelectedBackground:
      return inactiveSelection(palette).second;
    case ui::UiColour::kLine:
      return palette.color(QPalette::Active, QPalette::Mid);
  }
  return {};
}

QKeySequence DesktopUi::keySequence(uint32_t hot_key_code) {
  const uint32_t vk = hot_key_code & 0xFF;
  int key = 0;
  if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) {
    key = static_cast<int>(vk);  // the same codes in both
  } else if (vk >= 0x70 && vk <= 0x87) {
    key = Qt::Key_F1 + static_cast<int>(vk - 0x70);
  } else {
    switch (vk) {
      case 0x08: key = Qt::Key_Backspace; break;
      case 0x09: key = Qt::Key_Tab; break;
      case 0x0D: key = Qt::Key_Return; break;
      case 0x1B: key = Qt::Key_Escape; break;
      case 0x20: key = Qt::Key_Space; break;
      case 0x21: key = Qt::Key_PageUp; break;
      case 0x22: key = Qt::Key_PageDown; break;
      case 0x23: key = Qt::Key_End; break;
      case 0x24: key = Qt::Key_Home; break;
      case 0x25: key = Qt::Key_Left; break;
      case 0x26: key = Qt::Key_Up; break;
      case 0x27: key = Qt::Key_Right; break;
      case 0x28: key = Qt::Key_Down; break;
      case 0x2D: key = Qt::Key_Insert; break;
      case 0x2E: key = Qt::Key_Delete; break;
      case 0xB0: key = Qt::Key_MediaNext; break;
      case 0xB1: key = Qt::Key_MediaPrevious; break;
      case 0xB2: key = Qt::Key_MediaStop; break;
      case 0xB3: key = Qt::Key_MediaTogglePlayPause; break;
      case 0xBC: key = Qt::Key_Comma; break;
      case 0xBE: key = Qt::Key_Period; break;
      default: return {};
    }
  }
  int modifiers = 0;
  if ((hot_key_code & ui::kHotKeyShift) != 0) modifiers |= Qt::SHIFT;
  if ((hot_key_code & ui::kHotKeyCtrl) != 0) modifiers |= Qt::CTRL;
  if ((hot_key_code & ui::kHotKeyAlt) != 0) modifiers |= Qt::ALT;
  if ((hot_key_code & ui::kHotKeyMeta) != 0) modifiers |= Qt::META;
  return QKeySequence(key | modifiers);
}

bool DesktopUi::offerKey(uint32_t hot_key_code) {
  const QKeySequence sequence = keySequence(hot_key_code);
  if (sequence.isEmpty() || main_window_ == nullptr) return false;
  for (QAction* action : main_window_->findChildren<QAction*>()) {
    if (action->isEnabled() && action->shortcuts().contains(sequence)) {
      action->trigger();
      return true;
    }
  }
  return false;
}

QString DesktopUi::openHelpFile(const QString& file_name) {
  const QString path = QString::fromStdString((profile::resourceDir("help") / file_name.toStdString()).string());
  const QString unable = fromView(component::kUnableToOpenHelpFile) + ' ' + path + QStringLiteral(": ");
  if (!QFileInfo(path).isFile()) return unable + tr("the file does not exist.");
  if (!open_file(path)) {
    return unable + tr("the desktop has no program that shows web pages (xdg-open, from xdg-utils, and a browser). "
                       "Open the file in a web browser.");
  }
  return {};
}

bool DesktopUi::openHelpPage(const QString& file_name) {
  const QString problem = openHelpFile(file_name);
  if (!problem.isEmpty()) consoleLine(("[vostrel] " + problem).toStdString());
  return problem.isEmpty();
}

bool DesktopUi::treeHintWanted() const { return settings_ != nullptr && !settings_->treeHintDismissed(); }

void DesktopUi::dismissTreeHint() {
  if (settings_ != nullptr && !settings_->treeHintDismissed()) {
    settings_->setTreeHintDismissed(true);
    try {
      settings_->save();
    } catch (const std::exception& e) {
      consoleLine(std::string("[vostrel] ") + e.what());
    }
  }
  ui::UiHost::dismissTreeHint();
}

void DesktopUi::openHelp() {
  const QString problem = openHelpFile(
      QString::fromUtf8(component::kHelpFileName.data(), static_cast<qsizetype>(component::kHelpFileName.size())));
  if (problem.isEmpty()) return;
  consoleLine(("[vostrel] " + problem).toStdString());
  show_message(problem, fromView(host::kComponentFileName), true);
}

bool DesktopUi::eventFilter(QObject* watched, QEvent* event) {
  if (watched == qApp) {
    if (event->type() == QEvent::ApplicationPaletteChange) emit uiColoursChanged();
    if (event->type() == QEvent::ApplicationFontChange) emit uiFontChanged();
  }
  return ui::UiHost::eventFilter(watched, event);
}

}  // namespace desktop
