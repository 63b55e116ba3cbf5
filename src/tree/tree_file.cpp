// Writing and reading tree files. Writing goes through an ordered document so
// that keys come out in one fixed order; reading checks every value of the
// document against the format before anything is built from it, and names
// the first value that does not fit by its JSON path.
#include "tree/tree_file.h"

#include <algorithm>
#include <initializer_list>
#include <nlohmann/json.hpp>

namespace tree {

namespace {

using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

// Enough nesting for a node at the deepest level with its result levels;
// deeper text is refused while it is parsed, before it costs memory.
constexpr int kMaxNesting = 2 * static_cast<int>(kMaxNodeLevel) + 8;

constexpr const char* kFolderType = "folder";
constexpr const char* kQueryType = "query";

OrderedJson attributesJson(const NodeAttributes& a) {
  OrderedJson json = OrderedJson::object();
  json["use_parent"] = a.use_parent;
  if (a.use_parent) return json;
  json["icon"] = a.icon;
  json["text"] = a.text;
  json["back"] = a.back;
  json["text_selected"] = a.text_selected;
  json["back_selected"] = a.back_selected;
  json["text_selected_inactive"] = a.text_selected_inactive;
  json["back_selected_inactive"] = a.back_selected_inactive;
  return json;
}

OrderedJson actionJson(const NodeAction& action) {
  OrderedJson json = OrderedJson::object();
  json["action"] = action.action;
  json["target_playlist"] = action.target_playlist;
  json["activate_playlist"] = action.activate_playlist;
  json["select_items"] = action.select_items;
  json["start_playback"] = action.start_playback;
  return json;
}

OrderedJson nodeJson(const TreeFileNode& node) {
  OrderedJson json = OrderedJson::object();
  const bool folder = node.type != NodeType::kQuery;
  json["type"] = folder ? kFolderType : kQueryType;
  json["label"] = node.label;
  json["expanded"] = node.expanded;
  json["attributes"] = attributesJson(node.attributes);
  if (folder) {
    OrderedJson children = OrderedJson::array();
    for (const TreeFileNode& child : node.children) children.push_back(nodeJson(child));
    json["children"] = std::move(children);
    return json;
  }
  const QueryDefinition& d = node.query;
  json["sql_query"] = d.sql_query;
  json["sql_batch"] = d.sql_batch;
  json["click"] = actionJson(d.click);
  json["middle_click"] = actionJson(d.middle_click);
  json["refresh_on_load"] = d.refresh_on_load;
  json["refresh_on_use"] = d.refresh_on_use;
  json["node_limit"] = d.node_limit;
  json["omit_null_nodes"] = d.omit_null_nodes;
  json["remove_duplicates"] = d.remove_duplicates;
  OrderedJson levels = OrderedJson::array();
  for (const QueryResultNodeOption& option : d.level_options) {
    OrderedJson level = OrderedJson::object();
    level["name"] = option.name;
    level["attributes"] = attributesJson(option.attributes);
    level["show_item_count"] = option.show_item_count;
    levels.push_back(std::move(level));
  }
  json["levels"] = std::move(levels);
  return json;
}

std::string describe(const Json& value) {
  switch (value.type()) {
    case Json::value_t::object:
      return "an object";
    case Json::value_t::array:
      return "an array";
    case Json::value_t::string:
      return "a string";
    case Json::value_t::boolean:
      return value.get<bool>() ? "true" : "false";
    case Json::value_t::null:
      return "null";
    case Json::value_t::number_float:
      return "the number " + value.dump();
    default:
      return "the number " + value.dump();
  }
}

// Checks a parsed document against the format. Every method throws
// TreeFileError for the first value that does not fit.
class Reader {
 public:
  explicit Reader(const std::string& file) : file_(file) {}

  TreeFileNode document(const Json& json, unsigned parent_level) const {
    object(json, "$");
    const std::string format = text(json, "$", "format");
    if (format != kTreeFileFormat) {
      fail("$.format",
           "expected \"" + std::string(kTreeFileFormat) + "\" (a Vostrel tree file), found \"" + format + "\"");
    }
    const uint64_t version = whole(json, "$", "version", UINT32_MAX);
    if (version != static_cast<uint64_t>(kTreeFileVersion)) {
      fail("$.version", "the file has version " + std::to_string(version) +
                            " of the tree file format; this program reads version " + std::to_string(kTreeFileVersion));
    }
    onlyKeys(json, "$", {"format", "version", "node"});
    return node(member(json, "$", "node"), "$.node", parent_level + 1);
  }

