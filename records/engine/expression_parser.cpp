// Lexer and recursive-descent parser of xBase expressions. Precedence, from
// loosest: .OR.; .AND.; .NOT.; comparisons and $; + -; * / %; unary minus.

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

#include "platform/text.h"
#include "records/engine/expression.h"
#include "records/engine/xbase_status.h"

namespace telvane::xbase {

namespace {

enum class Tok : uint8_t {
  End, Ident, String, Number, LParen, RParen, Comma, Plus, Minus, Star, Slash, Percent,
  Eq, EqEq, Ne, Lt, Le, Gt, Ge, Dollar, Not, And, Or, True, False, Bad,
};

struct Token {
  Tok kind = Tok::End;
  size_t pos = 0;
  std::string text;  // identifier (upper case), string body or number text
};

// Bounds a hostile expression: nesting and length.
constexpr int kMaxDepth = 64;
constexpr size_t kMaxLength = 4096;

class Lexer {
public:
  explicit Lexer(std::string_view s) : s_(s) {}

  Token Next() {
    while (at_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[at_]))) ++at_;
    Token t;
    t.pos = at_;
    if (at_ >= s_.size()) return t;
    const char c = s_[at_];
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t end = at_;
      while (end < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[end])) || s_[end] == '_')) ++end;
      t.kind = Tok::Ident;
      t.text = ToUpperAscii(s_.substr(at_, end - at_));
      at_ = end;
      return t;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) ||
        (c == '.' && at_ + 1 < s_.size() && std::isdigit(static_cast<unsigned char>(s_[at_ + 1])))) {
      size_t end = at_;
      bool dot = false;
      while (end < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[end])) || (s_[end] == '.' && !dot))) {
        if (s_[end] == '.') {
          // "1.AND." : a dot followed by a letter ends the number.
          if (end + 1 < s_.size() && std::isalpha(static_cast<unsigned char>(s_[end + 1]))) break;
          dot = true;
        }
        ++end;
      }
      t.kind = Tok::Number;
      t.text = std::string(s_.substr(at_, end - at_));
      at_ = end;
      return t;
    }
    if (c == '.') {
      const size_t close = s_.find('.', at_ + 1);
      if (close != std::string_view::npos && close - at_ <= 6) {
        const std::string word = ToUpperAscii(s_.substr(at_ + 1, close - at_ - 1));
        Tok kind = Tok::Bad;
        if (word == "NOT") kind = Tok::Not;
        else if (word == "AND") kind = Tok::And;
        else if (word == "OR") kind = Tok::Or;
        else if (word == "T" || word == "TRUE" || word == "Y") kind = Tok::True;
        else if (word == "F" || word == "FALSE" || word == "N") kind = Tok::False;
        if (kind != Tok::Bad) {
          t.kind = kind;
          at_ = close + 1;
          return t;
        }
      }
      t.kind = Tok::Bad;
      return t;
    }
    if (c == '"' || c == '\'' || c == '[') {
      const char closing = c == '[' ? ']' : c;
      const size_t close = s_.find(closing, at_ + 1);
      if (close == std::string_view::npos) {
        t.kind = Tok::Bad;
        t.text = "unterminated string";
        return t;
      }
      t.kind = Tok::String;
      t.text = std::string(s_.substr(at_ + 1, close - at_ - 1));
      at_ = close + 1;
      return t;
    }
    const char d = at_ + 1 < s_.size() ? s_[at_ + 1] : '\0';
    auto two = [&](Tok kind) {
      at_ += 2;
      t.kind = kind;
      return t;
    };
    auto one = [&](Tok kind) {
      at_ += 1;
      t.kind = kind;
      return t;
    };
    switch (c) {
      case '(': return one(Tok::LParen);
      case ')': return one(Tok::RParen);
      case ',': return one(Tok::Comma);
      case '+': return one(Tok::Plus);
      case '-': return one(Tok::Minus);
      case '*': return one(Tok::Star);
      case '/': return one(Tok::Slash);
      case '%': return one(Tok::Percent);
      case '$': return one(Tok::Dollar);
      case '#': return one(Tok::Ne);
      case '=': return d == '=' ? two(Tok::EqEq) : one(Tok::Eq);
      case '!': return d == '=' ? two(Tok::Ne) : one(Tok::Not);
      case '<': return d == '>' ? two(Tok::Ne) : d == '=' ? two(Tok::Le) : one(Tok::Lt);
      case '>': return d == '=' ? two(Tok::Ge) : one(Tok::Gt);
      default: t.kind = Tok::Bad; return t;
    }
  }

private:
  std::string_view s_;
  size_t at_ = 0;
};

