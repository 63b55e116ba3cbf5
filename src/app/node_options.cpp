#include "app/node_options.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <sstream>

#include "app/cli.h"
#include "app/option_values.h"
#include "tree/node_editing.h"
#include "tree/query_node.h"

namespace app {
namespace {

constexpr std::array<const char*, 6> kColourOptions = {
    "--color-text",          "--color-background",          "--color-selected-text",
    "--color-selected-background", "--color-inactive-selected-text", "--color-inactive-selected-background"};

// "--omit-null" and "--no-omit-null" as one yes/no option.
void addSwitch(CLI::App& command, const std::string& on, const std::string& off, std::optional<bool>& value,
               const std::string& description) {
  // A flag function leaves the value unset when neither form is given;
  // "--omit-null=false" counts as the "--no-" form.
  command.add_flag_function(
      on + ",!" + off, [&value](int64_t count) { value = count > 0; }, description + " (" + off + ": not)");
}

void addActionOptions(CLI::App& command, const std::string& prefix, const std::string& what, ActionOptions& o) {
  command.add_option("--" + prefix, o.action, what + " action: a name or code (see below)")->type_name("ACTION");
  command.add_option("--" + prefix + "-target", o.target, what + " target playlist")->type_name("NAME");
  addSwitch(command, "--" + prefix + "-activate", "--" + prefix + "-no-activate", o.activate,
            "Activate the playlist on " + what + " (default)");
  addSwitch(command, "--" + prefix + "-select", "--" + prefix + "-no-select", o.select,
            "Select the new items on " + what);
  addSwitch(command, "--" + prefix + "-play", "--" + prefix + "-no-play", o.play, "Start playback on " + what);
}

void applyAction(const ActionOptions& o, tree::NodeAction& target) {
  std::string ignored;  // checked before
  if (o.action) target.action = *parseActionCode("", *o.action, &ignored);
  if (o.target) target.target_playlist = *o.target;
  if (o.activate) target.activate_playlist = *o.activate;
  if (o.select) target.select_items = *o.select;
  if (o.play) target.start_playback = *o.play;
}

// The item count modes given in level order: names or codes, comma-separated.
bool applyItemCounts(const std::string& list, tree::QueryNode& node, std::string* error) {
  std::stringstream stream(list);
  std::string entry;
  std::size_t level = 0;
  while (std::getline(stream, entry, ',')) {
    const auto mode = parseItemCount(entry, error);
    if (!mode) return false;
    tree::QueryResultNodeOption* option = node.levelOption(level++);
    if (option == nullptr) {
      *error = "More item counts than the query has levels (" + std::to_string(node.levelCount()) + ")";
      return false;
    }
    option->show_item_count = *mode;
  }
  return true;
}

}  // namespace

bool AttributeOptions::any() const {
  if (icon || use_parent) return true;
  for (const auto& colour : colours) {
    if (colour) return true;
  }
  return false;
}

bool QueryNodeOptions::anyQueryOption() const {
  auto given = [](const ActionOptions& a) { return a.action || a.target || a.activate || a.select || a.play; };
  return query || batch || given(click) || given(middle) || refresh_on_load || refresh_on_use || node_limit ||
         omit_null || remove_duplicates || item_counts;
}

void addAttributeOptions(CLI::App& command, AttributeOptions& o) {
  command.add_option("--icon", o.icon, "Icon index (0 to 65535)")->type_name("N");
  addSwitch(command, "--use-parent-attributes", "--no-use-parent-attributes", o.use_parent,
            "Take the icon and colours from the parent");
  for (std::size_t i = 0; i < kColourOptions.size(); ++i) {
    command.add_option(kColourOptions[i], o.colours[i], "Colour")->type_name("#RRGGBB");
  }
}

void addQueryNodeOptions(CLI::App& command, QueryNodeOptions& o, bool with_label) {
  if (with_label) command.add_option("--label", o.label, "New label");
  command.add_option("--query", o.query, "SQL query");
  command.add_option("--batch", o.batch, "SQL batch run before the query");
  addActionOptions(command, "click", "click", o.click);
  addActionOptions(command, "middle", "middle click", o.middle);
  addSwitch(command, "--refresh-on-load", "--no-refresh-on-load", o.refresh_on_load,
            "Run the query when the tree loads");
  addSwitch(command, "--refresh-on-use", "--no-refresh-on-use", o.refresh_on_use,
            "Run a stale query when it is used");
  command.add_option("--node-limit", o.node_limit, "Query node limit: 0 to 4294967295, or none")->type_name("N");
  addSwitch(command, "--omit-null", "--no-omit-null", o.omit_null, "Omit <null> nodes");
  addSwitch(command, "--remove-duplicates", "--keep-duplicates", o.remove_duplicates,
            "Remove duplicates when sending to a playlist (default)");
  command.add_option("--item-counts", o.item_counts,
                     "Item counts per level in level order, comma-separated: none, subitems or leaves (0, 1, 2)")
      ->type_name("LIST");
  addAttributeOptions(command, o.attributes);
  command.footer("Actions: " + actionNameList() + ".");
}

bool checkAttributeOptions(const AttributeOptions& o, std::string* error) {
  if (o.icon && !parseNumber("--icon", *o.icon, 0, UINT16_MAX, error)) return false;
  for (std::size_t i = 0; i < kColourOptions.size(); ++i) {
    if (o.colours[i] && !parseColour(kColourOptions[i], *o.colours[i], error)) return false;
  }
  return true;
}

bool checkQueryNodeOptions(const QueryNodeOptions& o, std::string* error) {
  if (o.click.action && !parseActionCode("--click", *o.click.action, error)) return false;
  if (o.middle.action && !parseActionCode("--middle", *o.middle.action, error)) return false;
  if (o.node_limit && !parseNodeLimitOption(*o.node_limit, error)) return false;
  if (o.item_counts) {
    std::stringstream stream(*o.item_counts);
    std::string entry;
    while (std::getline(stream, entry, ',')) {
      if (!parseItemCount(entry, error)) return false;
    }
  }
  return checkAttributeOptions(o.attributes, error);
}

void applyAttributes(const AttributeOptions& o, tree::NodeAttributes& attributes) {
  std::string ignored;
  if (o.icon) attributes.icon = static_cast<uint16_t>(*parseNumber("--icon", *o.icon, 0, UINT16_MAX, &ignored));
  if (o.use_parent) attributes.use_parent = *o.use_parent;
  tree::Colour* targets[] = {&attributes.text,          &attributes.back,
                             &attributes.text_selected, &attributes.back_selected,
                             &attributes.text_selected_inactive, &attributes.back_selected_inactive};
  for (std::size_t i = 0; i < kColourOptions.size(); ++i) {
    if (o.colours[i]) *targets[i] = *parseColour(kColourOptions[i], *o.colours[i], &ignored);
  }
}

int applyQueryNodeOptions(const QueryNodeOptions& o, tree::QuerySheet& sheet, tree::QueryNode& node,
                          std::ostream& err) {
  if (o.label) sheet.label = *o.label;
  if (o.query) {
    sheet.sql_text = *o.query;
    sheet.sqlTextChanged();
  }
  if (o.batch) sheet.batch = *o.batch;
  applyAction(o.click, sheet.click);
  applyAction(o.middle, sheet.middle_click);
  if (o.refresh_on_load) sheet.refresh_on_load = *o.refresh_on_load;
  if (o.refresh_on_use) sheet.refresh_on_use = *o.refresh_on_use;
  std::string error;
  if (o.node_limit) sheet.node_limit = std::to_string(*parseNodeLimitOption(*o.node_limit, &error));
  if (o.omit_null) sheet.omit_null_nodes = *o.omit_null;
  if (o.remove_duplicates) sheet.remove_duplicates = *o.remove_duplicates;
  if (o.attributes.use_parent) sheet.use_parent_attributes = *o.attributes.use_parent;
  if (!sheet.enableState().ok) {
    err << "A query node needs a label that is not blank, and an SQL query or an SQL batch.\n";
    return kExitBadInput;
  }
  if (!sheet.ok(&error)) {
    err << error << "\n";
    return kExitFailed;
  }
  applyAttributes(o.attributes, *node.attributes());
  if (o.item_counts && !applyItemCounts(*o.item_counts, node, &error)) {
    err << error << "\n";
    return kExitBadInput;
  }
  return kExitOk;
}

}  // namespace app
