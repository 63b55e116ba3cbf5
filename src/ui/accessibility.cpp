#include "ui/accessibility.h"

#include <QAccessibleObject>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QWindow>

#include "ui/tree_accessible.h"

namespace ui {

namespace {

// The application, with the open popup (which the toolkit leaves out) as
// its last child.
class ApplicationAccessible : public QAccessibleApplication {
 public:
  int childCount() const override { return QAccessibleApplication::childCount() + (popup() != nullptr ? 1 : 0); }
  QAccessibleInterface* child(int index) const override {
    const int own = QAccessibleApplication::childCount();
    if (index < own) return QAccessibleApplication::child(index);
    if (index == own && popup() != nullptr) return QAccessible::queryAccessibleInterface(popup());
    return nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const int own = QAccessibleApplication::indexOfChild(child);
    if (own >= 0) return own;
    if (child != nullptr && popup() != nullptr && child->object() == popup()) {
      return QAccessibleApplication::childCount();
    }
    return -1;
  }

 private:
  static QWidget* popup() { return QApplication::activePopupWidget(); }
};

// A menu entry whose text carries its key after a tab.
class MenuEntryAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  MenuEntryAccessible(QAction* action, QMenu* menu) : action_(action), menu_(menu) {}

  bool isValid() const override { return action_ != nullptr && menu_ != nullptr; }
  QObject* object() const override { return action_; }
  QWindow* window() const override { return menu_ != nullptr ? menu_->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(menu_); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QString text(QAccessible::Text t) const override {
    if (!isValid()) return {};
    switch (t) {
      case QAccessible::Name:
        return menuEntryName(action_->text());
      case QAccessible::Accelerator:
        return menuEntryKey(action_->text());
      case QAccessible::Description:
        return action_->statusTip();
      default:
        return {};
    }
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!isValid()) return {};
    QRect area = menu_->actionGeometry(action_);
    area.moveTopLeft(menu_->mapToGlobal(area.topLeft()));
    return area;
  }
  QAccessible::Role role() const override {
    return action_ != nullptr && action_->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
  }
  QAccessible::State state() const override {
    QAccessible::State state;
    if (!isValid()) {
      state.invalid = true;
      return state;
    }
    state.focusable = true;
    if (!action_->isEnabled()) state.disabled = true;
    if (!action_->isVisible() || !menu_->isVisible()) state.invisible = true;
    if (menu_->activeAction() == action_) state.focused = true;
    if (action_->isCheckable()) {
      state.checkable = true;
      state.checked = action_->isChecked();
    }
    return state;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
  }

  QStringList actionNames() const override {
    if (!isValid() || !action_->isEnabled() || action_->isSeparator()) return {};
    return {pressAction()};
  }
  void doAction(const QString& name) override {
    if (name == pressAction() && isValid() && action_->isEnabled()) action_->trigger();
  }
  QStringList keyBindingsForAction(const QString& name) const override {
    const QString key = isValid() ? menuEntryKey(action_->text()) : QString();
    if (name != pressAction() || key.isEmpty()) return {};
    return {key};
  }

 private:
  QPointer<QAction> action_;
  QPointer<QMenu> menu_;
};

QAccessibleInterface* factory(const QString& class_name, QObject* object) {
  if (object != nullptr && object == QCoreApplication::instance() && class_name == QLatin1String("QApplication")) {
    return new ApplicationAccessible;
  }
  if (class_name == QLatin1String("QAction")) {
    auto* action = static_cast<QAction*>(object);
    if (!action->text().contains(QLatin1Char('\t'))) return nullptr;
    for (QObject* owner : action->associatedObjects()) {
      if (auto* menu = qobject_cast<QMenu*>(owner)) return new MenuEntryAccessible(action, menu);
    }
    return nullptr;
  }
  return treeViewAccessible(class_name, object);
}

}  // namespace

void installAccessibility() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(&factory);
}

QString menuEntryName(const QString& text) {
  QString name = text.section(QLatin1Char('\t'), 0, 0).trimmed();
  // A single "&" marks the mnemonic and goes; "&&" shows as "&" and stays
  // as one (the character after a removed "&" is never looked at again).
  for (qsizetype i = 0; i < name.size(); ++i) {
    if (name[i] == QLatin1Char('&')) name.remove(i, 1);
  }
  return name;
}

QString menuEntryKey(const QString& text) {
  const qsizetype tab = text.indexOf(QLatin1Char('\t'));
  return tab < 0 ? QString() : text.mid(tab + 1).trimmed();
}

}  // namespace ui
