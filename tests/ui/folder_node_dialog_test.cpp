// The "Folder" dialog: when OK may be pressed, the label kept as typed, the
// buttons that follow the inheritance flag, and colours and icons that
// change the node at once and go again on Cancel.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "ui/color_button.h"
#include "ui/folder_node_dialog.h"
#include "ui/icon_button.h"
#include "ui/node_attributes_box.h"
#include "ui/support/dialog_driving.h"
#include "ui/support/panel_harness.h"

using ui_testing::PanelHarness;

class FolderNodeDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    harness_ = std::make_unique<PanelHarness>();
    window_ = harness_->makePanel();
    QVERIFY(window_->loadTree());
    folder_ = std::make_unique<tree::FolderNode>(&window_->panel(), &window_->panel().root());
    folder_->setLabel("Old");
  }
  void cleanup() {
    ui::ColorButton::setChooserForTests({});
    ui::IconButton::setSelectorForTests({});
    folder_.reset();
    window_.reset();
    harness_.reset();
  }

  void labelDecidesOk_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("ok");
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks") << "    " << false;
    QTest::newRow("a word") << "Rock" << true;
    QTest::newRow("blanks around a word") << "  Rock  " << true;
  }
  void labelDecidesOk() {
    QFETCH(QString, typed);
    QFETCH(bool, ok);
    ui::FolderNodeDialog dialog(*folder_);
    dialog.show();
    ui_testing::typeInto(dialog.attributesBox().labelEdit(), typed);
    QCOMPARE(dialog.okButton().isEnabled(), ok);
    // Enter does not get past a disabled OK either.
    QTest::keyClick(dialog.attributesBox().labelEdit(), Qt::Key_Return);
    QCOMPARE(dialog.result() == QDialog::Accepted, ok);
    QCOMPARE(QString::fromStdString(folder_->label()), ok ? typed : QStringLiteral("Old"));
  }

  void opensWithTheLabelSelected() {
    ui::FolderNodeDialog dialog(*folder_);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QLineEdit* label = dialog.attributesBox().labelEdit();
    QCOMPARE(QApplication::focusWidget(), label);
    QCOMPARE(label->selectedText(), QStringLiteral("Old"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Folder"));
  }

  void buttonsFollowTheFlag() {
    ui::FolderNodeDialog dialog(*folder_);
    dialog.show();
    ui::NodeAttributesBox& box = dialog.attributesBox();
    QVERIFY(box.useParentBox()->isChecked());
    QVERIFY(!box.iconButton()->isEnabled());
    for (int i = 0; i < ui::NodeAttributesBox::kColourCount; ++i) QVERIFY(!box.colourButton(i)->isEnabled());
    ui_testing::clickBox(box.useParentBox());
    QVERIFY(box.iconButton()->isEnabled());
    for (int i = 0; i < ui::NodeAttributesBox::kColourCount; ++i) QVERIFY(box.colourButton(i)->isEnabled());
    QTest::mouseClick(&dialog.okButton(), Qt::LeftButton);
    QVERIFY(!folder_->attributes()->use_parent);
  }

  // Each button writes its own field, at once; Cancel puts all back.
  void choicesChangeTheNodeUntilCancel() {
    ui::ColorButton::setChooserForTests([](QWidget*, QColor) { return QColor(0x11, 0x22, 0x33); });
    ui::IconButton::setSelectorForTests([](QWidget*, int, QColor, QColor) { return 42; });
    const tree::NodeAttributes before = *folder_->attributes();
    ui::FolderNodeDialog dialog(*folder_);
    dialog.show();
    ui::NodeAttributesBox& box = dialog.attributesBox();
    ui_testing::clickBox(box.useParentBox());
    tree::Colour tree::NodeAttributes::* const fields[] = {
        &tree::NodeAttributes::text,          &tree::NodeAttributes::back,
        &tree::NodeAttributes::text_selected, &tree::NodeAttributes::back_selected,
        &tree::NodeAttributes::text_selected_inactive, &tree::NodeAttributes::back_selected_inactive};
    for (int i = 0; i < ui::NodeAttributesBox::kColourCount; ++i) {
      QTest::mouseClick(box.colourButton(i), Qt::LeftButton);
      for (int j = 0; j < ui::NodeAttributesBox::kColourCount; ++j) {
        QCOMPARE(folder_->attributes()->*fields[j], j <= i ? tree::Colour{0x332211} : before.*fields[j]);
      }
    }
    QTest::mouseClick(box.iconButton(), Qt::LeftButton);
    QCOMPARE(folder_->attributes()->icon, uint16_t{42});
    QCOMPARE(box.iconButton()->iconIndex(), 42);
    dialog.reject();
    QCOMPARE(*folder_->attributes(), before);
    QCOMPARE(folder_->label(), std::string("Old"));
  }

 private:
  std::unique_ptr<PanelHarness> harness_;
  std::unique_ptr<ui::TreePanel> window_;
  std::unique_ptr<tree::FolderNode> folder_;
};

QTEST_MAIN(FolderNodeDialogTest)
#include "folder_node_dialog_test.moc"
