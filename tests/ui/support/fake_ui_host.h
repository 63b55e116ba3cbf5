// FakeUiHost: the Qt-side host services for widget tests. Records the keys
// offered to the shortcuts and the help pages opened; font and colours are
// fields that tests change (then emit the change signals themselves).
#ifndef VOSTREL_TESTS_UI_SUPPORT_FAKE_UI_HOST_H_
#define VOSTREL_TESTS_UI_SUPPORT_FAKE_UI_HOST_H_

#include <array>
#include <vector>

#include <QStringList>

#include "ui/ui_host.h"

namespace ui_testing {

class FakeUiHost : public ui::UiHost {
  Q_OBJECT

 public:
  FakeUiHost();

  QWidget* mainWindow() const override { return nullptr; }
  QFont uiFont() const override { return font; }
  QColor uiColour(ui::UiColour c) const override { return colours[static_cast<std::size_t>(c)]; }
  bool offerKey(uint32_t hotKeyCode) override {
    offered.push_back(hotKeyCode);
    return take_keys;
  }
  bool openHelpPage(const QString& fileName) override {
    help_pages.append(fileName);
    return help_opens;
  }

  bool treeHintWanted() const override { return tree_hint; }
  void dismissTreeHint() override {
    tree_hint = false;
    ++hint_dismissals;
    UiHost::dismissTreeHint();
  }

  void changeColours() { emit uiColoursChanged(); }
  void changeFont() { emit uiFontChanged(); }

  QFont font;
  std::array<QColor, ui::kUiColourCount> colours;
  std::vector<uint32_t> offered;
  bool take_keys = true;
  QStringList help_pages;
  bool help_opens = true;
  bool tree_hint = false;  // the panels show their hint
  int hint_dismissals = 0;
};

}  // namespace ui_testing

#endif  // VOSTREL_TESTS_UI_SUPPORT_FAKE_UI_HOST_H_
