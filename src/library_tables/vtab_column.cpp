#include "library_tables/vtab_column.h"

#include <cassert>

#include "library_tables/vtab_exception.h"

namespace library_tables {

host::TitleFormatScriptPtr compileOrErrorScript(const host::Host& host, std::string_view text) {
  if (host::TitleFormatScriptPtr script = host.compileTitleFormat(text, nullptr)) return script;
  if (host::TitleFormatScriptPtr script = host.compileTitleFormat(kErrorExpression, nullptr)) return script;
  throw BugCheck();
}

SQLiteMetaDBVTabColumn::SQLiteMetaDBVTabColumn(const host::Host& host, std::string collation, std::string name,
                                               ColumnType kind, bool hidden, std::string expression,
                                               std::string separator, std::string tag_name,
                                               std::string associated_column)
    : db::Property(std::move(name)),
      host_(&host),
      kind_(kind),
      collation_(std::move(collation)),
      separator_(std::move(separator)),
      tag_name_(std::move(tag_name)),
      associated_column_(std::move(associated_column)),
      hidden_(hidden) {
  setExpression(std::move(expression));
}

SQLiteMetaDBVTabColumn::SQLiteMetaDBVTabColumn(const SQLiteMetaDBVTabColumn& other)
    : db::Property(other),
      host_(other.host_),
      kind_(other.kind_),
      collation_(other.collation_),
      separator_(other.separator_),
      split_(other.split_),
      tag_name_(other.tag_name_),
      associated_column_(other.associated_column_),
      associated_index_(other.associated_index_),
      hidden_(other.hidden_) {
  setExpression(other.expression_);
}

SQLiteMetaDBVTabColumn& SQLiteMetaDBVTabColumn::operator=(const SQLiteMetaDBVTabColumn& other) {
  if (this == &other) return *this;
  db::Property::operator=(other);
  host_ = other.host_;
  kind_ = other.kind_;
  collation_ = other.collation_;
  separator_ = other.separator_;
  split_ = other.split_;
  tag_name_ = other.tag_name_;
  associated_column_ = other.associated_column_;
  associated_index_ = other.associated_index_;
  hidden_ = other.hidden_;
  setExpression(other.expression_);
  return *this;
}

SQLiteMetaDBVTabColumn::~SQLiteMetaDBVTabColumn() = default;

void SQLiteMetaDBVTabColumn::setExpression(std::string expression) {
  script_ = compileOrErrorScript(*host_, expression);
  expression_ = std::move(expression);
  assert(script_ != nullptr);
}

void copyColumns(const VTabColumns& from, VTabColumns& to) {
  VTabColumns copy;
  copy.reserve(from.size());
  for (const SQLiteMetaDBVTabColumn& column : from) copy.emplace(column);
  to = std::move(copy);
}

int32_t findColumn(const VTabColumns& columns, std::string_view name) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].name() == name) return static_cast<int32_t>(i);
  }
  return -1;
}

}  // namespace library_tables