 private:
  [[noreturn]] void fail(const std::string& path, const std::string& detail) const {
    throw TreeFileError(file_, path, detail);
  }

  void object(const Json& value, const std::string& path) const {
    if (!value.is_object()) fail(path, "expected an object, found " + describe(value));
  }

  const Json& member(const Json& json, const std::string& path, const char* key) const {
    const auto found = json.find(key);
    if (found == json.end()) fail(path, "missing key \"" + std::string(key) + "\"");
    return *found;
  }

  void onlyKeys(const Json& json, const std::string& path, std::initializer_list<std::string_view> keys) const {
    for (const auto& [key, value] : json.items()) {
      if (std::find(keys.begin(), keys.end(), key) == keys.end()) fail(path, "unknown key \"" + key + "\"");
    }
  }

  std::string text(const Json& json, const std::string& path, const char* key) const {
    const Json& value = member(json, path, key);
    if (!value.is_string()) fail(path + "." + key, "expected a string, found " + describe(value));
    return value.get<std::string>();
  }

  bool flag(const Json& json, const std::string& path, const char* key) const {
    const Json& value = member(json, path, key);
    if (!value.is_boolean()) fail(path + "." + key, "expected true or false, found " + describe(value));
    return value.get<bool>();
  }

  uint64_t whole(const Json& json, const std::string& path, const char* key, uint64_t max) const {
    const Json& value = member(json, path, key);
    const bool fits = (value.is_number_unsigned() && value.get<uint64_t>() <= max) ||
                      (value.is_number_integer() && !value.is_number_unsigned() && value.get<int64_t>() >= 0 &&
                       static_cast<uint64_t>(value.get<int64_t>()) <= max);
    if (!fits) {
      fail(path + "." + key, "expected a whole number from 0 to " + std::to_string(max) + ", found " + describe(value));
    }
    return value.get<uint64_t>();
  }

  const Json& array(const Json& json, const std::string& path, const char* key) const {
    const Json& value = member(json, path, key);
    if (!value.is_array()) fail(path + "." + key, "expected an array, found " + describe(value));
    return value;
  }

  NodeAttributes attributes(const Json& json, const std::string& path) const {
    object(json, path);
    NodeAttributes a;
    a.use_parent = flag(json, path, "use_parent");
    if (a.use_parent) {
      onlyKeys(json, path, {"use_parent"});
      return a;
    }
    a.icon = static_cast<uint16_t>(whole(json, path, "icon", UINT16_MAX));
    a.text = static_cast<Colour>(whole(json, path, "text", UINT32_MAX));
    a.back = static_cast<Colour>(whole(json, path, "back", UINT32_MAX));
    a.text_selected = static_cast<Colour>(whole(json, path, "text_selected", UINT32_MAX));
    a.back_selected = static_cast<Colour>(whole(json, path, "back_selected", UINT32_MAX));
    a.text_selected_inactive = static_cast<Colour>(whole(json, path, "text_selected_inactive", UINT32_MAX));
    a.back_selected_inactive = static_cast<Colour>(whole(json, path, "back_selected_inactive", UINT32_MAX));
    onlyKeys(json, path,
             {"use_parent", "icon", "text", "back", "text_selected", "back_selected", "text_selected_inactive",
              "back_selected_inactive"});
    return a;
  }

  NodeAction action(const Json& json, const std::string& path) const {
    object(json, path);
    NodeAction a;
    a.action = static_cast<uint8_t>(whole(json, path, "action", UINT8_MAX));
    a.target_playlist = text(json, path, "target_playlist");
    a.activate_playlist = flag(json, path, "activate_playlist");
    a.select_items = flag(json, path, "select_items");
    a.start_playback = flag(json, path, "start_playback");
    onlyKeys(json, path, {"action", "target_playlist", "activate_playlist", "select_items", "start_playback"});
    return a;
  }

