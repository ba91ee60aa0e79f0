// Evaluation of compiled xBase expressions on one row. Types were checked at
// compile time, so evaluation cannot fail; arithmetic on strange numbers
// gives IEEE results, never a trap.

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/text.h"
#include "records/engine/expression.h"

namespace telvane::xbase {

namespace {

void TrimRight(std::string& s) {
  size_t end = s.size();
  while (end > 0 && s[end - 1] == ' ') --end;
  s.resize(end);
}

void TrimLeft(std::string& s) {
  size_t start = 0;
  while (start < s.size() && s[start] == ' ') ++start;
  s.erase(0, start);
}

bool IsBlank(std::string_view s) {
  for (char c : s)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\0') return false;
  return true;
}

int Compare(const Value& a, const Value& b, bool inexact) {
  switch (a.type) {
    case ValueType::Character:
      if (inexact) return CompareTextInexact(a.text, b.text);
      return a.text.compare(b.text) < 0 ? -1 : a.text == b.text ? 0 : 1;
    case ValueType::Numeric: return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
    case ValueType::Date: return a.date < b.date ? -1 : a.date > b.date ? 1 : 0;
    case ValueType::Logical: return static_cast<int>(a.logical) - static_cast<int>(b.logical);
  }
  return 0;
}

// SUBSTR's 1-based start and count, clamped to the string.
std::string Slice(const std::string& s, double start, double count) {
  if (!(start >= 1)) start = 1;
  const double len = static_cast<double>(s.size());
  if (start > len) return "";
  if (!(count >= 0)) count = 0;
  const size_t from = static_cast<size_t>(start) - 1;
  const size_t n = count > len ? s.size() : static_cast<size_t>(count);
  return s.substr(from, n);
}

}  // namespace

int CompareTextInexact(std::string_view left, std::string_view right) {
  const size_t n = right.size();
  for (size_t i = 0; i < n; ++i) {
    const unsigned char l = i < left.size() ? static_cast<unsigned char>(left[i]) : ' ';
    const unsigned char r = static_cast<unsigned char>(right[i]);
    if (l != r) return l < r ? -1 : 1;
  }
  return 0;
}

void Expression::Evaluate(const EvalRow& row, Value& out) const {
  if (root_ < 0) {
    out = Value::Bool(false);
    return;
  }
  Eval(root_, row, out);
}

bool Expression::EvaluateLogical(const EvalRow& row) const {
  if (root_ < 0 || type() != ValueType::Logical) return false;
  Value v;
  Eval(root_, row, v);
  return v.logical;
}

void Expression::Eval(int index, const EvalRow& row, Value& out) const {
  const Node& n = nodes_[static_cast<size_t>(index)];
  switch (n.op) {
    case Op::Literal: out = n.literal; return;
    case Op::Field: {
      const FieldDef& f = fields_[static_cast<size_t>(n.field)];
      if (f.type == 'M') {
        out = Value::Text(row.memo && *row.memo ? (*row.memo)(f) : std::string());
        return;
      }
      if (!row.record) {
        out = Value();
        out.type = n.type;
        if (n.type == ValueType::Character) out.text.assign(f.length, ' ');
        return;
      }
      out = DecodeField(f, row.record);
      return;
    }
    case Op::Call: EvalCall(n, row, out); return;
    case Op::Not:
      Eval(n.args[0], row, out);
      out.logical = !out.logical;
      return;
    case Op::And:
      Eval(n.args[0], row, out);
      if (out.logical) Eval(n.args[1], row, out);
      return;
    case Op::Or:
      Eval(n.args[0], row, out);
      if (!out.logical) Eval(n.args[1], row, out);
      return;
    case Op::Neg:
      Eval(n.args[0], row, out);
      out.number = -out.number;
      return;
    default: break;
  }
  Value right;
  Eval(n.args[0], row, out);
  Eval(n.args[1], row, right);
  switch (n.op) {
    case Op::Eq: out = Value::Bool(Compare(out, right, true) == 0); return;
    case Op::ExactEq: out = Value::Bool(Compare(out, right, false) == 0); return;
    case Op::Ne: out = Value::Bool(Compare(out, right, true) != 0); return;
    case Op::Lt: out = Value::Bool(Compare(out, right, true) < 0); return;
    case Op::Le: out = Value::Bool(Compare(out, right, true) <= 0); return;
    case Op::Gt: out = Value::Bool(Compare(out, right, true) > 0); return;
    case Op::Ge: out = Value::Bool(Compare(out, right, true) >= 0); return;
    case Op::Contains: {
      const bool found = !out.text.empty() && right.text.find(out.text) != std::string::npos;
      out = Value::Bool(found);
      return;
    }
    case Op::Add:
      if (out.type == ValueType::Character) {
        out.text += right.text;
      } else if (out.type == ValueType::Date) {
        out.date = out.date == 0 ? 0 : out.date + static_cast<int32_t>(right.number);
      } else if (right.type == ValueType::Date) {
        out = Value::Day(right.date == 0 ? 0 : right.date + static_cast<int32_t>(out.number));
      } else {
        out.number += right.number;
      }
      return;
    case Op::Sub:
      if (out.type == ValueType::Character) {
        // xBase "-": the left operand's trailing blanks move to the end.
        const size_t blanks = out.text.size();
        TrimRight(out.text);
        const size_t moved = blanks - out.text.size();
        out.text += right.text;
        out.text.append(moved, ' ');
      } else if (out.type == ValueType::Date && right.type == ValueType::Date) {
        out = Value::Number(static_cast<double>(out.date) - right.date);
      } else if (out.type == ValueType::Date) {
        out.date = out.date == 0 ? 0 : out.date - static_cast<int32_t>(right.number);
      } else {
        out.number -= right.number;
      }
      return;
    case Op::Mul: out.number *= right.number; return;
    case Op::Div: out.number = right.number == 0 ? 0 : out.number / right.number; return;
    case Op::Mod: out.number = right.number == 0 ? 0 : std::fmod(out.number, right.number); return;
    default: return;
  }
}

void Expression::EvalCall(const Node& n, const EvalRow& row, Value& out) const {
  switch (n.fn) {
    case Fn::Deleted: out = Value::Bool(row.record && row.record[0] == '*'); return;
    case Fn::Recno: out = Value::Number(row.recno); return;
    default: break;
  }
  Eval(n.args[0], row, out);
  switch (n.fn) {
    case Fn::Dtos: out = Value::Text(DtosFromJulian(out.date)); return;
    case Fn::Upper:
      for (char& c : out.text) c = ToUpperAscii(c);
      return;
    case Fn::Lower:
      for (char& c : out.text) c = ToLowerAscii(c);
      return;
    case Fn::Alltrim:
      TrimRight(out.text);
      TrimLeft(out.text);
      return;
    case Fn::Trim: TrimRight(out.text); return;
    case Fn::Ltrim: TrimLeft(out.text); return;
    case Fn::Empty: {
      bool empty = false;
      switch (out.type) {
        case ValueType::Character: empty = IsBlank(out.text); break;
        case ValueType::Numeric: empty = out.number == 0; break;
        case ValueType::Date: empty = out.date == 0; break;
        case ValueType::Logical: empty = !out.logical; break;
      }
      out = Value::Bool(empty);
      return;
    }
    case Fn::Len: out = Value::Number(static_cast<double>(out.text.size())); return;
    case Fn::Val: out = Value::Number(std::strtod(out.text.c_str(), nullptr)); return;
    case Fn::Space: {
      const double count = out.number;
      out = Value::Text(std::string(count > 0 && count < 65536 ? static_cast<size_t>(count) : 0, ' '));
      return;
    }
    case Fn::Iif: {
      const bool which = out.logical;
      Eval(which ? n.args[1] : n.args[2], row, out);
      return;
    }
    default: break;
  }
  if (n.fn == Fn::Str && n.argc == 1) {
    std::string s = FormatNumber(out.number, 10, 0);
    out = Value::Text(s.empty() ? std::string(10, '*') : s);
    return;
  }
  Value second;
  Eval(n.args[1], row, second);
  switch (n.fn) {
    case Fn::Substr: {
      double count = static_cast<double>(out.text.size());
      if (n.argc == 3) {
        Value third;
        Eval(n.args[2], row, third);
        count = third.number;
      }
      out.text = Slice(out.text, second.number, count);
      return;
    }
    case Fn::Left: out.text = Slice(out.text, 1, second.number); return;
    case Fn::Right: {
      const double len = static_cast<double>(out.text.size());
      const double count = second.number < 0 ? 0 : second.number > len ? len : second.number;
      out.text = out.text.substr(out.text.size() - static_cast<size_t>(count));
      return;
    }
    case Fn::Str: {
      int width = static_cast<int>(std::fmin(std::fmax(second.number, 1), 255));
      int decimals = 0;
      if (n.argc == 3) {
        Value third;
        Eval(n.args[2], row, third);
        decimals = static_cast<int>(std::fmin(std::fmax(third.number, 0), 30));
      }
      std::string s = FormatNumber(out.number, width, decimals);
      if (s.empty()) s.assign(static_cast<size_t>(width), '*');
      out = Value::Text(std::move(s));
      return;
    }
    default: return;
  }
}

}  // namespace telvane::xbase
