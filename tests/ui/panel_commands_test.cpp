// The context menu per node type and run state, and the key table with the
// hot-key codes of keys offered to the host.
#include <QTest>

#include "ui/panel_commands.h"

using tree::NodeType;
using ui::KeyAction;

Q_DECLARE_METATYPE(tree::NodeType)
Q_DECLARE_METATYPE(ui::KeyAction)

namespace {

// "1 2 3 4 | 5": ids in order, "|" for a separator.
QString ids(const std::vector<ui::MenuEntry>& entries) {
  QStringList out;
  for (const ui::MenuEntry& e : entries) out << (e.id == ui::kCommandSeparator ? QStringLiteral("|") : QString::number(e.id));
  return out.join(' ');
}

}  // namespace

class PanelCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void menuPerNodeType_data() {
    QTest::addColumn<NodeType>("type");
    QTest::addColumn<bool>("running");
    QTest::addColumn<QString>("expected");
    QTest::newRow("root") << NodeType::kRoot << false << "1 2 14 7 | 5 9 15 10";
    QTest::newRow("folder") << NodeType::kFolder << false << "1 2 3 4 14 13 7 | 5 9 15 10";
    QTest::newRow("query") << NodeType::kQuery << false << "3 4 13 6 7 | 5 9 15 10";
    QTest::newRow("result, no separator") << NodeType::kQueryResult << false << "7 5 9 15 10";
    QTest::newRow("root running") << NodeType::kRoot << true << "8";
    QTest::newRow("query running") << NodeType::kQuery << true << "8";
    QTest::newRow("result running") << NodeType::kQueryResult << true << "8";
  }
  void menuPerNodeType() {
    QFETCH(NodeType, type);
    QFETCH(bool, running);
    QFETCH(QString, expected);
    QCOMPARE(ids(ui::contextMenuEntries(type, running)), expected);
  }

  void menuTexts() {
    QStringList texts;
    for (const ui::MenuEntry& e : ui::contextMenuEntries(NodeType::kFolder, false)) texts << e.text;
    QCOMPARE(texts, (QStringList{"New folder...\t   Ctrl+Ins", "New query...\t   Ins", "Edit...\t   Enter",
                                 "Delete\t   Del", "Import...", "Export...", "Refresh all\t   Ctrl+F5", "",
                                 "Options...", "Create example nodes", "Create 'now playing' examples", "Help"}));
    QCOMPARE(ui::contextMenuEntries(NodeType::kQuery, false)[3].text, QStringLiteral("Refresh\t   F5"));
    QCOMPARE(ui::contextMenuEntries(NodeType::kQuery, true)[0].text, QStringLiteral("Abort query\t   Esc"));
  }

  void keyTable_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("running");
    QTest::addColumn<KeyAction>("expected");
    const int none = Qt::NoModifier;
    const int ctrl = Qt::ControlModifier;
    QTest::newRow("Enter") << int(Qt::Key_Return) << none << false << KeyAction::kEdit;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << none << false << KeyAction::kEdit;
    QTest::newRow("Ctrl+Enter") << int(Qt::Key_Return) << ctrl << false << KeyAction::kOfferToHost;
    QTest::newRow("Esc idle") << int(Qt::Key_Escape) << none << false << KeyAction::kOfferToHost;
    QTest::newRow("Esc running") << int(Qt::Key_Escape) << none << true << KeyAction::kAbortQuery;
    QTest::newRow("Ctrl+Esc running") << int(Qt::Key_Escape) << ctrl << true << KeyAction::kOfferToHost;
    QTest::newRow("Space") << int(Qt::Key_Space) << none << false << KeyAction::kClick;
    QTest::newRow("Ctrl+Space") << int(Qt::Key_Space) << ctrl << false << KeyAction::kMiddleClick;
    QTest::newRow("Insert") << int(Qt::Key_Insert) << none << false << KeyAction::kNewQuery;
    QTest::newRow("Ctrl+Insert") << int(Qt::Key_Insert) << ctrl << false << KeyAction::kNewFolder;
    QTest::newRow("Delete") << int(Qt::Key_Delete) << none << false << KeyAction::kDelete;
    QTest::newRow("Ctrl+Delete") << int(Qt::Key_Delete) << ctrl << false << KeyAction::kOfferToHost;
    QTest::newRow("F5") << int(Qt::Key_F5) << none << false << KeyAction::kRefresh;
    QTest::newRow("Ctrl+F5") << int(Qt::Key_F5) << ctrl << false << KeyAction::kRefreshAll;
    QTest::newRow("letter") << int(Qt::Key_K) << none << false << KeyAction::kControlOnly;
    QTest::newRow("digit") << int(Qt::Key_7) << none << false << KeyAction::kControlOnly;
    QTest::newRow("Ctrl+letter") << int(Qt::Key_K) << ctrl << false << KeyAction::kOfferToHost;
    QTest::newRow("Home") << int(Qt::Key_Home) << none << false << KeyAction::kControlOnly;
    QTest::newRow("Down") << int(Qt::Key_Down) << none << false << KeyAction::kControlOnly;
    QTest::newRow("Ctrl+Left") << int(Qt::Key_Left) << ctrl << false << KeyAction::kOfferToHost;
    QTest::newRow("other key") << int(Qt::Key_F2) << none << false << KeyAction::kOfferToHost;
    QTest::newRow("Shift+Delete") << int(Qt::Key_Delete) << int(Qt::ShiftModifier) << false << KeyAction::kOfferToHost;
    QTest::newRow("Alt+F5") << int(Qt::Key_F5) << int(Qt::AltModifier) << false << KeyAction::kOfferToHost;
    QTest::newRow("Meta+Space") << int(Qt::Key_Space) << int(Qt::MetaModifier) << false << KeyAction::kOfferToHost;
    QTest::newRow("Delete running") << int(Qt::Key_Delete) << none << true << KeyAction::kOfferToHost;
    QTest::newRow("letter running") << int(Qt::Key_K) << none << true << KeyAction::kOfferToHost;
    QTest::newRow("F5 running") << int(Qt::Key_F5) << none << true << KeyAction::kOfferToHost;
  }
  void keyTable() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, running);
    QFETCH(KeyAction, expected);
    QCOMPARE(ui::keyAction(key, Qt::KeyboardModifiers(modifiers), running), expected);
  }

  void hotKeyCodes_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<uint>("code");
    QTest::newRow("Ctrl+Delete") << int(Qt::Key_Delete) << int(Qt::ControlModifier) << 0x22Eu;
    QTest::newRow("Ctrl+Enter") << int(Qt::Key_Return) << int(Qt::ControlModifier) << 0x20Du;
    QTest::newRow("Esc") << int(Qt::Key_Escape) << int(Qt::NoModifier) << 0x1Bu;
    QTest::newRow("Shift+F3") << int(Qt::Key_F3) << int(Qt::ShiftModifier) << 0x172u;
    QTest::newRow("Alt+Meta+P") << int(Qt::Key_P) << int(Qt::AltModifier | Qt::MetaModifier) << 0xC50u;
    QTest::newRow("Ctrl+0") << int(Qt::Key_0) << int(Qt::ControlModifier) << 0x230u;
    QTest::newRow("Ctrl+Left") << int(Qt::Key_Left) << int(Qt::ControlModifier) << 0x225u;
    QTest::newRow("unknown") << int(Qt::Key_Launch0) << int(Qt::ControlModifier) << 0u;
  }
  void hotKeyCodes() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(uint, code);
    QCOMPARE(ui::hotKeyCode(key, Qt::KeyboardModifiers(modifiers)), code);
  }
};

QTEST_MAIN(PanelCommandsTest)
#include "panel_commands_test.moc"
