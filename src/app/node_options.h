// The options of `node add-folder`, `node add-query` and `node edit`, and
// how they reach a node: through the query sheet as the dialog's OK does,
// then the icon, colours and item counts. Only what is given changes.
#ifndef VOSTREL_APP_NODE_OPTIONS_H_
#define VOSTREL_APP_NODE_OPTIONS_H_

#include <array>
#include <iosfwd>
#include <optional>
#include <string>

namespace CLI {
class App;
}
namespace tree {
struct NodeAttributes;
class QueryNode;
class QuerySheet;
}  // namespace tree

namespace app {

// The icon and colour options every stored node takes.
struct AttributeOptions {
  std::optional<std::string> icon;
  std::optional<bool> use_parent;
  // text, background, selected text, selected background, inactive selected
  // text, inactive selected background
  std::array<std::optional<std::string>, 6> colours;

  bool any() const;
};

struct ActionOptions {
  std::optional<std::string> action;  // a name or a code
  std::optional<std::string> target;
  std::optional<bool> activate;
  std::optional<bool> select;
  std::optional<bool> play;
};

struct QueryNodeOptions {
  std::optional<std::string> label;
  std::optional<std::string> query;
  std::optional<std::string> batch;
  ActionOptions click;
  ActionOptions middle;
  std::optional<bool> refresh_on_load;
  std::optional<bool> refresh_on_use;
  std::optional<std::string> node_limit;
  std::optional<bool> omit_null;
  std::optional<bool> remove_duplicates;
  std::optional<std::string> item_counts;
  AttributeOptions attributes;

  // Whether any option that only a query node has was given.
  bool anyQueryOption() const;
};

// Adds the icon and colour options.
void addAttributeOptions(CLI::App& command, AttributeOptions& options);
// Adds the query node options (and the icon and colours); `with_label` adds
// --label.
void addQueryNodeOptions(CLI::App& command, QueryNodeOptions& options, bool with_label);

// Checks the values that have a form (numbers, names, colours) before
// anything is changed. False with the message in `error`.
bool checkQueryNodeOptions(const QueryNodeOptions& options, std::string* error);
bool checkAttributeOptions(const AttributeOptions& options, std::string* error);

// Sets the given icon, colours and inheritance flag.
void applyAttributes(const AttributeOptions& options, tree::NodeAttributes& attributes);

// Fills the sheet from the options and takes it into the node as the
// sheet's OK does, then sets the icon, colours and item counts. Returns the
// exit status; messages go to `err`.
int applyQueryNodeOptions(const QueryNodeOptions& options, tree::QuerySheet& sheet, tree::QueryNode& node,
                          std::ostream& err);

}  // namespace app

#endif  // VOSTREL_APP_NODE_OPTIONS_H_