struct FunctionInfo {
  const char* name;
  Expression::Fn fn;
  int minArgs;
  int maxArgs;
};

constexpr FunctionInfo kFunctions[] = {
    {"DTOS", Expression::Fn::Dtos, 1, 1},       {"UPPER", Expression::Fn::Upper, 1, 1},
    {"LOWER", Expression::Fn::Lower, 1, 1},     {"ALLTRIM", Expression::Fn::Alltrim, 1, 1},
    {"TRIM", Expression::Fn::Trim, 1, 1},       {"RTRIM", Expression::Fn::Trim, 1, 1},
    {"LTRIM", Expression::Fn::Ltrim, 1, 1},     {"EMPTY", Expression::Fn::Empty, 1, 1},
    {"DELETED", Expression::Fn::Deleted, 0, 0}, {"RECNO", Expression::Fn::Recno, 0, 0},
    {"SUBSTR", Expression::Fn::Substr, 2, 3},   {"LEFT", Expression::Fn::Left, 2, 2},
    {"RIGHT", Expression::Fn::Right, 2, 2},     {"LEN", Expression::Fn::Len, 1, 1},
    {"STR", Expression::Fn::Str, 1, 3},         {"VAL", Expression::Fn::Val, 1, 1},
    {"IIF", Expression::Fn::Iif, 3, 3},         {"SPACE", Expression::Fn::Space, 1, 1},
};

// xBase accepts a function name shortened to at least four letters.
const FunctionInfo* FindFunction(const std::string& name) {
  for (const auto& f : kFunctions) {
    const std::string_view full(f.name);
    if (name == full || (name.size() >= 4 && name.size() < full.size() && full.substr(0, name.size()) == name))
      return &f;
  }
  return nullptr;
}

}  // namespace

class ExpressionParser {
public:
  ExpressionParser(std::string_view text, const std::vector<FieldDef>& fields, Expression& out)
      : text_(text), fields_(fields), out_(out), lexer_(text) {
    Advance();
  }

  int Run(std::string& error) {
    if (text_.size() > kMaxLength) return Fail(xbase_status::ExpressionSyntax, "expression too long", error);
    int root = ParseOr(0);
    if (code_ == 0 && tok_.kind != Tok::End) {
      root = -1;
      SetError(xbase_status::ExpressionSyntax, "unexpected " + Describe(tok_));
    }
    if (code_ != 0) {
      error = message_;
      out_.nodes_.clear();
      out_.root_ = -1;
      return -code_;
    }
    out_.root_ = root;
    return 0;
  }

private:
  using Node = Expression::Node;
  using Op = Expression::Op;
  using Fn = Expression::Fn;

  int Fail(int code, const std::string& what, std::string& error) {
    SetError(code, what);
    error = message_;
    return -code;
  }

  void SetError(int code, const std::string& what) {
    if (code_ != 0) return;
    code_ = code;
    message_ = std::string(XbaseStatusText(code)) + ": " + what + " in \"" + std::string(text_) + "\"";
  }

  std::string Describe(const Token& t) const {
    const std::string at = " at position " + std::to_string(t.pos + 1);
    switch (t.kind) {
      case Tok::End: return "end of expression";
      case Tok::Bad: return (t.text.empty() ? "character '" + std::string(1, text_[t.pos]) + "'" : t.text) + at;
      case Tok::Ident: return "name " + t.text + at;
      default: return "'" + std::string(text_.substr(t.pos, 1)) + "'" + at;
    }
  }

  void Advance() { tok_ = lexer_.Next(); }

  bool Expect(Tok kind, const char* what) {
    if (tok_.kind == kind) {
      Advance();
      return true;
    }
    SetError(xbase_status::ExpressionSyntax, std::string("expected ") + what + ", found " + Describe(tok_));
    return false;
  }

  int Add(Node n) {
    out_.nodes_.push_back(std::move(n));
    return static_cast<int>(out_.nodes_.size()) - 1;
  }

  const Node& At(int i) const { return out_.nodes_[static_cast<size_t>(i)]; }

