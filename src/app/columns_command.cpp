#include "app/columns_command.h"

#include <CLI/CLI.hpp>

#include <iostream>

#include <nlohmann/json.hpp>

#include "app/cli.h"
#include "db/database.h"
#include "library_tables/column_editing.h"
#include "library_tables/column_store.h"

namespace app {
namespace {

using library_tables::ColumnType;
using library_tables::EditorType;
using library_tables::SQLiteMetaDBVTabColumn;
using library_tables::TableType;
using library_tables::VTabColumns;

constexpr std::array<std::string_view, 4> kTypeNames = {"tag", "techinfo", "predefined", "tfexpression"};
constexpr std::string_view kDefaultSeparator = " \xC2\xB7 ";

void addTableOption(CLI::App& command, ColumnsCommand& c) {
  command.add_option("--table", c.table, "MediaLibrary (default) or Playlist")->type_name("TABLE");
}

void addEditorOptions(CLI::App& command, ColumnsCommand& c) {
  command.add_option("--type", c.type, "tag (default for a new column), techinfo, predefined or tfexpression")
      ->type_name("TYPE");
  command.add_option("--collation", c.collation, "Binary, NaturalNoCase (default), NoCase or RTrim")
      ->type_name("NAME");
  command.add_option("--tag-name", c.tag_name, "Tag to read instead of the column name (tag columns)")
      ->type_name("TAG");
  command.add_option("--separator", c.separator, "Separator of joined multi-value tags (tag columns, not split)")
      ->type_name("TEXT");
  command.add_flag_function(
      "--split,!--no-split", [&c](int64_t count) { c.split = count > 0; },
      "Split a multi-value tag into rows (tag columns; --no-split: join them)");
  command.add_option("--associated-column", c.associated, "Column whose value index a split column follows")
      ->type_name("NAME");
  command.add_option("--expression", c.expression, "Title formatting expression (tfexpression columns)")
      ->type_name("TF");
}

std::optional<TableType> tableType(std::string_view name) {
  if (name == "MediaLibrary") return TableType::kMediaLibrary;
  if (name == "Playlist") return TableType::kPlaylist;
  return std::nullopt;
}

std::string_view kindName(ColumnType kind) {
  return kTypeNames[static_cast<std::size_t>(library_tables::editorTypeOf(kind))];
}

void listColumns(std::ostream& out, const VTabColumns& list, const ColumnsCommand& c) {
  const std::size_t first = library_tables::VTabColumnStore::instance().builtInCount();
  if (c.format == "json") {
    nlohmann::ordered_json columns = nlohmann::ordered_json::array();
    for (std::size_t i = first; i < list.size(); ++i) {
      const SQLiteMetaDBVTabColumn& column = list[i];
      columns.push_back({{"name", column.name()},
                         {"type", kindName(column.kind())},
                         {"kind", std::string(library_tables::columnTypeText(column.kind()))},
                         {"collation", column.collation()},
                         {"tag_name", column.tagName()},
                         {"separator", column.separator()},
                         {"split", column.splitMultiValueTag()},
                         {"associated_column", column.associatedColumn()},
                         {"expression", column.expression()}});
    }
    out << columns.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
    return;
  }
  out << "name\ttype\tkind\tcollation\ttag_name\tseparator\tsplit\tassociated_column\texpression\n";
  for (std::size_t i = first; i < list.size(); ++i) {
    const SQLiteMetaDBVTabColumn& column = list[i];
    out << column.name() << '\t' << kindName(column.kind()) << '\t' << library_tables::columnTypeText(column.kind())
        << '\t' << column.collation() << '\t' << column.tagName() << "\t\"" << column.separator() << "\"\t"
        << (column.splitMultiValueTag() ? 1 : 0) << '\t' << column.associatedColumn() << '\t' << column.expression() << '\n';
  }
}

// Checks the values and what applies to the column's type as the editor
// enables its fields. The message, or an empty string.
std::string checkEditorOptions(const ColumnsCommand& c, TableType table, EditorType type, std::string_view name,
                               bool split) {
  if (c.collation) {
    bool known = false;
    for (std::string_view collation : library_tables::kCollations) known = known || collation == *c.collation;
    if (!known) return "--collation: unknown collation \"" + *c.collation + "\"; use Binary, NaturalNoCase, NoCase or RTrim";
  }
  const bool tag = type == EditorType::kTag;
  if (!tag && (c.tag_name || c.split || c.separator || c.associated)) {
    return "--tag-name, --split, --separator and --associated-column apply to tag columns only";
  }
  if (tag && split && c.separator) return "--separator applies only to a tag column that is not split";
  if (tag && !split && c.associated) return "--associated-column applies only to a split tag column";
  if (type != EditorType::kTFExpression && c.expression) return "--expression applies to tfexpression columns only";
  if (type == EditorType::kPredefined) {
    const auto names = library_tables::predefinedEditorNames(table);
    if (std::find(names.begin(), names.end(), name) == names.end()) {
      std::string list;
      for (std::string_view n : names) list += (list.empty() ? "" : ", ") + std::string(n);
      return "\"" + std::string(name) + "\" is not a predefined column of this table; the names are " + list;
    }
  }
  return {};
}

// The column as the editor's OK takes it: the given values over `column`.
// The message of a refusal, or an empty string.
std::string editColumn(const ColumnsCommand& c, TableType table, SQLiteMetaDBVTabColumn& column) {
  EditorType type = library_tables::editorTypeOf(column.kind());
  if (c.type) {
    const auto found = std::find(kTypeNames.begin(), kTypeNames.end(), *c.type);
    if (found == kTypeNames.end()) {
      return "--type: unknown type \"" + *c.type + "\"; use tag, techinfo, predefined or tfexpression";
    }
    type = static_cast<EditorType>(found - kTypeNames.begin());
  }
  const std::string name = c.new_name.value_or(column.name());
  const bool split = c.split.value_or(column.splitMultiValueTag());
  if (std::string error = checkEditorOptions(c, table, type, name, split); !error.empty()) return error;
  column.setName(name);
  column.setKind(library_tables::editorKind(type, name));
  if (c.collation) column.setCollation(*c.collation);
  if (c.tag_name) column.setTagName(*c.tag_name);
  if (c.split) column.setSplitMultiValueTag(*c.split);
  if (c.associated) column.setAssociatedColumn(*c.associated);
  if (c.separator) column.setSeparator(*c.separator);
  // The separator field is emptied while disabled and refilled when it is
  // enabled and empty.
  if (type != EditorType::kTag || split) {
    column.setSeparator("");
  } else if (column.separator().empty()) {
    column.setSeparator(std::string(kDefaultSeparator));
  }
  if (type != EditorType::kTag) {
    column.setTagName("");
    column.setSplitMultiValueTag(false);
  }
  if (type != EditorType::kTag || !split) column.setAssociatedColumn("");
  if (c.expression) column.setExpression(*c.expression);
  if (type != EditorType::kTFExpression && !column.expression().empty()) column.setExpression("");
  return {};
}

int refuse(std::ostream& err, const std::string& message) {
  err << message << "\n";
  return kExitBadInput;
}

}  // namespace

CLI::App* addColumnsCommand(CLI::App& cli, ColumnsCommand& c) {
  CLI::App* columns = cli.add_subcommand("columns", "List or edit the columns of MediaLibrary and Playlist");
  addTableOption(*columns, c);
  columns->add_option("--format", c.format, "text or json");
  CLI::App* add = columns->add_subcommand("add", "Add a column (names are stored in lower case)");
  add->add_option("name", c.name, "Column name")->required();
  addTableOption(*add, c);
  addEditorOptions(*add, c);
  CLI::App* edit = columns->add_subcommand("edit", "Change a column; only what is given changes");
  edit->add_option("name", c.name, "Column name")->required();
  edit->add_option("--name", c.new_name, "New name")->type_name("NAME");
  addTableOption(*edit, c);
  addEditorOptions(*edit, c);
  CLI::App* remove = columns->add_subcommand("remove", "Remove a column");
  remove->add_option("name", c.name, "Column name")->required();
  addTableOption(*remove, c);
  CLI::App* defaults = columns->add_subcommand("defaults", "Add the default columns that are missing");
  addTableOption(*defaults, c);
  for (CLI::App* sub : {add, edit, remove, defaults}) {
    sub->callback([&c, sub] { c.action = sub->get_name(); });
  }
  return columns;
}

int runColumnsCommand(CommandEnv& env, const GlobalOptions& global, const ColumnsCommand& c) {
  const auto table = tableType(c.table);
  if (!table) return refuse(env.err(), "--table: unknown table \"" + c.table + "\"; use MediaLibrary or Playlist");
  if (c.format != "text" && c.format != "json") return refuse(env.err(), "Unknown format \"" + c.format + "\": use text or json");
  const CommandPlayer player(env, global);
  db::SQLiteDatabase database(*player);
  if (!database.Open()) return kExitFailed;
  library_tables::VTabColumnStore& store = library_tables::VTabColumnStore::instance();
  VTabColumns list;
  library_tables::copyColumns(store.columns(*table, database, true), list);
  if (c.action.empty()) {
    listColumns(env.out(), list, c);
    return kExitOk;
  }
  const int32_t index = library_tables::findColumn(list, c.name);
  const bool built_in = index >= 0 && static_cast<std::size_t>(index) < store.builtInCount();
  if (c.action != "add" && c.action != "defaults" && (index < 0 || built_in)) {
    return refuse(env.err(), "No column \"" + c.name + "\" in " + c.table + (built_in ? " that can be changed" : ""));
  }
  std::string error;
  if (c.action == "add") {
    SQLiteMetaDBVTabColumn column(*player, std::string(library_tables::kDefaultCollation), c.name, ColumnType::kTag,
                                  false, "", std::string(kDefaultSeparator), "", "");
    error = editColumn(c, *table, column);
    if (error.empty()) error = library_tables::addEditedColumn(list, std::move(column));
  } else if (c.action == "edit") {
    SQLiteMetaDBVTabColumn column(list[static_cast<std::size_t>(index)]);
    error = editColumn(c, *table, column);
    if (error.empty()) error = library_tables::replaceEditedColumn(list, static_cast<std::size_t>(index), std::move(column));
  } else if (c.action == "remove") {
    list.removeAt(static_cast<std::size_t>(index));
  } else {
    VTabColumns defaults;
    store.defaultColumns(*table, *player, defaults);
    if (library_tables::addMissingColumns(list, defaults) == 0) return kExitOk;
  }
  if (!error.empty()) return refuse(env.err(), error);
  error = library_tables::applyColumnList(*table, list, database);
  if (!error.empty()) {
    env.err() << error << "\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace app
