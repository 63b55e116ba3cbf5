// Named, typed values: Property, SQLiteColumn and SQLiteColumns.
//
// A Property is a name with a text value and one 8-byte numeric value that
// can be read as an 8-bit, bool, 32-bit, 64-bit or double value. SQLiteColumn
// adds a type tag and a null flag; it is the unit of both result rows and
// parameter lists. Setters return what the matching getter then returns.
#ifndef VOSTREL_DB_PROPERTY_H_
#define VOSTREL_DB_PROPERTY_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "db/ptr_list.h"

namespace db {

class Property {
 public:
  explicit Property(std::string name = {});
  Property(std::string name, std::string text);
  Property(std::string name, uint8_t value);
  Property(std::string name, int32_t value);
  Property(const Property&) = default;
  Property& operator=(const Property&) = default;
  virtual ~Property();

  virtual uint8_t byteValue() const;
  virtual uint8_t setByteValue(uint8_t value);
  virtual bool boolValue() const;
  virtual bool setBoolValue(bool value);
  virtual double doubleValue() const;
  virtual double setDoubleValue(double value);
  virtual int32_t intValue() const;
  virtual int32_t setIntValue(int32_t value);
  virtual int64_t int64Value() const;
  virtual int64_t setInt64Value(int64_t value);
  virtual const std::string& text() const;
  virtual const std::string& setText(std::string value);
  // A null pointer empties the text.
  virtual const std::string& setText(const char* value);
  virtual const std::string& name() const;
  virtual void setName(std::string name);

 protected:
  std::string name_;
  std::string text_;
  // One storage shared by the numeric accessors; the type tag of
  // SQLiteColumn tells which reading is meaningful.
  alignas(8) unsigned char number_[8] = {};
};

// Type tags of SQLiteColumn. 1 to 5 are SQLite's fundamental types.
enum ColumnTypeTag : int32_t {
  kTagInt64 = 1,
  kTagDouble = 2,
  kTagText = 3,
  kTagBlob = 4,  // the bytes are kept as the text
  kTagNull = 5,
  kTagByte = 6,
  kTagBool = 7,
  kTagInt32 = 8,
};

class SQLiteColumn : public Property {
 public:
  // Starts with the null flag set.
  SQLiteColumn(int32_t type, std::string name);
  // A column built from a name and a value carries the value's tag and is
  // not null.
  SQLiteColumn(std::string name, std::string text);
  SQLiteColumn(std::string name, const char* text);
  SQLiteColumn(std::string name, int64_t value);
  SQLiteColumn(std::string name, int32_t value);
  SQLiteColumn(std::string name, double value);
  SQLiteColumn(std::string name, bool value);
  SQLiteColumn(std::string name, uint8_t value);

  uint8_t setByteValue(uint8_t value) override;
  bool setBoolValue(bool value) override;
  double setDoubleValue(double value) override;
  int32_t setIntValue(int32_t value) override;
  int64_t setInt64Value(int64_t value) override;
  const std::string& setText(std::string value) override;
  const std::string& setText(const char* value) override;

  virtual uint8_t byteOr(uint8_t fallback) const;
  virtual bool boolOr(bool fallback) const;
  virtual double doubleOr(double fallback) const;
  virtual int32_t intOr(int32_t fallback) const;
  virtual int64_t int64Or(int64_t fallback) const;
  virtual std::string textOr(std::string_view fallback) const;
  virtual bool isNull() const;
  // Stores the flag and sets the tag to NULL; returns isNull().
  virtual bool setNull(bool null);
  virtual int32_t type() const;
  virtual int32_t setType(int32_t type);

  // Fast setters for the row loop: no virtual dispatch, text storage reused.
  void assignInt64(int64_t value);
  void assignDouble(double value);
  void assignText(const char* data, std::size_t size);
  void assignBlob(const void* data, std::size_t size);
  void assignNull();

 private:
  int32_t type_;
  bool null_;
};

// The SQL literal of a column's value: integers in decimal, reals with
// seven decimals, booleans and bytes as numbers, text quoted with inner
// apostrophes doubled ("<null>" gives NULL), anything else NULL.
std::string sqlLiteral(const SQLiteColumn& value);
// The text rule alone.
std::string sqlLiteral(std::string_view text);
// The real rule alone ("%.7f", half up).
std::string sqlLiteralReal(double value);
// A blob's bytes as lower-case hex digits ("00ff"), and as an SQL blob
// literal ("x'00ff'").
std::string hexDigits(std::string_view bytes);
std::string blobLiteral(std::string_view bytes);

// Result row or parameter list.
class SQLiteColumns : public PtrList<SQLiteColumn> {
 public:
  // The first column whose name equals `name` ignoring case, or nullptr.
  SQLiteColumn* find(std::string_view name) const;
  // Names joined by "," (no spaces).
  std::string nameList() const;
  // Values as SQL literals joined by ",".
  std::string valueList() const;
};

}  // namespace db

#endif  // VOSTREL_DB_PROPERTY_H_
