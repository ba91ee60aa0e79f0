#pragma once
// Values of xBase expressions and fields, and the conversions between a
// field's bytes in a record and a value.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace telvane::xbase {

enum class ValueType : uint8_t { Character, Numeric, Date, Logical };

std::string_view ValueTypeName(ValueType type);

// A date is its Julian day number; 0 is the empty date, which compares
// below every real date.
struct Value {
  ValueType type = ValueType::Logical;
  bool logical = false;
  int32_t date = 0;
  double number = 0;
  std::string text;

  static Value Text(std::string s) {
    Value v;
    v.type = ValueType::Character;
    v.text = std::move(s);
    return v;
  }
  static Value Number(double n) {
    Value v;
    v.type = ValueType::Numeric;
    v.number = n;
    return v;
  }
  static Value Bool(bool b) {
    Value v;
    v.type = ValueType::Logical;
    v.logical = b;
    return v;
  }
  static Value Day(int32_t julian) {
    Value v;
    v.type = ValueType::Date;
    v.date = julian;
    return v;
  }
};

// One field of a table as its descriptor gives it. Offset counts from the
// start of the record, whose first byte is the deletion mark.
struct FieldDef {
  std::string name;  // upper case, at most 10 characters
  char type = 'C';   // C, N, F, L, D, M
  uint32_t offset = 0;
  uint8_t length = 0;
  uint8_t decimals = 0;
};

// Julian day number of a calendar date, and back. Dates outside 1..9999
// give 0.
int32_t JulianFromYmd(int year, int month, int day);
void YmdFromJulian(int32_t julian, int& year, int& month, int& day);
// "YYYYMMDD" (blanks or anything unreadable: 0) and back ("        " for 0).
int32_t JulianFromDtos(std::string_view text);
std::string DtosFromJulian(int32_t julian);

// The value a field holds in a record (memo fields: the block number is not
// a value; callers read memos through the memo file).
Value DecodeField(const FieldDef& field, const char* record);
// The field's bytes for a value; false when the type does not fit the field
// or a number does not fit its width.
bool EncodeField(const FieldDef& field, const Value& value, char* record);

// Right-justified number text of the field's width and decimals, as xBase
// stores N fields; "" when it does not fit.
std::string FormatNumber(double number, int width, int decimals);

}  // namespace telvane::xbase
