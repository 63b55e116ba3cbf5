// Tree files: export, import and export again give the same bytes (for the
// example tree and for a tree with every attribute set), what is stored
// reloads as exported, and every file that cannot be imported is refused
// with its name and the JSON path of the fault, changing nothing.
#include "tree/tree_sharing.h"

#include <gtest/gtest.h>

#include <string>

#include "library_tables/library_tables.h"
#include "panel_fixture.h"
#include "tree/example_nodes.h"
#include "tree/tree_file.h"
#include "tree/tree_loader.h"

namespace {

using tree::NodeType;
using tree::TreeNode;

class TreeSharingTest : public tree_testing::PanelFixture {
 protected:
  void SetUp() override {
    library_tables::resetProcessState();
    db::setSchemaReady(false);
    db::installOpenSteps({&tree::BuildTreeSchema, &library_tables::setUpLibraryTables});
    panel = std::make_unique<tree::Panel>(host, tree::UiAttributes{});
    ASSERT_TRUE(panel->open());
  }
  void TearDown() override {
    other.reset();
    PanelFixture::TearDown();
    library_tables::resetProcessState();
  }

  // A panel over the same database showing the tree of `root_id`, loaded.
  tree::Panel& reload(int32_t root_id) {
    other = std::make_unique<tree::Panel>(host, tree::UiAttributes{});
    tree::PanelSettings settings = tree::PanelSettings::defaults(tree::UiAttributes{});
    settings.root_node_id = root_id;
    other->setSettings(settings);
    EXPECT_TRUE(other->open());
    EXPECT_TRUE(tree::loadTree(*other));
    return *other;
  }
  static TreeNode* topNode(tree::Panel& p, const std::string& label) {
    const tree::TreeItem* top = p.control().top();
    for (std::size_t i = 0; i < top->childCount(); ++i) {
      if (top->child(i)->node()->label() == label) return top->child(i)->node();
    }
    return nullptr;
  }
  std::string exportNode(const TreeNode& node) { return tree::writeTreeFile(tree::captureNode(node)); }
  std::string storedRows() {
    return rows("SELECT * FROM vos_TreeItem ORDER BY tri_node_id") +
           rows("SELECT * FROM vos_QueryNodeDetail ORDER BY tri_node_id,qnd_level");
  }

  // A folder with its own colours, an inheriting folder inside it, and a
  // query node with every field away from its default.
  TreeNode* everyAttribute() {
    tree::FolderNode* outer = addFolder("Mine \"quoted\" 'and' ünïcode");
    tree::NodeAttributes& a = *outer->attributes();
    a = {12, 0x0000FF, 0x00FF00, 0xFF0000, 0x123456, 0xFFFFFFFF, 0x010203, false};
    EXPECT_TRUE(panel->save(*outer));
    tree::FolderNode* inner = addFolder("Inner", outer);
    inner->expanded(true);
    tree::QueryNode* query = addQuery("SELECT artist, album FROM MediaLibrary", {"artist", "album"}, inner, "Q");
    tree::QueryDefinition& d = query->definition();
    d.click = {tree::kSendToTarget, "Target ✓", false, true, true};
    d.middle_click = {tree::kSendToConsole, "", true, false, false};
    d.refresh_on_load = false;
    d.refresh_on_use = true;
    d.node_limit = 4294967295u;
    d.omit_null_nodes = true;
    d.remove_duplicates = false;
    d.sql_batch = "CREATE TEMP TABLE IF NOT EXISTS t(x);\r\nSELECT 1";
    d.level_options[0].attributes = {400, 1, 2, 3, 4, 5, 6, false};
    d.level_options[0].show_item_count = tree::kShowLeaves;
    d.level_options[1].show_item_count = tree::kShowSubitems;
    query->attributes()->use_parent = false;
    query->attributes()->icon = 7;
    EXPECT_TRUE(panel->save(*query));
    return outer;
  }

