// The options dialog: the font and colour buttons follow "Use UI
// attributes", OK writes the working copy (with the UI font and colours when
// the box is checked), Cancel leaves the settings alone, and the panel
// applies what OK wrote.
#include <memory>
#include <optional>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QTest>
#include <QTimer>

#include "ui/color_button.h"
#include "ui/icon_button.h"
#include "ui/options_dialog.h"
#include "ui/panel_attributes.h"
#include "ui/panel_commands.h"
#include "ui/panel_tree_view.h"
#include "ui/support/panel_harness.h"

namespace {

// What the test chooser picks: the colour it was opened on, inverted, so
// that a button writing into the wrong field shows.
QColor inverted(QColor c) { return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue()); }

tree::PanelSettings ownSettings(bool use_ui) {
  tree::PanelSettings s;
  s.edge_style = tree::kEdgeSunken;
  s.use_ui_attributes = use_ui ? 1 : 0;
  s.font = ui::toLogFont(QFont(QFontDatabase::families().value(0), 11));
  s.line = 0x00010101;
  s.text = 0x00020202;
  s.back = 0x00030303;
  s.text_selected = 0x00040404;
  s.back_selected = 0x00050505;
  s.text_selected_inactive = 0x00060606;
  s.back_selected_inactive = 0x00070707;
  s.icon = 194;
  return s;
}

tree::UiAttributes uiAttributes() {
  tree::UiAttributes ui;
  ui.colours = {0x00A0A0A0, 0x00A1A1A1, 0x00A2A2A2, 0x00A3A3A3, 0x00A4A4A4, 0x00A5A5A5, 0x00A6A6A6};
  ui.font = ui::toLogFont(QFont(QFontDatabase::families().value(0), 15));
  return ui;
}

QList<QPushButton*> followingButtons(ui::OptionsDialog& dialog) {
  QList<QPushButton*> buttons{&dialog.fontButton(), &dialog.lineButton()};
  for (int c = 0; c < ui::OptionsDialog::kTextColourCount; ++c) {
    buttons.append(&dialog.colourButton(static_cast<ui::OptionsDialog::TextColour>(c)));
  }
  return buttons;
}

}  // namespace

class OptionsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    ui::ColorButton::setChooserForTests(
        [](QWidget*, QColor initial) -> std::optional<QColor> { return inverted(initial); });
    ui::OptionsDialog::setFontChooserForTests([](QWidget*, const QFont&) -> std::optional<QFont> {
      return QFont(QFontDatabase::families().value(0), 20);
    });
  }
  void cleanup() {
    ui::ColorButton::setChooserForTests({});
    ui::IconButton::setSelectorForTests({});
    ui::OptionsDialog::setFontChooserForTests({});
  }

  void buttonsFollowTheCheckBox_data() {
    QTest::addColumn<bool>("use_ui");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("own attributes") << false << 0 << true;
    QTest::newRow("UI attributes") << true << 0 << false;
    QTest::newRow("checked here") << false << 1 << false;
    QTest::newRow("cleared here") << true << 1 << true;
    QTest::newRow("checked and cleared") << false << 2 << true;
  }
  void buttonsFollowTheCheckBox() {
    QFETCH(bool, use_ui);
    QFETCH(int, clicks);
    QFETCH(bool, enabled);
    tree::PanelSettings settings = ownSettings(use_ui);
    ui::OptionsDialog dialog(settings, uiAttributes());
    dialog.show();
    for (int i = 0; i < clicks; ++i) QTest::mouseClick(&dialog.useUiAttributes(), Qt::LeftButton);
    for (QPushButton* button : followingButtons(dialog)) QCOMPARE(button->isEnabled(), enabled);
    QVERIFY(dialog.edgeStyle().isEnabled());
    QVERIFY(dialog.iconButton().isEnabled());
  }

  void okWritesTheCopyAndCancelNothing_data() {
    QTest::addColumn<bool>("check_box");
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK with own attributes") << false << true;
    QTest::newRow("OK with UI attributes") << true << true;
    QTest::newRow("Cancel") << false << false;
    QTest::newRow("Cancel after checking") << true << false;
  }
  void okWritesTheCopyAndCancelNothing() {
    QFETCH(bool, check_box);
    QFETCH(bool, ok);
    const tree::PanelSettings original = ownSettings(false);
    tree::PanelSettings settings = original;
    ui::IconButton::setSelectorForTests([](QWidget*, int, QColor, QColor) { return std::optional<int>(7); });
    ui::OptionsDialog dialog(settings, uiAttributes());
    dialog.show();
    QTest::keyClick(&dialog.edgeStyle(), Qt::Key_Up);  // Sunken -> Grey
    QTest::mouseClick(&dialog.iconButton(), Qt::LeftButton);
    QTest::mouseClick(&dialog.fontButton(), Qt::LeftButton);
    for (QPushButton* button : followingButtons(dialog)) {
      if (button != &dialog.fontButton()) QTest::mouseClick(button, Qt::LeftButton);
    }
    if (check_box) QTest::mouseClick(&dialog.useUiAttributes(), Qt::LeftButton);
    QTest::mouseClick(ok ? &dialog.okButton() : &dialog.cancelButton(), Qt::LeftButton);
    QCOMPARE(dialog.result(), ok ? int(QDialog::Accepted) : int(QDialog::Rejected));
    if (!ok) {
      QVERIFY(settings == original);
      return;
    }
    tree::PanelSettings expected = original;
    expected.edge_style = tree::kEdgeGrey;
    expected.icon = 7;
    expected.use_ui_attributes = check_box ? 1 : 0;
    if (check_box) {
      expected.takeUiAttributes(uiAttributes());
    } else {
      expected.font = ui::toLogFont(QFont(QFontDatabase::families().value(0), 20));
      for (tree::Colour* c : {&expected.line, &expected.text, &expected.back, &expected.text_selected,
                              &expected.back_selected, &expected.text_selected_inactive,
                              &expected.back_selected_inactive}) {
        *c = ui::toColour(inverted(ui::toQColor(*c)));
      }
    }
    QCOMPARE(settings.edge_style, expected.edge_style);
    QCOMPARE(settings.icon, expected.icon);
    QCOMPARE(settings.text, expected.text);
    QCOMPARE(settings.back_selected_inactive, expected.back_selected_inactive);
    QVERIFY(settings.font == expected.font);
    QVERIFY(settings == expected);
  }

  void fontMustExist_data() {
    QTest::addColumn<QString>("family");
    QTest::addColumn<bool>("taken");
    QTest::newRow("installed") << QFontDatabase::families().value(0) << true;
    QTest::newRow("not installed") << QStringLiteral("No Such Family 4711") << false;
    QTest::newRow("cancelled") << QString() << false;
  }
  void fontMustExist() {
    QFETCH(QString, family);
    QFETCH(bool, taken);
    ui::OptionsDialog::setFontChooserForTests([&](QWidget*, const QFont&) -> std::optional<QFont> {
      if (family.isEmpty()) return std::nullopt;
      QFont font(family, 23);
      return font;
    });
    const tree::PanelSettings original = ownSettings(false);
    tree::PanelSettings settings = original;
    ui::OptionsDialog dialog(settings, uiAttributes());
    QTest::mouseClick(&dialog.fontButton(), Qt::LeftButton);
    QCOMPARE(dialog.workingCopy().font != original.font, taken);
  }

  void iconSelectorGetsThePanelsColours() {
    QColor background, text;
    ui::IconButton::setSelectorForTests([&](QWidget*, int, QColor b, QColor t) {
      background = b;
      text = t;
      return std::optional<int>();
    });
    tree::PanelSettings settings = ownSettings(false);
    ui::OptionsDialog dialog(settings, uiAttributes());
    QTest::mouseClick(&dialog.iconButton(), Qt::LeftButton);
    QCOMPARE(background, ui::toQColor(settings.back));
    QCOMPARE(text, ui::toQColor(settings.text));
  }

  void followPlayingIsOffByDefaultAndOkWritesIt_data() {
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
  }
  void followPlayingIsOffByDefaultAndOkWritesIt() {
    QFETCH(bool, ok);
    tree::PanelSettings settings = tree::PanelSettings::defaults(uiAttributes());
    ui::OptionsDialog dialog(settings, uiAttributes());
    dialog.show();
    QCheckBox& follow = dialog.followPlaying();
    QVERIFY(!follow.isChecked());
    QVERIFY(follow.text().contains(QStringLiteral("Re-run visible nodes that follow the playing track")));
    QVERIFY(follow.focusPolicy() & Qt::TabFocus);
    QTest::mouseClick(&follow, Qt::LeftButton);
    QTest::mouseClick(ok ? &dialog.okButton() : &dialog.cancelButton(), Qt::LeftButton);
    QCOMPARE(settings.follow_playing, ok);
    settings.follow_playing = true;
    ui::OptionsDialog again(settings, uiAttributes());
    QVERIFY2(again.followPlaying().isChecked(), "the dialog shows what the panel has");
  }

  void panelAppliesWhatOkWrote_data() {
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
  }
  void panelAppliesWhatOkWrote() {
    QFETCH(bool, ok);
    ui_testing::PanelHarness harness;
    std::unique_ptr<ui::TreePanel> panel = harness.makePanel();
    QVERIFY(panel->panel().open());
    panel->show();
    const tree::PanelSettings before = panel->panel().settings();
    QVERIFY(before.use_ui_attributes);
    QTimer::singleShot(0, panel.get(), [&] {
      auto* dialog = qobject_cast<ui::OptionsDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      QVERIFY2(panel->panel().editing(), "the panel runs nothing on its own while its options are edited");
      QTest::mouseClick(&dialog->useUiAttributes(), Qt::LeftButton);
      QTest::mouseClick(&dialog->colourButton(ui::OptionsDialog::kBack), Qt::LeftButton);
      QTest::mouseClick(ok ? &dialog->okButton() : &dialog->cancelButton(), Qt::LeftButton);
    });
    panel->runCommand(ui::kCommandOptions, panel->panel().root());
    const tree::Colour back = ok ? ui::toColour(inverted(ui::toQColor(before.back))) : before.back;
    QCOMPARE(panel->panel().settings().back, back);
    QCOMPARE(panel->panel().settings().use_ui_attributes, uint8_t(ok ? 0 : 1));
    QCOMPARE(panel->view()->palette().color(QPalette::Base), ui::toQColor(back));
  }
};

QTEST_MAIN(OptionsDialogTest)
#include "options_dialog_test.moc"
