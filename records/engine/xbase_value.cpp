#include "records/engine/xbase_value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace telvane::xbase {

std::string_view ValueTypeName(ValueType type) {
  switch (type) {
    case ValueType::Character: return "character";
    case ValueType::Numeric: return "numeric";
    case ValueType::Date: return "date";
    case ValueType::Logical: return "logical";
  }
  return "?";
}

// Fliegel and Van Flandern's integer conversion of Gregorian dates.
int32_t JulianFromYmd(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) return 0;
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (day > kDays[month - 1]) return 0;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month == 2 && day == 29 && !leap) return 0;
  const int a = (14 - month) / 12;
  const int y = year + 4800 - a;
  const int m = month + 12 * a - 3;
  return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

void YmdFromJulian(int32_t julian, int& year, int& month, int& day) {
  if (julian <= 0) {
    year = month = day = 0;
    return;
  }
  const int a = julian + 32044;
  const int b = (4 * a + 3) / 146097;
  const int c = a - 146097 * b / 4;
  const int d = (4 * c + 3) / 1461;
  const int e = c - 1461 * d / 4;
  const int m = (5 * e + 2) / 153;
  day = e - (153 * m + 2) / 5 + 1;
  month = m + 3 - 12 * (m / 10);
  year = 100 * b + d - 4800 + m / 10;
}

int32_t JulianFromDtos(std::string_view text) {
  if (text.size() < 8) return 0;
  int parts[3] = {0, 0, 0};
  const int widths[3] = {4, 2, 2};
  size_t at = 0;
  for (int p = 0; p < 3; ++p) {
    for (int i = 0; i < widths[p]; ++i, ++at) {
      const char c = text[at];
      if (c < '0' || c > '9') return 0;
      parts[p] = parts[p] * 10 + (c - '0');
    }
  }
  return JulianFromYmd(parts[0], parts[1], parts[2]);
}

std::string DtosFromJulian(int32_t julian) {
  int y = 0, m = 0, d = 0;
  YmdFromJulian(julian, y, m, d);
  if (y <= 0 || y > 9999) return std::string(8, ' ');
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
  return buf;
}

std::string FormatNumber(double number, int width, int decimals) {
  if (width <= 0 || !std::isfinite(number)) return "";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, number);
  std::string s = buf;
  if (static_cast<int>(s.size()) > width) return "";
  return s;
}

Value DecodeField(const FieldDef& field, const char* record) {
  const std::string_view raw(record + field.offset, field.length);
  switch (field.type) {
    case 'C': return Value::Text(std::string(raw));
    case 'D': return Value::Day(JulianFromDtos(raw));
    case 'L': {
      const char c = raw.empty() ? ' ' : raw[0];
      return Value::Bool(c == 'T' || c == 't' || c == 'Y' || c == 'y');
    }
    case 'N':
    case 'F': {
      char buf[64];
      const size_t n = raw.size() < sizeof buf - 1 ? raw.size() : sizeof buf - 1;
      std::memcpy(buf, raw.data(), n);
      buf[n] = '\0';
      return Value::Number(std::strtod(buf, nullptr));
    }
    default: return Value::Text(std::string(raw));
  }
}

bool EncodeField(const FieldDef& field, const Value& value, char* record) {
  char* out = record + field.offset;
  switch (field.type) {
    case 'C': {
      if (value.type != ValueType::Character) return false;
      const size_t n = value.text.size() < field.length ? value.text.size() : field.length;
      std::memcpy(out, value.text.data(), n);
      std::memset(out + n, ' ', field.length - n);
      return true;
    }
    case 'D': {
      if (value.type != ValueType::Date) return false;
      const std::string s = DtosFromJulian(value.date);
      std::memcpy(out, s.data(), 8 < field.length ? 8 : field.length);
      return true;
    }
    case 'L':
      if (value.type != ValueType::Logical) return false;
      out[0] = value.logical ? 'T' : 'F';
      return true;
    case 'N':
    case 'F': {
      if (value.type != ValueType::Numeric) return false;
      const std::string s = FormatNumber(value.number, field.length, field.decimals);
      if (s.empty()) return false;
      std::memcpy(out, s.data(), field.length);
      return true;
    }
    default: return false;
  }
}

}  // namespace telvane::xbase