  int Binary(Op op, int a, int b, size_t pos) {
    if (a < 0 || b < 0) return -1;
    const ValueType ta = At(a).type, tb = At(b).type;
    Node n;
    n.op = op;
    n.argc = 2;
    n.args[0] = a;
    n.args[1] = b;
    auto mismatch = [&]() {
      SetError(xbase_status::TypeMismatch, std::string("operands ") + std::string(ValueTypeName(ta)) + " and " +
                                               std::string(ValueTypeName(tb)) + " at position " +
                                               std::to_string(pos + 1));
      return -1;
    };
    switch (op) {
      case Op::And:
      case Op::Or:
        if (ta != ValueType::Logical || tb != ValueType::Logical) return mismatch();
        n.type = ValueType::Logical;
        break;
      case Op::Eq: case Op::ExactEq: case Op::Ne: case Op::Lt: case Op::Le: case Op::Gt: case Op::Ge:
        if (ta != tb) return mismatch();
        n.type = ValueType::Logical;
        break;
      case Op::Contains:
        if (ta != ValueType::Character || tb != ValueType::Character) return mismatch();
        n.type = ValueType::Logical;
        break;
      case Op::Add:
        if (ta == ValueType::Character && tb == ValueType::Character) {
          n.type = ValueType::Character;
          n.width = At(a).width + At(b).width;
        } else if (ta == ValueType::Numeric && tb == ValueType::Numeric) {
          n.type = ValueType::Numeric;
        } else if ((ta == ValueType::Date && tb == ValueType::Numeric) ||
                   (ta == ValueType::Numeric && tb == ValueType::Date)) {
          n.type = ValueType::Date;
          n.width = 8;
        } else {
          return mismatch();
        }
        break;
      case Op::Sub:
        if (ta == ValueType::Character && tb == ValueType::Character) {
          n.type = ValueType::Character;
          n.width = At(a).width + At(b).width;
        } else if (ta == ValueType::Numeric && tb == ValueType::Numeric) {
          n.type = ValueType::Numeric;
        } else if (ta == ValueType::Date && tb == ValueType::Numeric) {
          n.type = ValueType::Date;
          n.width = 8;
        } else if (ta == ValueType::Date && tb == ValueType::Date) {
          n.type = ValueType::Numeric;
        } else {
          return mismatch();
        }
        break;
      default:
        if (ta != ValueType::Numeric || tb != ValueType::Numeric) return mismatch();
        n.type = ValueType::Numeric;
        break;
    }
    return Add(std::move(n));
  }

  bool Deeper(int depth) {
    if (depth <= kMaxDepth) return true;
    SetError(xbase_status::ExpressionSyntax, "nested too deeply");
    return false;
  }

  int ParseOr(int depth) {
    if (!Deeper(depth)) return -1;
    int left = ParseAnd(depth + 1);
    while (code_ == 0 && tok_.kind == Tok::Or) {
      const size_t pos = tok_.pos;
      Advance();
      left = Binary(Op::Or, left, ParseAnd(depth + 1), pos);
    }
    return left;
  }

  int ParseAnd(int depth) {
    int left = ParseNot(depth + 1);
    while (code_ == 0 && tok_.kind == Tok::And) {
      const size_t pos = tok_.pos;
      Advance();
      left = Binary(Op::And, left, ParseNot(depth + 1), pos);
    }
    return left;
  }

  int ParseNot(int depth) {
    if (!Deeper(depth)) return -1;
    if (tok_.kind == Tok::Not) {
      const size_t pos = tok_.pos;
      Advance();
      const int arg = ParseNot(depth + 1);
      if (arg < 0) return -1;
      if (At(arg).type != ValueType::Logical) {
        SetError(xbase_status::TypeMismatch, ".NOT. of a " + std::string(ValueTypeName(At(arg).type)) +
                                                 " value at position " + std::to_string(pos + 1));
        return -1;
      }
      Node n;
      n.op = Op::Not;
      n.type = ValueType::Logical;
      n.argc = 1;
      n.args[0] = arg;
      return Add(std::move(n));
    }
    return ParseComparison(depth + 1);
  }

  int ParseComparison(int depth) {
    int left = ParseAdditive(depth + 1);
    while (code_ == 0) {
      Op op;
      switch (tok_.kind) {
        case Tok::Eq: op = Op::Eq; break;
        case Tok::EqEq: op = Op::ExactEq; break;
        case Tok::Ne: op = Op::Ne; break;
        case Tok::Lt: op = Op::Lt; break;
        case Tok::Le: op = Op::Le; break;
        case Tok::Gt: op = Op::Gt; break;
        case Tok::Ge: op = Op::Ge; break;
        case Tok::Dollar: op = Op::Contains; break;
        default: return left;
      }
      const size_t pos = tok_.pos;
      Advance();
      left = Binary(op, left, ParseAdditive(depth + 1), pos);
    }
    return left;
  }

  int ParseAdditive(int depth) {
    int left = ParseMultiplicative(depth + 1);
    while (code_ == 0 && (tok_.kind == Tok::Plus || tok_.kind == Tok::Minus)) {
      const Op op = tok_.kind == Tok::Plus ? Op::Add : Op::Sub;
      const size_t pos = tok_.pos;
      Advance();
      left = Binary(op, left, ParseMultiplicative(depth + 1), pos);
    }
    return left;
  }

