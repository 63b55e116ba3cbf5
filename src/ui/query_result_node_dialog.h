// QueryResultNodeDialog: the "Query result node" dialog for one result
// level of a query node. The level's name (read-only), "Use parent node
// attributes", the icon and colour buttons, and "Show item count" with
// "None", "Subitems" and "Leaves".
//
// The radio buttons, the icon and the colours change the level at once, so
// the tree shows them while the dialog is open; Cancel puts the level back
// as it was. OK stores the flag; with the flag set the level takes the query
// node's colours and icon.
#ifndef VOSTREL_UI_QUERY_RESULT_NODE_DIALOG_H_
#define VOSTREL_UI_QUERY_RESULT_NODE_DIALOG_H_

#include <cstddef>

#include "tree/query_definition.h"
#include "ui/dialog.h"

class QButtonGroup;
class QPushButton;
class QRadioButton;

namespace tree {
class QueryNode;
}

namespace ui {

class NodeAttributesBox;

class QueryResultNodeDialog : public Dialog {
  Q_OBJECT

 public:
  // REQUIRES: `index` < query.levelCount(); the query node outlives the
  // dialog and keeps its level options meanwhile.
  QueryResultNodeDialog(tree::QueryNode& query, std::size_t index, QWidget* parent = nullptr);

  NodeAttributesBox& attributesBox() const { return *box_; }
  // The radio button of show item count `value` (0 None, 1 Subitems, 2 Leaves).
  QRadioButton* countButton(int value) const { return counts_[value]; }
  QPushButton& okButton() const { return *ok_; }

  void accept() override;
  void reject() override;

 private:
  tree::QueryResultNodeOption& option();
  void showInTree();

  tree::QueryNode& query_;
  std::size_t index_;
  // The level as it was when the dialog opened, for Cancel.
  tree::QueryResultNodeOption original_;
  NodeAttributesBox* box_ = nullptr;
  QButtonGroup* radios_ = nullptr;
  QRadioButton* counts_[3] = {};
  QPushButton* ok_ = nullptr;
};

}  // namespace ui

#endif  // VOSTREL_UI_QUERY_RESULT_NODE_DIALOG_H_
