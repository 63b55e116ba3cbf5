// PreferencesPage: one page of the player's preferences dialog. The dialog
// shows the page on the right of its tree of pages, enables Apply while the
// current page has changes, calls apply() on Apply and OK, and opens the
// page's help file on Help.
//
// The player's own pages and the component's pages share this interface;
// the component's are made by makeComponentPage() from the identifiers it
// registered.
#ifndef VOSTREL_UI_PREFERENCES_PAGE_H_
#define VOSTREL_UI_PREFERENCES_PAGE_H_

#include <string_view>

#include <QString>
#include <QWidget>

namespace host {
class Host;
}

namespace ui {

class PreferencesPage : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;
  ~PreferencesPage() override = default;

  // There are edits that apply() has not stored yet.
  virtual bool hasChanges() const = 0;
  // Stores the edits. Returns false (after telling the user why) when they
  // could not be stored; the page then keeps them.
  virtual bool apply() = 0;
  // The page's help file, relative to the help folder; empty for none.
  virtual QString helpFile() const { return {}; }

 signals:
  // hasChanges() may have changed.
  void changed();
};

// The page the component registered as `guid`, or nullptr when the
// component has no page of that identifier (a branch, say).
PreferencesPage* makeComponentPage(std::string_view guid, host::Host& host, QWidget* parent = nullptr);

}  // namespace ui

#endif  // VOSTREL_UI_PREFERENCES_PAGE_H_