  int ParseMultiplicative(int depth) {
    int left = ParseUnary(depth + 1);
    while (code_ == 0 && (tok_.kind == Tok::Star || tok_.kind == Tok::Slash || tok_.kind == Tok::Percent)) {
      const Op op = tok_.kind == Tok::Star ? Op::Mul : tok_.kind == Tok::Slash ? Op::Div : Op::Mod;
      const size_t pos = tok_.pos;
      Advance();
      left = Binary(op, left, ParseUnary(depth + 1), pos);
    }
    return left;
  }

  int ParseUnary(int depth) {
    if (!Deeper(depth)) return -1;
    if (tok_.kind == Tok::Minus || tok_.kind == Tok::Plus) {
      const bool negate = tok_.kind == Tok::Minus;
      const size_t pos = tok_.pos;
      Advance();
      const int arg = ParseUnary(depth + 1);
      if (arg < 0) return -1;
      if (At(arg).type != ValueType::Numeric) {
        SetError(xbase_status::TypeMismatch, "sign before a non-numeric value at position " + std::to_string(pos + 1));
        return -1;
      }
      if (!negate) return arg;
      Node n;
      n.op = Op::Neg;
      n.type = ValueType::Numeric;
      n.argc = 1;
      n.args[0] = arg;
      return Add(std::move(n));
    }
    return ParsePrimary(depth + 1);
  }

  int ParsePrimary(int depth) {
    if (code_ != 0) return -1;
    Node n;
    switch (tok_.kind) {
      case Tok::String:
        n.literal = Value::Text(tok_.text);
        n.type = ValueType::Character;
        n.width = static_cast<int>(tok_.text.size());
        Advance();
        return Add(std::move(n));
      case Tok::Number:
        n.literal = Value::Number(std::strtod(tok_.text.c_str(), nullptr));
        n.type = ValueType::Numeric;
        n.width = static_cast<int>(tok_.text.size());
        Advance();
        return Add(std::move(n));
      case Tok::True:
      case Tok::False:
        n.literal = Value::Bool(tok_.kind == Tok::True);
        n.type = ValueType::Logical;
        n.width = 1;
        Advance();
        return Add(std::move(n));
      case Tok::LParen: {
        Advance();
        const int inner = ParseOr(depth + 1);
        if (inner < 0 || !Expect(Tok::RParen, "')'")) return -1;
        return inner;
      }
      case Tok::Ident: return ParseName(depth);
      default:
        SetError(xbase_status::ExpressionSyntax, "unexpected " + Describe(tok_));
        return -1;
    }
  }

