// SQLiteMetaDBVTabColumn: one configured column of MediaLibrary or Playlist.
//
// The column's name is the Property name. A column keeps its
// title-formatting expression compiled: setting the expression (on
// construction, copy and load) compiles it with the host, and an expression
// that does not compile is replaced by the script of the literal "<ERROR>",
// so that every row shows the mistake instead of the statement failing.
#ifndef VOSTREL_LIBRARY_TABLES_VTAB_COLUMN_H_
#define VOSTREL_LIBRARY_TABLES_VTAB_COLUMN_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "db/property.h"
#include "db/ptr_list.h"
#include "host/host.h"
#include "library_tables/column_type.h"

namespace library_tables {

// The separator of joined multi-value tags: space, U+00B7, space.
inline constexpr std::string_view kDefaultSeparator = " \xC2\xB7 ";
inline constexpr std::string_view kDefaultCollation = "NaturalNoCase";
// What a failing expression shows.
inline constexpr std::string_view kErrorExpression = "<ERROR>";

// Compiles `text` with the host; on failure compiles "<ERROR>" instead.
// Raises BugCheck when even that fails. Never returns nullptr.
host::TitleFormatScriptPtr compileOrErrorScript(const host::Host& host, std::string_view text);

class SQLiteMetaDBVTabColumn : public db::Property {
 public:
  // The host compiles the expression now and whenever it is set again; it
  // must outlive the column.
  SQLiteMetaDBVTabColumn(const host::Host& host, std::string collation, std::string name, ColumnType kind,
                         bool hidden, std::string expression, std::string separator, std::string tag_name,
                         std::string associated_column);
  // Copies every field, then compiles the expression again.
  SQLiteMetaDBVTabColumn(const SQLiteMetaDBVTabColumn& other);
  SQLiteMetaDBVTabColumn& operator=(const SQLiteMetaDBVTabColumn& other);
  ~SQLiteMetaDBVTabColumn() override;

  ColumnType kind() const { return kind_; }
  void setKind(ColumnType kind) { kind_ = kind; }
  const std::string& collation() const { return collation_; }
  void setCollation(std::string collation) { collation_ = std::move(collation); }
  const std::string& separator() const { return separator_; }
  void setSeparator(std::string separator) { separator_ = std::move(separator); }
  bool splitMultiValueTag() const { return split_; }
  void setSplitMultiValueTag(bool split) { split_ = split; }
  const std::string& tagName() const { return tag_name_; }
  void setTagName(std::string tag_name) { tag_name_ = std::move(tag_name); }
  const std::string& associatedColumn() const { return associated_column_; }
  void setAssociatedColumn(std::string name) { associated_column_ = std::move(name); }
  // Index of the associated column in its list; -1 when none or unresolved.
  int32_t associatedIndex() const { return associated_index_; }
  void setAssociatedIndex(int32_t index) { associated_index_ = index; }
  bool hidden() const { return hidden_; }
  void setHidden(bool hidden) { hidden_ = hidden; }

  const std::string& expression() const { return expression_; }
  // Stores and compiles `expression` (see compileOrErrorScript).
  void setExpression(std::string expression);
  // Never null.
  const host::TitleFormatScriptPtr& script() const { return script_; }

  const host::Host& host() const { return *host_; }

 private:
  const host::Host* host_;
  ColumnType kind_;
  std::string collation_;
  std::string separator_;
  bool split_ = false;
  std::string tag_name_;
  std::string associated_column_;
  int32_t associated_index_ = -1;
  bool hidden_;
  std::string expression_;
  host::TitleFormatScriptPtr script_;
};

// An owning list of columns; element 0 of a loaded list is the built-in
// metadb_handle column.
using VTabColumns = db::PropertyList<SQLiteMetaDBVTabColumn>;

// Replaces `to` by deep copies of `from`.
void copyColumns(const VTabColumns& from, VTabColumns& to);

// Index of the column named exactly `name` (byte-wise), or -1.
int32_t findColumn(const VTabColumns& columns, std::string_view name);

}  // namespace library_tables

#endif  // VOSTREL_LIBRARY_TABLES_VTAB_COLUMN_H_
