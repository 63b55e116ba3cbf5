// AdvancedPage: the "Advanced" page of the query sheet: "on load" and "on
// use" under "Refresh query", "Omit <null>", "Remove duplicates when sending
// to a playlist" and "Query node limit:" (digits only; what an empty or too
// large number means is the sheet's rule).
#ifndef VOSTREL_UI_ADVANCED_PAGE_H_
#define VOSTREL_UI_ADVANCED_PAGE_H_

#include <QWidget>

class QCheckBox;
class QLineEdit;

namespace tree {
class QuerySheet;
}

namespace ui {

class AdvancedPage : public QWidget {
  Q_OBJECT

 public:
  explicit AdvancedPage(QWidget* parent = nullptr);

  void load(const tree::QuerySheet& sheet);
  void store(tree::QuerySheet& sheet) const;

  QCheckBox* refreshOnLoadBox() const { return on_load_; }
  QCheckBox* refreshOnUseBox() const { return on_use_; }
  QCheckBox* omitNullBox() const { return omit_null_; }
  QCheckBox* removeDuplicatesBox() const { return remove_duplicates_; }
  QLineEdit* limitEdit() const { return limit_; }

 private:
  QCheckBox* on_load_ = nullptr;
  QCheckBox* on_use_ = nullptr;
  QCheckBox* omit_null_ = nullptr;
  QCheckBox* remove_duplicates_ = nullptr;
  QLineEdit* limit_ = nullptr;
};

}  // namespace ui

#endif  // VOSTREL_UI_ADVANCED_PAGE_H_