  std::unique_ptr<tree::Panel> other;
};

TEST_F(TreeSharingTest, ExampleTreeRoundTripsByteForByte) {
  ASSERT_TRUE(tree::loadTree(*panel));
  TreeNode* examples = topNode(*panel, "<Examples>");
  ASSERT_NE(examples, nullptr);
  const std::string first = exportNode(*examples);
  EXPECT_NE(first.find("\"sql_query\": \"SELECT"), std::string::npos);

  tree::FolderNode* target = addFolder("Imported");
  std::string error;
  TreeNode* imported = tree::importTreeText(*panel, *target, first, "examples.json", &error);
  ASSERT_NE(imported, nullptr) << error;
  EXPECT_EQ(imported->level(), 2);
  EXPECT_EQ(exportNode(*imported), first);
  // What was stored loads back the same.
  tree::Panel& loaded = reload(panel->rootNodeId());
  TreeNode* again = nullptr;
  for (tree::FolderNode* folder : loaded.folders()) {
    if (folder->label() == "<Examples>" && folder->level() == 2) again = folder;
  }
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(exportNode(*again), first);
}

TEST_F(TreeSharingTest, EveryKindOfAttributeRoundTripsAndReloads) {
  TreeNode* outer = everyAttribute();
  const std::string first = exportNode(*outer);
  for (const char* expected : {"\"text_selected_inactive\": 4294967295", "\"node_limit\": 4294967295",
                               "\"show_item_count\": 2", "\"expanded\": true", "\"icon\": 400", "Target ✓"}) {
    EXPECT_NE(first.find(expected), std::string::npos) << expected;
  }
  EXPECT_EQ(tree::readTreeFile(first, "x.json"), tree::captureNode(*outer));

  // Into a panel of its own, at the top.
  other = std::make_unique<tree::Panel>(host, tree::UiAttributes{});
  ASSERT_TRUE(other->open());
  std::string error;
  TreeNode* imported = tree::importTreeText(*other, *other->nodeForItem(nullptr), first, "x.json", &error);
  ASSERT_NE(imported, nullptr) << error;
  EXPECT_EQ(exportNode(*imported), first);
  // The inheriting folder takes its colours from its new parent, and the
  // folder stored expanded shows expanded.
  const TreeNode* inner = imported->item()->child(0)->node();
  EXPECT_EQ(inner->attributes()->icon, 12);
  EXPECT_EQ(inner->attributes()->text_selected_inactive, 0xFFFFFFFFu);
  EXPECT_TRUE(inner->item()->expanded());

  const int32_t root = other->rootNodeId();
  tree::Panel& loaded = reload(root);
  TreeNode* again = topNode(loaded, "Mine \"quoted\" 'and' ünïcode");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(exportNode(*again), first);
}

TEST_F(TreeSharingTest, ImportGoesBelowAFolderOrTheTopOnly) {
  tree::QueryNode* query = addQuery("SELECT artist FROM MediaLibrary", {"artist"});
  const std::string text = exportNode(*query);
  const std::string before = storedRows();
  std::string error;
  EXPECT_EQ(tree::importTreeText(*panel, *query, text, "q.json", &error), nullptr);
  EXPECT_EQ(error, "Cannot import \"q.json\": nodes are imported below a folder or at the top");
  EXPECT_EQ(storedRows(), before);
}

TEST_F(TreeSharingTest, DatabaseFailureHalfwayLeavesNothingBehind) {
  TreeNode* outer = everyAttribute();
  const std::string text = exportNode(*outer);
  // The last node of the file cannot be stored.
  damage(
      "CREATE TRIGGER refuse BEFORE INSERT ON vos_TreeItem WHEN new.tri_label='Q' "
      "BEGIN SELECT RAISE(ABORT,'refused'); END");
  tree::FolderNode* target = addFolder("Target");
  const std::string before = storedRows();
  const std::size_t folders = panel->folders().size();
  std::string error;
  EXPECT_EQ(tree::importTreeText(*panel, *target, text, "x.json", &error), nullptr);
  EXPECT_EQ(error,
            "Cannot import \"x.json\": the node \"Q\" could not be stored (the console says why); "
            "nothing was imported");
  EXPECT_EQ(storedRows(), before);
  EXPECT_EQ(target->item()->childCount(), 0u);
  EXPECT_EQ(panel->folders().size(), folders);
}

// A folder nested `depth` times, innermost first at the given text.
std::string nested(int depth, const std::string& innermost) {
  std::string node = innermost;
  for (int i = 0; i < depth; ++i) {
    node = R"({"type": "folder", "label": "f", "expanded": false, "attributes": {"use_parent": true},
               "children": [)" +
           node + "]}";
  }
  return node;
}

std::string queryWithLevels(int count) {
  std::string levels;
  for (int i = 0; i < count; ++i) {
    levels += std::string(i ? "," : "") + R"({"name": "c", "attributes": {"use_parent": true}, "show_item_count": 0})";
  }
  return R"({"type": "query", "label": "q", "expanded": false, "attributes": {"use_parent": true},
    "sql_query": "SELECT 1", "sql_batch": "",
    "click": {"action": 0, "target_playlist": "", "activate_playlist": true, "select_items": false,
              "start_playback": false},
    "middle_click": {"action": 0, "target_playlist": "", "activate_playlist": true, "select_items": false,
                     "start_playback": false},
    "refresh_on_load": false, "refresh_on_use": false, "node_limit": 50000, "omit_null_nodes": false,
    "remove_duplicates": true, "levels": [)" +
         levels + "]}";
}

std::string document(const std::string& node) {
  return R"({"format": "vostrel-tree", "version": 1, "node": )" + node + "}";
}

constexpr const char* kFolder =
    R"({"type": "folder", "label": "F", "expanded": false, "attributes": {"use_parent": true}, "children": []})";

struct BadFile {
  const char* name;
  std::string text;
  std::string message;  // after "Cannot import "bad.json": "
};

void PrintTo(const BadFile& file, std::ostream* out) { *out << file.name; }

class TreeFileErrorTest : public TreeSharingTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(TreeFileErrorTest, IsRefusedWithFileAndPathAndChangesNothing) {
  // Imported below a folder at level 1: nodes of the file start at level 2.
  tree::FolderNode* target = addFolder("Target");
  const std::string before = storedRows();
  std::string error;
  EXPECT_EQ(tree::importTreeText(*panel, *target, GetParam().text, "bad.json", &error), nullptr);
  EXPECT_EQ(error, "Cannot import \"bad.json\": " + GetParam().message);
  EXPECT_EQ(storedRows(), before);
  EXPECT_EQ(target->item()->childCount(), 0u);
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}
std::string withNode(const std::string& from, const std::string& to) { return replaced(document(kFolder), from, to); }
std::string withQuery(const std::string& from, const std::string& to) {
  return replaced(document(queryWithLevels(1)), from, to);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TreeFileErrorTest,
    ::testing::Values(
        BadFile{"NotJson", "{\"format\": ",
                "not valid JSON: parse error at line 1, column 12: syntax error while "
                "parsing value - unexpected end of input; expected '[', '{', or a literal"},
        BadFile{"Empty", "",
                "not valid JSON: parse error at line 1, column 1: syntax error while parsing value - "
                "unexpected end of input; expected '[', '{', or a literal"},
        BadFile{"NotAnObject", "[]", "$: expected an object, found an array"},
        BadFile{"OtherFormat", R"({"format": "playlist", "version": 1, "node": {}})",
                "$.format: expected \"vostrel-tree\" (a Vostrel tree file), found \"playlist\""},
        BadFile{"NoFormat", R"({"version": 1})", "$: missing key \"format\""},
        BadFile{"NewerVersion", withNode("\"version\": 1", "\"version\": 2"),
                "$.version: the file has version 2 of the tree file format; this program reads version 1"},
        BadFile{"VersionAsText", withNode("\"version\": 1", "\"version\": \"1\""),
                "$.version: expected a whole number from 0 to 4294967295, found a string"},
        BadFile{"UnknownTopKey", withNode("\"version\": 1", "\"version\": 1, \"extra\": 0"),
                "$: unknown key \"extra\""},
        BadFile{"NoNode", R"({"format": "vostrel-tree", "version": 1})", "$: missing key \"node\""},
        BadFile{"NodeNotObject", document("[]"), "$.node: expected an object, found an array"},
        BadFile{"UnknownType", withNode("\"folder\"", "\"smart\""),
                "$.node.type: expected \"folder\" or \"query\", found \"smart\""},
        BadFile{"MissingLabel", withNode("\"label\": \"F\", ", ""), "$.node: missing key \"label\""},
        BadFile{"LabelNumber", withNode("\"label\": \"F\"", "\"label\": 5"),
                "$.node.label: expected a string, found the number 5"},
        BadFile{"ExpandedNumber", withNode("\"expanded\": false", "\"expanded\": 0"),
                "$.node.expanded: expected true or false, found the number 0"},
        BadFile{"MisspeltKey", withNode("\"children\"", "\"childs\""), "$.node: missing key \"children\""},
        BadFile{"FolderWithQueryKey", withNode("\"children\": []", "\"children\": [], \"sql_query\": \"\""),
                "$.node: unknown key \"sql_query\""},
        BadFile{"ColoursWhileInheriting", withNode("{\"use_parent\": true}", "{\"use_parent\": true, \"icon\": 1}"),
                "$.node.attributes: unknown key \"icon\""},
        BadFile{"OwnColoursMissing", withNode("{\"use_parent\": true}", "{\"use_parent\": false, \"icon\": 1}"),
                "$.node.attributes: missing key \"text\""},
        BadFile{"IconTooLarge", withNode("{\"use_parent\": true}", "{\"use_parent\": false, \"icon\": 65536}"),
                "$.node.attributes.icon: expected a whole number from 0 to 65535, found the number 65536"},
        BadFile{"ChildNotObject", withNode("\"children\": []", "\"children\": [1]"),
                "$.node.children[0]: expected an object, found the number 1"},
        BadFile{"NegativeColour",
                withQuery("{\"use_parent\": true}, \"show",
                          "{\"use_parent\": false, \"icon\": 1, "
                          "\"text\": -1}, \"show"),
                "$.node.levels[0].attributes.text: expected a whole number from 0 to 4294967295, found the number -1"},
        BadFile{"FractionalLimit", withQuery("50000", "1.5"),
                "$.node.node_limit: expected a whole number from 0 to 4294967295, found the number 1.5"},
        BadFile{"ActionOutOfRange", withQuery("\"action\": 0", "\"action\": 256"),
                "$.node.click.action: expected a whole number from 0 to 255, found the number 256"},
        BadFile{"MissingBatch", withQuery("\"sql_batch\": \"\",", ""), "$.node: missing key \"sql_batch\""},
        BadFile{"LevelsAnObject", replaced(document(queryWithLevels(0)), "\"levels\": []", "\"levels\": {}"),
                "$.node.levels: expected an array, found an object"},
        // Below a folder at level 1: 254 levels fit, the node at 256 does not.
        BadFile{"TooDeep", document(nested(254, kFolder)),
                "$.node" +
                    [] {
                      std::string path;
                      for (int i = 0; i < 254; ++i) path += ".children[0]";
                      return path;
                    }() +
                    ": the node would be at level 256, below the deepest level a tree has (255)"},
        BadFile{"TooManyLevels", document(queryWithLevels(254)),
                "$.node.levels: 254 result levels, but a query node at level 2 can have at most 253"},
        BadFile{"NestedTooDeep", std::string(600, '[') + std::string(600, ']'),
                "nested deeper (518 levels) than any tree file"}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

TEST_F(TreeSharingTest, DeepestTreeAndMostLevelsThatFitAreImported) {
  // Below a node at level 253 a file reaches down to level 255 and no further.
  EXPECT_NO_THROW(tree::readTreeFile(document(nested(1, kFolder)), "deep.json", 253));
  EXPECT_THROW(tree::readTreeFile(document(nested(2, kFolder)), "deep.json", 253), tree::TreeFileError);
  tree::FolderNode* target = addFolder("Target");
  std::string error;
  EXPECT_NE(tree::importTreeText(*panel, *target, document(queryWithLevels(253)), "wide.json", &error), nullptr)
      << error;
}

}  // namespace
