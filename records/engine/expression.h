#pragma once
// xBase expressions: the key and FOR expressions of index tags, filters and
// the conditions of bulk deletions. Compiled once against a table's fields
// (each node knows its type and, for character results, its width, which
// fixes the key length of a tag), then evaluated per row.
//
// Supported: field names; "..." '...' [...] strings; numbers; .T. .F.
// (.TRUE. .FALSE. .Y. .N.); .NOT. ! .AND. .OR.; = (prefix match, as with
// EXACT off) == <> # != < <= > >=; $ (contained in); + - * / %; and the
// functions DTOS UPPER LOWER ALLTRIM TRIM RTRIM LTRIM EMPTY DELETED RECNO
// SUBSTR LEFT RIGHT LEN STR VAL IIF SPACE, which may be abbreviated to four
// letters as in xBase. Anything else is an error naming the problem.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "records/engine/xbase_value.h"

namespace telvane::xbase {

// What an expression reads of the row it is evaluated on.
struct EvalRow {
  const char* record = nullptr;  // the whole record; byte 0 is the deletion mark
  uint32_t recno = 0;
  // Reads a memo field's text; memo fields read as "" without it.
  const std::function<std::string(const FieldDef&)>* memo = nullptr;
};

class Expression {
public:
  // Compiles `text` against `fields`. Returns 0, or a negated xbase_status
  // code (ExpressionSyntax, UnknownName, TypeMismatch) with `error` naming
  // the problem and where it is.
  static int Compile(std::string_view text, const std::vector<FieldDef>& fields, Expression& out,
                     std::string& error);

  bool valid() const { return root_ >= 0; }
  const std::string& text() const { return text_; }
  ValueType type() const;
  // Width of a character result (trailing blanks included), 8 for dates.
  int width() const;

  void Evaluate(const EvalRow& row, Value& out) const;
  // The truth of a logical expression; false for any other type.
  bool EvaluateLogical(const EvalRow& row) const;

  // True when the expression is exactly the negation of DELETED(), the
  // condition of every log tag and view, which the table then answers from
  // the deletion mark alone.
  bool IsNotDeleted() const;

  enum class Op : uint8_t {
    Literal, Field, Call, Not, And, Or, Neg,
    Eq, ExactEq, Ne, Lt, Le, Gt, Ge, Contains, Add, Sub, Mul, Div, Mod,
  };
  enum class Fn : uint8_t {
    None, Dtos, Upper, Lower, Alltrim, Trim, Ltrim, Empty, Deleted, Recno,
    Substr, Left, Right, Len, Str, Val, Iif, Space,
  };

private:
  struct Node {
    Op op = Op::Literal;
    Fn fn = Fn::None;
    ValueType type = ValueType::Logical;
    int width = 0;
    int field = -1;
    int argc = 0;
    int args[3] = {-1, -1, -1};
    Value literal;
  };
  friend class ExpressionParser;

  void Eval(int node, const EvalRow& row, Value& out) const;
  void EvalCall(const Node& n, const EvalRow& row, Value& out) const;

  std::string text_;
  std::vector<FieldDef> fields_;
  std::vector<Node> nodes_;
  int root_ = -1;
};

// Compares two character values as xBase does with EXACT off: the left one
// is cut or blank-padded to the length of the right one.
int CompareTextInexact(std::string_view left, std::string_view right);

}  // namespace telvane::xbase
