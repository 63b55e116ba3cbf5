#include "desktop/preferences_dialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "component/registration.h"
#include "component/registry.h"
#include "desktop/advanced_settings_page.h"
#include "desktop/library_page.h"
#include "host/host.h"
#include "player/player.h"
#include "ui/preferences_page.h"

namespace desktop {
namespace {

using component::PreferencesPageEntry;

// What a branch without a page of its own shows: its name and its pages.
QWidget* makeBranchPage(const QString& name, const QStringList& children) {
  auto* page = new QWidget;
  auto* title = new QLabel(name);
  QFont bold = title->font();
  bold.setWeight(QFont::Bold);
  bold.setPointSize(11);
  title->setFont(bold);
  auto* text = new QLabel(children.isEmpty() ? QString()
                                             : QStringLiteral("Choose a page on the left: %1.")
                                                   .arg(children.join(QStringLiteral(", "))));
  text->setWordWrap(true);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(title);
  layout->addWidget(text);
  layout->addStretch(1);
  return page;
}

std::vector<const PreferencesPageEntry*> childrenOf(const component::Registry& registry, const std::string& parent) {
  std::vector<const PreferencesPageEntry*> children;
  for (const PreferencesPageEntry& entry : registry.preferencesPages()) {
    if (entry.parent_guid == parent) children.push_back(&entry);
  }
  std::stable_sort(children.begin(), children.end(), [](const auto* a, const auto* b) {
    return a->sort_priority < b->sort_priority;
  });
  return children;
}

}  // namespace

PreferencesDialog::PreferencesDialog(player::Player& player, const component::Registry& registry,
                                     std::function<QString(const QString& file)> open_help, QWidget* parent)
    : QDialog(parent), player_(player), open_help_(std::move(open_help)) {
  setObjectName(QStringLiteral("vostrel_preferences"));
  setWindowTitle(QStringLiteral("Preferences"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setSizeGripEnabled(true);

  tree_ = new QTreeWidget;
  tree_->setHeaderHidden(true);
  tree_->setRootIsDecorated(true);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  tree_->setAccessibleName(tr("Pages"));
  stack_ = new QStackedWidget;

  library_page_ = new LibraryPage(player_);
  addPage(new QTreeWidgetItem(tree_, {QStringLiteral("Library")}), library_page_);
  addPage(new QTreeWidgetItem(tree_, {QStringLiteral("Advanced")}), new AdvancedSettingsPage(player_, registry));
  // The components' branches and pages, to any depth.
  std::function<void(QTreeWidgetItem*, const std::string&)> add_children = [&](QTreeWidgetItem* parent,
                                                                               const std::string& guid) {
    for (const PreferencesPageEntry* entry : childrenOf(registry, guid)) {
      const QString name = QString::fromStdString(entry->name);
      auto* item = parent == nullptr ? new QTreeWidgetItem(tree_, {name}) : new QTreeWidgetItem(parent, {name});
      add_children(item, entry->guid);
      QWidget* page = ui::makeComponentPage(entry->guid, player_);
      if (page == nullptr) {
        QStringList children;
        for (int i = 0; i < item->childCount(); ++i) children << item->child(i)->text(0);
        page = makeBranchPage(name, children);
      }
      addPage(item, page);
      item->setExpanded(true);
    }
  };
  add_children(nullptr, "");

  // Wide enough for the longest entry at its depth.
  int tree_width = tree_->fontMetrics().averageCharWidth() * 16;
  for (QTreeWidgetItemIterator it(tree_); *it != nullptr; ++it) {
    int depth = 1;
    for (QTreeWidgetItem* p = (*it)->parent(); p != nullptr; p = p->parent()) ++depth;
    tree_width = std::max(tree_width, depth * tree_->indentation() + tree_->fontMetrics().horizontalAdvance(
                                                                          (*it)->text(0)) + 24);
  }
  tree_->setFixedWidth(tree_width);
  auto* pane = new QHBoxLayout;
  pane->addWidget(tree_);
  pane->addWidget(stack_, 1);

  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply |
                                  QDialogButtonBox::Help);
  for (QAbstractButton* button : buttons_->buttons()) {
    if (auto* push = qobject_cast<QPushButton*>(button); push != nullptr && push != &okButton()) {
      push->setAutoDefault(false);
    }
  }
  connect(buttons_, &QDialogButtonBox::accepted, this, &PreferencesDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &PreferencesDialog::reject);
  connect(&applyButton(), &QPushButton::clicked, this, &PreferencesDialog::applyCurrent);
  connect(buttons_, &QDialogButtonBox::helpRequested, this, &PreferencesDialog::help);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(pane, 1);
  layout->addWidget(buttons_);

  connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item != nullptr) stack_->setCurrentIndex(item->data(0, Qt::UserRole).toInt());
    updateButtons();
  });
  // An assistive tool chooses a page by selecting it, which leaves the
  // current item where it was: the current item follows the selection.
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, [this] {
    const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
    if (selected.size() == 1 && selected.first() != tree_->currentItem()) tree_->setCurrentItem(selected.first());
  });
  tree_->setCurrentItem(tree_->topLevelItem(0));
  resize(tree_width + fontMetrics().averageCharWidth() * 100, fontMetrics().height() * 30);
  updateButtons();
}

