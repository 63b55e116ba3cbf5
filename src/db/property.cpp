#include "db/property.h"

#include <cstdio>
#include <cstring>

#include "host/text.h"

namespace db {
namespace {

template <typename T>
T readNumber(const unsigned char* storage) {
  T value;
  std::memcpy(&value, storage, sizeof(T));
  return value;
}

template <typename T>
T writeNumber(unsigned char* storage, T value) {
  std::memcpy(storage, &value, sizeof(T));
  return value;
}

}  // namespace

Property::Property(std::string name) : name_(std::move(name)) {}
Property::Property(std::string name, std::string text) : name_(std::move(name)), text_(std::move(text)) {}
Property::Property(std::string name, uint8_t value) : name_(std::move(name)) { writeNumber(number_, value); }
Property::Property(std::string name, int32_t value) : name_(std::move(name)) { writeNumber(number_, value); }
Property::~Property() = default;

uint8_t Property::byteValue() const { return readNumber<uint8_t>(number_); }
uint8_t Property::setByteValue(uint8_t value) { return writeNumber(number_, value); }
bool Property::boolValue() const { return readNumber<uint8_t>(number_) != 0; }
bool Property::setBoolValue(bool value) { return writeNumber<uint8_t>(number_, value ? 1 : 0) != 0; }
double Property::doubleValue() const { return readNumber<double>(number_); }
double Property::setDoubleValue(double value) { return writeNumber(number_, value); }
int32_t Property::intValue() const { return readNumber<int32_t>(number_); }
int32_t Property::setIntValue(int32_t value) { return writeNumber(number_, value); }
int64_t Property::int64Value() const { return readNumber<int64_t>(number_); }
int64_t Property::setInt64Value(int64_t value) { return writeNumber(number_, value); }
const std::string& Property::text() const { return text_; }
const std::string& Property::setText(std::string value) {
  text_ = std::move(value);
  return text_;
}
const std::string& Property::setText(const char* value) {
  if (value == nullptr) {
    text_.clear();
  } else {
    text_ = value;
  }
  return text_;
}
const std::string& Property::name() const { return name_; }
void Property::setName(std::string name) { name_ = std::move(name); }

SQLiteColumn::SQLiteColumn(int32_t type, std::string name)
    : Property(std::move(name)), type_(type), null_(true) {}
SQLiteColumn::SQLiteColumn(std::string name, std::string text)
    : Property(std::move(name), std::move(text)), type_(kTagText), null_(false) {}
SQLiteColumn::SQLiteColumn(std::string name, const char* text)
    : SQLiteColumn(std::move(name), std::string(text ? text : "")) {}
SQLiteColumn::SQLiteColumn(std::string name, int64_t value)
    : Property(std::move(name)), type_(kTagInt64), null_(false) { writeNumber(number_, value); }
SQLiteColumn::SQLiteColumn(std::string name, int32_t value)
    : Property(std::move(name), value), type_(kTagInt32), null_(false) {}
SQLiteColumn::SQLiteColumn(std::string name, double value)
    : Property(std::move(name)), type_(kTagDouble), null_(false) { writeNumber(number_, value); }
SQLiteColumn::SQLiteColumn(std::string name, bool value)
    : Property(std::move(name)), type_(kTagBool), null_(false) { writeNumber<uint8_t>(number_, value ? 1 : 0); }
SQLiteColumn::SQLiteColumn(std::string name, uint8_t value)
    : Property(std::move(name), value), type_(kTagByte), null_(false) {}

uint8_t SQLiteColumn::setByteValue(uint8_t value) {
  type_ = kTagByte;
  null_ = false;
  return Property::setByteValue(value);
}
bool SQLiteColumn::setBoolValue(bool value) {
  type_ = kTagBool;
  null_ = false;
  return Property::setBoolValue(value);
}
double SQLiteColumn::setDoubleValue(double value) {
  type_ = kTagDouble;
  null_ = false;
  return Property::setDoubleValue(value);
}
int32_t SQLiteColumn::setIntValue(int32_t value) {
  type_ = kTagInt32;
  null_ = false;
  return Property::setIntValue(value);
}
int64_t SQLiteColumn::setInt64Value(int64_t value) {
  type_ = kTagInt64;
  null_ = false;
  return Property::setInt64Value(value);
}
const std::string& SQLiteColumn::setText(std::string value) {
  type_ = kTagText;
  null_ = false;
  return Property::setText(std::move(value));
}
const std::string& SQLiteColumn::setText(const char* value) {
  type_ = kTagText;
  null_ = false;
  return Property::setText(value);
}

uint8_t SQLiteColumn::byteOr(uint8_t fallback) const { return null_ ? fallback : byteValue(); }
bool SQLiteColumn::boolOr(bool fallback) const { return null_ ? fallback : boolValue(); }
double SQLiteColumn::doubleOr(double fallback) const { return null_ ? fallback : doubleValue(); }
int32_t SQLiteColumn::intOr(int32_t fallback) const { return null_ ? fallback : intValue(); }
int64_t SQLiteColumn::int64Or(int64_t fallback) const { return null_ ? fallback : int64Value(); }
std::string SQLiteColumn::textOr(std::string_view fallback) const {
  return null_ ? std::string(fallback) : text();
}
bool SQLiteColumn::isNull() const { return null_; }
bool SQLiteColumn::setNull(bool null) {
  null_ = null;
  type_ = kTagNull;
  return null_;
}
int32_t SQLiteColumn::type() const { return type_; }
int32_t SQLiteColumn::setType(int32_t type) { return type_ = type; }

void SQLiteColumn::assignInt64(int64_t value) {
  writeNumber(number_, value);
  type_ = kTagInt64;
  null_ = false;
}
void SQLiteColumn::assignDouble(double value) {
  writeNumber(number_, value);
  type_ = kTagDouble;
  null_ = false;
}
void SQLiteColumn::assignText(const char* data, std::size_t size) {
  text_.assign(data, size);
  type_ = kTagText;
  null_ = false;
}
void SQLiteColumn::assignBlob(const void* data, std::size_t size) {
  text_.assign(static_cast<const char*>(data), size);
  type_ = kTagBlob;
  null_ = false;
}
void SQLiteColumn::assignNull() {
  type_ = kTagNull;
  null_ = true;
}

std::string sqlLiteral(std::string_view text) {
  if (text == "<null>") return "NULL";
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('\'');
  for (char c : text) {
    if (c == '\'') out.push_back('\'');
    out.push_back(c);
  }
  out.push_back('\'');
  return out;
}

std::string sqlLiteralReal(double value) {
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.7f", value);
  return buffer;
}

std::string hexDigits(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    out.push_back(kDigits[byte >> 4]);
    out.push_back(kDigits[byte & 0x0f]);
  }
  return out;
}