  void query(const Json& json, const std::string& path, unsigned level, QueryDefinition& d) const {
    d.sql_query = text(json, path, "sql_query");
    d.sql_batch = text(json, path, "sql_batch");
    d.click = action(member(json, path, "click"), path + ".click");
    d.middle_click = action(member(json, path, "middle_click"), path + ".middle_click");
    d.refresh_on_load = flag(json, path, "refresh_on_load");
    d.refresh_on_use = flag(json, path, "refresh_on_use");
    d.node_limit = static_cast<uint32_t>(whole(json, path, "node_limit", UINT32_MAX));
    d.omit_null_nodes = flag(json, path, "omit_null_nodes");
    d.remove_duplicates = flag(json, path, "remove_duplicates");
    const Json& levels = array(json, path, "levels");
    // The same cap as the query sheet's: result levels below this node.
    const std::size_t cap = kMaxNodeLevel - level;
    if (levels.size() > cap) {
      fail(path + ".levels", std::to_string(levels.size()) + " result levels, but a query node at level " +
                                 std::to_string(level) + " can have at most " + std::to_string(cap));
    }
    for (std::size_t i = 0; i < levels.size(); ++i) {
      const std::string at = path + ".levels[" + std::to_string(i) + "]";
      const Json& entry = levels[i];
      object(entry, at);
      QueryResultNodeOption& option = d.level_options.emplace_back();
      option.level = static_cast<uint8_t>(i + 1);
      option.name = text(entry, at, "name");
      option.attributes = attributes(member(entry, at, "attributes"), at + ".attributes");
      option.show_item_count = static_cast<uint8_t>(whole(entry, at, "show_item_count", UINT8_MAX));
      onlyKeys(entry, at, {"name", "attributes", "show_item_count"});
    }
    onlyKeys(json, path,
             {"type", "label", "expanded", "attributes", "sql_query", "sql_batch", "click", "middle_click",
              "refresh_on_load", "refresh_on_use", "node_limit", "omit_null_nodes", "remove_duplicates", "levels"});
  }

  TreeFileNode node(const Json& json, const std::string& path, unsigned level) const {
    object(json, path);
    if (level > kMaxNodeLevel) {
      fail(path, "the node would be at level " + std::to_string(level) + ", below the deepest level a tree has (" +
                     std::to_string(kMaxNodeLevel) + ")");
    }
    TreeFileNode node;
    const std::string type = text(json, path, "type");
    if (type == kFolderType) {
      node.type = NodeType::kFolder;
    } else if (type == kQueryType) {
      node.type = NodeType::kQuery;
    } else {
      fail(path + ".type", "expected \"folder\" or \"query\", found \"" + type + "\"");
    }
    node.label = text(json, path, "label");
    node.expanded = flag(json, path, "expanded");
    node.attributes = attributes(member(json, path, "attributes"), path + ".attributes");
    if (node.type == NodeType::kQuery) {
      query(json, path, level, node.query);
      return node;
    }
    const Json& children = array(json, path, "children");
    for (std::size_t i = 0; i < children.size(); ++i) {
      node.children.push_back(this->node(children[i], path + ".children[" + std::to_string(i) + "]", level + 1));
    }
    onlyKeys(json, path, {"type", "label", "expanded", "attributes", "children"});
    return node;
  }

  const std::string& file_;
};

// The reason in a nlohmann exception's text, without its bracketed name:
// "parse error at line 1, column 5: syntax error ...".
std::string errorDetail(const char* what) {
  const std::string_view text(what);
  const std::size_t end = text.find("] ");
  return std::string(end == std::string_view::npos ? text : text.substr(end + 2));
}

}  // namespace

TreeFileError::TreeFileError(const std::string& file, const std::string& path, const std::string& detail)
    : std::runtime_error("Cannot import \"" + file + "\": " + (path.empty() ? "" : path + ": ") + detail),
      path_(path) {}

std::string writeTreeFile(const TreeFileNode& node) {
  OrderedJson document = OrderedJson::object();
  document["format"] = kTreeFileFormat;
  document["version"] = kTreeFileVersion;
  document["node"] = nodeJson(node);
  return document.dump(2, ' ', false, OrderedJson::error_handler_t::replace) + "\n";
}

TreeFileNode readTreeFile(std::string_view text, const std::string& file, unsigned parent_level) {
  // The callback sees each container open with the count of those around it.
  const auto limit_depth = [&file](int depth, Json::parse_event_t event, Json&) {
    const bool opens = event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start;
    if (opens && depth >= kMaxNesting) {
      throw TreeFileError(file, "", "nested deeper (" + std::to_string(kMaxNesting) + " levels) than any tree file");
    }
    return true;
  };
  Json json;
  try {
    json = Json::parse(text, limit_depth);
  } catch (const Json::exception& e) {
    throw TreeFileError(file, "", "not valid JSON: " + errorDetail(e.what()));
  }
  return Reader(file).document(json, parent_level);
}

}  // namespace tree