  int ParseName(int depth) {
    const Token name = tok_;
    Advance();
    if (tok_.kind != Tok::LParen) {
      for (size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i].name != name.text) continue;
        Node n;
        n.op = Op::Field;
        n.field = static_cast<int>(i);
        switch (fields_[i].type) {
          case 'N': case 'F': n.type = ValueType::Numeric; break;
          case 'D': n.type = ValueType::Date; break;
          case 'L': n.type = ValueType::Logical; break;
          default: n.type = ValueType::Character; break;
        }
        n.width = fields_[i].type == 'M' ? 10 : fields_[i].length;
        return Add(std::move(n));
      }
      SetError(xbase_status::UnknownName, "unknown field " + name.text + " at position " + std::to_string(name.pos + 1));
      return -1;
    }
    const FunctionInfo* info = FindFunction(name.text);
    if (!info) {
      SetError(xbase_status::UnknownName,
               "unknown function " + name.text + "() at position " + std::to_string(name.pos + 1));
      return -1;
    }
    Advance();  // "("
    Node n;
    n.op = Op::Call;
    n.fn = info->fn;
    if (tok_.kind != Tok::RParen) {
      while (code_ == 0) {
        if (n.argc == 3) {
          n.argc = 4;  // reported below as too many
          break;
        }
        const int arg = ParseOr(depth + 1);
        if (arg < 0) return -1;
        n.args[n.argc++] = arg;
        if (tok_.kind != Tok::Comma) break;
        Advance();
      }
    }
    if (code_ != 0) return -1;
    if (n.argc < info->minArgs || n.argc > info->maxArgs) {
      SetError(xbase_status::ExpressionSyntax, std::string("wrong number of arguments to ") + info->name + "()");
      return -1;
    }
    if (!Expect(Tok::RParen, "')'")) return -1;
    if (!TypeCall(n, info->name)) return -1;
    return Add(std::move(n));
  }

  // Literal integer argument, for the widths of SUBSTR/LEFT/STR/SPACE.
  int LiteralInt(int arg, int fallback) const {
    if (arg < 0 || At(arg).op != Op::Literal || At(arg).type != ValueType::Numeric) return fallback;
    const double v = At(arg).literal.number;
    if (v < 0) return 0;
    return v > 255 ? 255 : static_cast<int>(v);
  }

  bool TypeCall(Node& n, const char* fname) {
    auto argType = [&](int i) { return At(n.args[i]).type; };
    auto need = [&](int i, ValueType t) {
      if (argType(i) == t) return true;
      SetError(xbase_status::TypeMismatch, std::string(fname) + "() needs a " + std::string(ValueTypeName(t)) +
                                               " argument " + std::to_string(i + 1) + ", not " +
                                               std::string(ValueTypeName(argType(i))));
      return false;
    };
    switch (n.fn) {
      case Fn::Dtos:
        n.type = ValueType::Character;
        n.width = 8;
        return need(0, ValueType::Date);
      case Fn::Upper: case Fn::Lower: case Fn::Alltrim: case Fn::Trim: case Fn::Ltrim:
        n.type = ValueType::Character;
        n.width = At(n.args[0]).width;
        return need(0, ValueType::Character);
      case Fn::Empty: case Fn::Deleted:
        n.type = ValueType::Logical;
        n.width = 1;
        return true;
      case Fn::Recno: case Fn::Len: case Fn::Val:
        n.type = ValueType::Numeric;
        n.width = 10;
        return n.fn == Fn::Recno || need(0, ValueType::Character);
      case Fn::Substr: {
        n.type = ValueType::Character;
        const int w = At(n.args[0]).width;
        n.width = n.argc == 3 ? LiteralInt(n.args[2], w) : w;
        return need(0, ValueType::Character) && need(1, ValueType::Numeric) &&
               (n.argc < 3 || need(2, ValueType::Numeric));
      }
      case Fn::Left: case Fn::Right:
        n.type = ValueType::Character;
        n.width = LiteralInt(n.args[1], At(n.args[0]).width);
        return need(0, ValueType::Character) && need(1, ValueType::Numeric);
      case Fn::Str:
        n.type = ValueType::Character;
        n.width = n.argc >= 2 ? LiteralInt(n.args[1], 10) : 10;
        return need(0, ValueType::Numeric) && (n.argc < 2 || need(1, ValueType::Numeric)) &&
               (n.argc < 3 || need(2, ValueType::Numeric));
      case Fn::Space:
        n.type = ValueType::Character;
        n.width = LiteralInt(n.args[0], 0);
        return need(0, ValueType::Numeric);
      case Fn::Iif:
        if (!need(0, ValueType::Logical)) return false;
        if (argType(1) != argType(2)) {
          SetError(xbase_status::TypeMismatch, "IIF() branches of different types");
          return false;
        }
        n.type = argType(1);
        n.width = std::max(At(n.args[1]).width, At(n.args[2]).width);
        return true;
      case Fn::None: break;
    }
    return false;
  }

  std::string_view text_;
  const std::vector<FieldDef>& fields_;
  Expression& out_;
  Lexer lexer_;
  Token tok_;
  int code_ = 0;
  std::string message_;
};

int Expression::Compile(std::string_view text, const std::vector<FieldDef>& fields, Expression& out,
                        std::string& error) {
  out = Expression();
  out.text_ = std::string(text);
  out.fields_ = fields;
  error.clear();
  if (TrimWhitespace(text).empty()) {
    error = std::string(XbaseStatusText(xbase_status::ExpressionSyntax)) + ": empty expression";
    return -xbase_status::ExpressionSyntax;
  }
  ExpressionParser parser(out.text_, out.fields_, out);
  return parser.Run(error);
}

ValueType Expression::type() const { return root_ < 0 ? ValueType::Logical : nodes_[static_cast<size_t>(root_)].type; }

int Expression::width() const {
  if (root_ < 0) return 0;
  const Node& n = nodes_[static_cast<size_t>(root_)];
  if (n.type == ValueType::Logical) return 1;
  return n.type == ValueType::Date ? 8 : n.width;
}

bool Expression::IsNotDeleted() const {
  if (root_ < 0) return false;
  const Node& n = nodes_[static_cast<size_t>(root_)];
  if (n.op != Op::Not) return false;
  const Node& arg = nodes_[static_cast<size_t>(n.args[0])];
  return arg.op == Op::Call && arg.fn == Fn::Deleted;
}

}  // namespace telvane::xbase