std::string blobLiteral(std::string_view bytes) { return "x'" + hexDigits(bytes) + "'"; }

std::string sqlLiteral(const SQLiteColumn& value) {
  switch (value.type()) {
    case kTagInt64: return std::to_string(value.int64Value());
    case kTagInt32: return std::to_string(value.intValue());
    case kTagDouble: return sqlLiteralReal(value.doubleValue());
    case kTagBool: return value.boolValue() ? "1" : "0";
    case kTagByte: return std::to_string(value.byteValue());
    case kTagText: return sqlLiteral(std::string_view(value.text()));
    case kTagBlob: return blobLiteral(value.text());
    default: return "NULL";
  }
}

SQLiteColumn* SQLiteColumns::find(std::string_view name) const {
  for (SQLiteColumn& column : *this) {
    if (host::equalsNoCase(column.name(), name)) return &column;
  }
  return nullptr;
}

std::string SQLiteColumns::nameList() const {
  std::string out;
  bool first = true;
  for (const SQLiteColumn& column : *this) {
    if (!first) out.push_back(',');
    first = false;
    out += column.name();
  }
  return out;
}

std::string SQLiteColumns::valueList() const {
  std::string out;
  bool first = true;
  for (const SQLiteColumn& column : *this) {
    if (!first) out.push_back(',');
    first = false;
    out += sqlLiteral(column);
  }
  return out;
}

}  // namespace db
