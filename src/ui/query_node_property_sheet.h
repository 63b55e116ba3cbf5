// QueryNodePropertySheetDialog: the "Query" sheet of a query node, with the
// pages "Main", "Query", "Action", "Batch" and "Advanced". The sheet shows a
// tree::QuerySheet: the pages hold the values, the QuerySheet decides what
// is enabled and what Apply, Revert, Validate and OK do to the node.
//
//   QueryNodePropertySheetDialog sheet(query, panelWindow);
//   if (sheet.runModal()) panel.save(query);
//
// OK takes every page into the node; when the SQL text was changed it is
// applied first, and a failed Apply keeps the sheet open on the "Query"
// page with the message.
#ifndef VOSTREL_UI_QUERY_NODE_PROPERTY_SHEET_H_
#define VOSTREL_UI_QUERY_NODE_PROPERTY_SHEET_H_

#include <string>

#include "tree/node_attributes.h"
#include "tree/node_editing.h"
#include "tree/query_definition.h"
#include "ui/property_sheet_dialog.h"

namespace tree {
class QueryNode;
}

namespace ui {

class ActionPage;
class AdvancedPage;
class BatchPage;
class NodeAttributesBox;
class QueryPage;

class QueryNodePropertySheetDialog : public PropertySheetDialog {
  Q_OBJECT

 public:
  enum PageIndex { kMainPage = 0, kQueryPage, kActionPage, kBatchPage, kAdvancedPage };

  // REQUIRES: `node` has a panel and outlives the sheet.
  QueryNodePropertySheetDialog(tree::QueryNode& node, QWidget* parent = nullptr);
  ~QueryNodePropertySheetDialog() override;

  NodeAttributesBox& mainPage() const { return *main_; }
  QueryPage& queryPage() const { return *query_; }
  ActionPage& actionPage() const { return *action_; }
  BatchPage& batchPage() const { return *batch_; }
  AdvancedPage& advancedPage() const { return *advanced_; }
  const tree::QuerySheet& sheet() const { return sheet_; }

  void reject() override;

 protected:
  bool acceptSheet() override;
  void showEvent(QShowEvent* event) override;

 private:
  void connectPages();
  // Takes the values of every page into the QuerySheet.
  void storePages();
  void updateEnableState();
  void showMessage(const std::string& text);
  // The "Query" page after Apply or OK: the text the sheet kept and the
  // node's levels.
  void showAppliedQuery();

  bool apply();
  void revert();
  void preview();
  void editLevel(int index);
  void validateBatch();
  void executeBatch();
  void sendBatchToConsole();

  tree::QueryNode& node_;
  tree::QuerySheet sheet_;
  // The node as it was, for Cancel.
  std::string original_label_;
  tree::NodeAttributes original_attributes_;
  tree::QueryDefinition original_definition_;
  NodeAttributesBox* main_ = nullptr;
  QueryPage* query_ = nullptr;
  ActionPage* action_ = nullptr;
  BatchPage* batch_ = nullptr;
  AdvancedPage* advanced_ = nullptr;
};

}  // namespace ui

#endif  // VOSTREL_UI_QUERY_NODE_PROPERTY_SHEET_H_