PreferencesDialog::~PreferencesDialog() = default;

void PreferencesDialog::addPage(QTreeWidgetItem* item, QWidget* page) {
  item->setData(0, Qt::UserRole, stack_->addWidget(page));
  if (auto* preferences = qobject_cast<ui::PreferencesPage*>(page); preferences != nullptr) {
    pages_.push_back(preferences);
    connect(preferences, &ui::PreferencesPage::changed, this, &PreferencesDialog::updateButtons);
  }
}

QPushButton& PreferencesDialog::okButton() { return *buttons_->button(QDialogButtonBox::Ok); }
QPushButton& PreferencesDialog::cancelButton() { return *buttons_->button(QDialogButtonBox::Cancel); }
QPushButton& PreferencesDialog::applyButton() { return *buttons_->button(QDialogButtonBox::Apply); }
QPushButton& PreferencesDialog::helpButton() { return *buttons_->button(QDialogButtonBox::Help); }

ui::PreferencesPage* PreferencesDialog::currentPage() const {
  return qobject_cast<ui::PreferencesPage*>(stack_->currentWidget());
}

bool PreferencesDialog::showPage(const QString& name) {
  const QList<QTreeWidgetItem*> found = tree_->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
  if (found.isEmpty()) return false;
  tree_->setCurrentItem(found.first());
  return true;
}

void PreferencesDialog::updateButtons() {
  // The buttons exist only once the layout is built; pages report changes
  // while they are made.
  if (buttons_ == nullptr) return;
  const ui::PreferencesPage* page = currentPage();
  applyButton().setEnabled(page != nullptr && page->hasChanges());
}

void PreferencesDialog::applyCurrent() {
  if (ui::PreferencesPage* page = currentPage(); page != nullptr && page->hasChanges()) page->apply();
  updateButtons();
}

void PreferencesDialog::accept() {
  // Every page that can store its edits does; the first that cannot is
  // shown with its edits, and the dialog stays open.
  ui::PreferencesPage* refused = nullptr;
  for (ui::PreferencesPage* page : pages_) {
    if (page->hasChanges() && !page->apply() && refused == nullptr) refused = page;
  }
  if (refused == nullptr) {
    QDialog::accept();
    return;
  }
  for (QTreeWidgetItemIterator it(tree_); *it != nullptr; ++it) {
    if (stack_->widget((*it)->data(0, Qt::UserRole).toInt()) == refused) tree_->setCurrentItem(*it);
  }
  updateButtons();
}

void PreferencesDialog::help() {
  const ui::PreferencesPage* page = currentPage();
  QString file = page != nullptr ? page->helpFile() : QString();
  if (file.isEmpty()) file = QString::fromUtf8(component::kHelpFileName.data(),
                                               static_cast<qsizetype>(component::kHelpFileName.size()));
  const QString problem = open_help_ ? open_help_(file) : QString::fromUtf8(component::kUnableToOpenHelpFile.data(), static_cast<qsizetype>(component::kUnableToOpenHelpFile.size()));
  if (!problem.isEmpty()) player_.messageBox(problem.toStdString(), host::kComponentFileName);
}

}  // namespace desktop
