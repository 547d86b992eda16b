#include "store/Expression.h"

#include <cmath>
#include <cstring>

#include "common/Numbers.h"
#include "common/Text.h"

namespace vak {

using Type = Expression::Type;

class ExprNode {
 public:
  explicit ExprNode(Type t, int w = 0) : type(t), width(w) {}
  virtual ~ExprNode() = default;
  virtual bool Bool(const char*) const { return false; }
  virtual std::string_view Text(const char*) const { return {}; }
  virtual long double Num(const char*) const { return 0; }
  virtual bool IsConstant() const { return false; }

  Type type;
  int width;  // text results: the width of the value
};

namespace {

using NodePtr = std::unique_ptr<ExprNode>;

class FieldText : public ExprNode {
 public:
  explicit FieldText(const DbfField& f) : ExprNode(Type::Text, f.length), field_(f) {}
  std::string_view Text(const char* r) const override { return FieldBytes(r, field_); }

 private:
  DbfField field_;
};

class FieldLogical : public ExprNode {
 public:
  explicit FieldLogical(const DbfField& f) : ExprNode(Type::Logical), offset_(f.offset) {}
  bool Bool(const char* r) const override { return std::strchr("TtYy", r[offset_]) != nullptr && r[offset_] != 0; }

 private:
  int offset_;
};

class FieldNumber : public ExprNode {
 public:
  explicit FieldNumber(const DbfField& f) : ExprNode(Type::Number), field(f) {}
  long double Num(const char* r) const override { return ParseNumericField(FieldBytes(r, field)); }
  DbfField field;
};

class TextLiteral : public ExprNode {
 public:
  explicit TextLiteral(std::string v) : ExprNode(Type::Text, static_cast<int>(v.size())), value_(std::move(v)) {}
  std::string_view Text(const char*) const override { return value_; }
  bool IsConstant() const override { return true; }

 private:
  std::string value_;
};

class NumberLiteral : public ExprNode {
 public:
  explicit NumberLiteral(long double v) : ExprNode(Type::Number), value(v) {}
  long double Num(const char*) const override { return value; }
  bool IsConstant() const override { return true; }
  long double value;
};

class LogicalLiteral : public ExprNode {
 public:
  explicit LogicalLiteral(bool v) : ExprNode(Type::Logical), value_(v) {}
  bool Bool(const char*) const override { return value_; }
  bool IsConstant() const override { return true; }

 private:
  bool value_;
};

// A position or length taken from a number: cut to what any text could need, so that a
// huge, negative or undefined number neither overflows the conversion nor depends on the
// width of long (32 bits on Windows).
long WholeArgument(long double n) {
  constexpr long double kLimit = 1000000000.0L;
  if (!(n > -kLimit)) return n < 0 ? -static_cast<long>(kLimit) : 0;  // NaN counts as 0
  return n < kLimit ? static_cast<long>(n) : static_cast<long>(kLimit);
}

class SubStrNode : public ExprNode {
 public:
  SubStrNode(NodePtr s, NodePtr start, NodePtr length)
      : ExprNode(Type::Text), s_(std::move(s)), start_(std::move(start)), length_(std::move(length)) {
    width = s_->width;
    if (start_->IsConstant() && (!length_ || length_->IsConstant())) {
      const long st = WholeArgument(start_->Num(nullptr));
      const long len = length_ ? WholeArgument(length_->Num(nullptr)) : s_->width;
      width = static_cast<int>(std::max(0L, std::min(len, static_cast<long>(s_->width) - std::max(st, 1L) + 1)));
    }
  }
  std::string_view Text(const char* r) const override {
    const std::string_view s = s_->Text(r);
    long start = WholeArgument(start_->Num(r));
    if (start < 1) start = 1;
    if (static_cast<size_t>(start) > s.size()) return {};
    const std::string_view rest = s.substr(static_cast<size_t>(start - 1));
    if (!length_) return rest;
    const long length = WholeArgument(length_->Num(r));
    if (length <= 0) return {};
    return rest.substr(0, static_cast<size_t>(length));
  }

 private:
  NodePtr s_, start_, length_;
};

class StrNode : public ExprNode {
 public:
  StrNode(NodePtr n, int length, int decimals) : ExprNode(Type::Text, length), n_(std::move(n)), decimals_(decimals) {
    if (auto* f = dynamic_cast<FieldNumber*>(n_.get()); f && f->field.decimals == 0 && decimals == 0) field_ = f;
  }
  std::string_view Text(const char* r) const override {
    if (field_ && CopyPlainDigits(r)) return buffer_;
    if (!FixedPointText(n_->Num(r), width, decimals_, buffer_)) buffer_.assign(static_cast<size_t>(width), '*');
    return buffer_;
  }

 private:
  // A whole-number field already holds its right-aligned digits: take them as they are.
  bool CopyPlainDigits(const char* r) const {
    std::string_view v = FieldBytes(r, field_->field);
    while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
    while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
    if (v.empty() || v.size() > static_cast<size_t>(width)) return false;
    const size_t firstDigit = v.front() == '-' ? 1 : 0;
    if (firstDigit == v.size() || (v.size() > 1 && v[firstDigit] == '0')) return false;
    for (size_t i = firstDigit; i < v.size(); ++i) {
      if (v[i] < '0' || v[i] > '9') return false;
    }
    if (v == "-0") return false;
    buffer_.assign(static_cast<size_t>(width) - v.size(), ' ');
    buffer_.append(v);
    return true;
  }

  NodePtr n_;
  int decimals_;
  const FieldNumber* field_ = nullptr;
  mutable std::string buffer_;
};

class UpperNode : public ExprNode {
 public:
  explicit UpperNode(NodePtr s) : ExprNode(Type::Text, s->width), s_(std::move(s)) {}
  std::string_view Text(const char* r) const override {
    buffer_ = AsciiUpper(s_->Text(r));
    return buffer_;
  }

 private:
  NodePtr s_;
  mutable std::string buffer_;
};

class TrimNode : public ExprNode {
 public:
  explicit TrimNode(NodePtr s) : ExprNode(Type::Text, s->width), s_(std::move(s)) {}
  std::string_view Text(const char* r) const override {
    std::string_view v = s_->Text(r);
    while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
    return v;
  }

 private:
  NodePtr s_;
};

class ConcatNode : public ExprNode {
 public:
  ConcatNode(NodePtr a, NodePtr b) : ExprNode(Type::Text, a->width + b->width), a_(std::move(a)), b_(std::move(b)) {}
  std::string_view Text(const char* r) const override {
    const std::string_view a = a_->Text(r);
    buffer_.assign(a.data(), a.size());
    const std::string_view b = b_->Text(r);
    buffer_.append(b.data(), b.size());
    return buffer_;
  }

 private:
  NodePtr a_, b_;
  mutable std::string buffer_;
};

class ArithmeticNode : public ExprNode {
 public:
  ArithmeticNode(char op, NodePtr a, NodePtr b) : ExprNode(Type::Number), op_(op), a_(std::move(a)), b_(std::move(b)) {}
  long double Num(const char* r) const override {
    const long double a = a_ ? a_->Num(r) : 0;
    const long double b = b_->Num(r);
    return op_ == '+' ? a + b : a - b;
  }

 private:
  char op_;
  NodePtr a_, b_;
};

enum class CompareOp { Equal, ExactEqual, NotEqual, Less, LessEqual, Greater, GreaterEqual };

std::string_view TrimRight(std::string_view v) {
  while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
  return v;
}

int CompareBytes(std::string_view a, std::string_view b) {
  const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

class CompareNode : public ExprNode {
 public:
  CompareNode(CompareOp op, NodePtr a, NodePtr b, bool exact)
      : ExprNode(Type::Logical), op_(op), a_(std::move(a)), b_(std::move(b)), exact_(exact) {}
  bool Bool(const char* r) const override {
    if (a_->type == Type::Number) return Decide(Compare(a_->Num(r), b_->Num(r)));
    if (a_->type == Type::Logical) {
      const bool a = a_->Bool(r);
      const bool b = b_->Bool(r);
      return Decide(a == b ? 0 : (a ? 1 : -1));
    }
    const std::string_view a = a_->Text(r);
    const std::string_view b = b_->Text(r);
    if (op_ == CompareOp::ExactEqual) return a == b;
    if (op_ == CompareOp::Equal || op_ == CompareOp::NotEqual) {
      const bool equal = TextEqual(a, b);
      return op_ == CompareOp::Equal ? equal : !equal;
    }
    return Decide(CompareBytes(TrimRight(a), TrimRight(b)));
  }

 private:
  static int Compare(long double a, long double b) { return a < b ? -1 : (a > b ? 1 : 0); }
  bool TextEqual(std::string_view a, std::string_view b) const {
    if (exact_) return TrimRight(a) == TrimRight(b);
    return a.substr(0, b.size()) == b;  // inexact: the left side begins with the right one
  }
  bool Decide(int c) const {
    switch (op_) {
      case CompareOp::Equal:
      case CompareOp::ExactEqual: return c == 0;
      case CompareOp::NotEqual: return c != 0;
      case CompareOp::Less: return c < 0;
      case CompareOp::LessEqual: return c <= 0;
      case CompareOp::Greater: return c > 0;
      case CompareOp::GreaterEqual: return c >= 0;
    }
    return false;
  }

  CompareOp op_;
  NodePtr a_, b_;
  bool exact_;
};

class LogicNode : public ExprNode {
 public:
  LogicNode(char op, NodePtr a, NodePtr b) : ExprNode(Type::Logical), op_(op), a_(std::move(a)), b_(std::move(b)) {}
  bool Bool(const char* r) const override {
    if (op_ == '!') return !a_->Bool(r);
    if (op_ == '&') return a_->Bool(r) && b_->Bool(r);
    return a_->Bool(r) || b_->Bool(r);
  }

 private:
  char op_;
  NodePtr a_, b_;
};

// Recursive-descent parser; throws ParseError, caught by Compile.
struct ParseError {
  std::string message;
};

class Parser {
 public:
  Parser(std::string_view text, const std::vector<DbfField>& fields, bool exact)
      : text_(text), fields_(fields), exact_(exact) {}

  std::vector<std::pair<int, int>> inputs;

  NodePtr ParseAll() {
    // Deep trees are evaluated and freed by recursion too: the text bounds the tree's size,
    // the nesting counter its depth, so no query can exhaust the stack.
    if (text_.size() > kMaxExpressionLength) Fail("식이 " + std::to_string(kMaxExpressionLength) + "자보다 깁니다");
    NodePtr node = ParseOr();
    SkipBlanks();
    if (pos_ != text_.size()) Fail("식이 끝나야 할 곳에 글자가 더 있습니다");
    return node;
  }

 private:
  static constexpr size_t kMaxExpressionLength = 4000;
  static constexpr int kMaxNesting = 300;  // about a hundred parentheses

  // Counts one level of recursion for as long as it lives.
  struct Nesting {
    explicit Nesting(Parser& p) : parser(p) {
      if (++parser.depth_ > kMaxNesting)
        parser.Fail("괄호나 연산이 " + std::to_string(kMaxNesting) + "단계보다 깊습니다");
    }
    ~Nesting() { --parser.depth_; }
    Parser& parser;
  };
  int depth_ = 0;

  [[noreturn]] void Fail(const std::string& what) { throw ParseError{std::to_string(pos_ + 1) + "번째 글자: " + what}; }

  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }

  bool Accept(std::string_view token) {
    SkipBlanks();
    if (text_.size() - pos_ < token.size()) return false;
    if (!EqualsNoCase(text_.substr(pos_, token.size()), token)) return false;
    pos_ += token.size();
    return true;
  }

  void Expect(std::string_view token) {
    if (!Accept(token)) Fail("\"" + std::string(token) + "\"가 있어야 합니다");
  }

  NodePtr Logical(NodePtr node) {
    if (node->type != Type::Logical) Fail("참/거짓 값이 있어야 합니다");
    return node;
  }

  NodePtr ParseOr() {
    NodePtr left = ParseAnd();
    while (Accept(".or.")) left = std::make_unique<LogicNode>('|', Logical(std::move(left)), Logical(ParseAnd()));
    return left;
  }

  NodePtr ParseAnd() {
    NodePtr left = ParseNot();
    while (Accept(".and.")) left = std::make_unique<LogicNode>('&', Logical(std::move(left)), Logical(ParseNot()));
    return left;
  }

  NodePtr ParseNot() {
    const Nesting nesting(*this);
    if (Accept(".not.")) return std::make_unique<LogicNode>('!', Logical(ParseNot()), nullptr);
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == '!' && !(pos_ + 1 < text_.size() && text_[pos_ + 1] == '=')) {
      ++pos_;
      return std::make_unique<LogicNode>('!', Logical(ParseNot()), nullptr);
    }
    return ParseComparison();
  }

  NodePtr ParseComparison() {
    NodePtr left = ParseAdditive();
    static const std::pair<const char*, CompareOp> kOps[] = {
        {"==", CompareOp::ExactEqual}, {"<>", CompareOp::NotEqual},     {"!=", CompareOp::NotEqual},
        {"<=", CompareOp::LessEqual},  {">=", CompareOp::GreaterEqual}, {"#", CompareOp::NotEqual},
        {"=", CompareOp::Equal},       {"<", CompareOp::Less},          {">", CompareOp::Greater}};
    for (const auto& [token, op] : kOps) {
      if (Accept(token)) {
        NodePtr right = ParseAdditive();
        if (left->type != right->type) Fail("종류가 다른 값을 비교합니다");
        return std::make_unique<CompareNode>(op, std::move(left), std::move(right), exact_);
      }
    }
    return left;
  }

  NodePtr ParseAdditive() {
    NodePtr left = ParseUnary();
    for (;;) {
      SkipBlanks();
      if (pos_ >= text_.size() || (text_[pos_] != '+' && text_[pos_] != '-')) return left;
      const char op = text_[pos_++];
      NodePtr right = ParseUnary();
      if (left->type != right->type) Fail("종류가 다른 값을 잇습니다");
      if (left->type == Type::Text && op == '+') {
        left = std::make_unique<ConcatNode>(std::move(left), std::move(right));
      } else if (left->type == Type::Number) {
        left = std::make_unique<ArithmeticNode>(op, std::move(left), std::move(right));
      } else {
        Fail("이 값에는 쓸 수 없는 연산입니다");
      }
    }
  }

  NodePtr ParseUnary() {
    const Nesting nesting(*this);
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == '-') {
      ++pos_;
      NodePtr operand = ParseUnary();
      if (operand->type != Type::Number) Fail("숫자가 있어야 합니다");
      return std::make_unique<ArithmeticNode>('-', nullptr, std::move(operand));
    }
    return ParsePrimary();
  }

  NodePtr ParsePrimary() {
    SkipBlanks();
    if (pos_ >= text_.size()) Fail("식이 너무 일찍 끝납니다");
    const char c = text_[pos_];
    if (c == '(') {
      const Nesting nesting(*this);
      ++pos_;
      NodePtr inner = ParseOr();
      Expect(")");
      return inner;
    }
    if (c == '"' || c == '\'') {
      const size_t end = text_.find(c, pos_ + 1);
      if (end == std::string_view::npos) Fail("닫는 따옴표가 없습니다");
      std::string value(text_.substr(pos_ + 1, end - pos_ - 1));
      pos_ = end + 1;
      return std::make_unique<TextLiteral>(std::move(value));
    }
    if ((c >= '0' && c <= '9') || c == '.') {
      if (Accept(".t.")) return std::make_unique<LogicalLiteral>(true);
      if (Accept(".f.")) return std::make_unique<LogicalLiteral>(false);
      const size_t start = pos_;
      while (pos_ < text_.size() && ((text_[pos_] >= '0' && text_[pos_] <= '9') || text_[pos_] == '.')) ++pos_;
      std::string number(text_.substr(start, pos_ - start));
      if (!IsNumberText(number) || number.find_first_of("0123456789") == std::string::npos)
        Fail("숫자를 읽을 수 없습니다");
      return std::make_unique<NumberLiteral>(TextToNumber(number));
    }
    if (IsNameStart(c)) return ParseNameOrCall();
    Fail("쓸 수 없는 글자입니다");
  }

  static bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
  static bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }

  NodePtr ParseNameOrCall() {
    const size_t start = pos_;
    while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
    const std::string name = AsciiUpper(text_.substr(start, pos_ - start));
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == '(') {
      ++pos_;
      return ParseCall(name);
    }
    for (const DbfField& f : fields_) {
      if (!EqualsNoCase(f.name, name)) continue;
      inputs.emplace_back(f.offset, f.length);
      if (f.type == 'N' || f.type == 'F') return std::make_unique<FieldNumber>(f);
      if (f.type == 'L') return std::make_unique<FieldLogical>(f);
      return std::make_unique<FieldText>(f);
    }
    pos_ = start;  // the message points at the name, not past it
    Fail("그런 필드가 없습니다: " + name);
  }

  std::vector<NodePtr> Arguments() {
    std::vector<NodePtr> args;
    SkipBlanks();
    if (Accept(")")) return args;
    do {
      const Nesting nesting(*this);
      args.push_back(ParseOr());
    } while (Accept(","));
    Expect(")");
    return args;
  }

  long ConstantArgument(const NodePtr& node) {
    if (node->type != Type::Number || !node->IsConstant()) Fail("상수 숫자가 있어야 합니다");
    return WholeArgument(node->Num(nullptr));
  }

  NodePtr ParseCall(const std::string& name) {
    std::vector<NodePtr> args = Arguments();
    auto need = [&](size_t min, size_t max, Type first) {
      if (args.size() < min || args.size() > max) Fail(name + ": 인수의 개수가 맞지 않습니다");
      if (args[0]->type != first) Fail(name + ": 인수의 종류가 맞지 않습니다");
      for (size_t i = 1; i < args.size(); ++i) {
        if (args[i]->type != Type::Number) Fail(name + ": 숫자 인수가 있어야 합니다");
      }
    };
    if (name == "SUBSTR") {
      need(2, 3, Type::Text);
      return std::make_unique<SubStrNode>(std::move(args[0]), std::move(args[1]),
                                          args.size() > 2 ? std::move(args[2]) : nullptr);
    }
    if (name == "STR") {
      need(1, 3, Type::Number);
      const long length = args.size() > 1 ? ConstantArgument(args[1]) : 10;
      const long decimals = args.size() > 2 ? ConstantArgument(args[2]) : 0;
      if (length < 1 || length > 64 || decimals < 0 || decimals > 15) Fail("STR: 길이가 범위를 벗어납니다");
      return std::make_unique<StrNode>(std::move(args[0]), static_cast<int>(length), static_cast<int>(decimals));
    }
    if (name == "UPPER") {
      need(1, 1, Type::Text);
      return std::make_unique<UpperNode>(std::move(args[0]));
    }
    if (name == "TRIM" || name == "RTRIM") {
      need(1, 1, Type::Text);
      return std::make_unique<TrimNode>(std::move(args[0]));
    }
    Fail("그런 함수가 없습니다: " + name);
  }

  std::string_view text_;
  const std::vector<DbfField>& fields_;
  bool exact_;
  size_t pos_ = 0;
};

}  // namespace

Expression::~Expression() = default;

std::unique_ptr<Expression> Expression::Compile(std::string_view text, const std::vector<DbfField>& fields,
                                                bool exactCompare, std::string* error) {
  std::unique_ptr<Expression> e(new Expression());
  e->text_ = std::string(text);
  try {
    Parser parser(text, fields, exactCompare);
    e->root_ = parser.ParseAll();
    e->inputs_ = std::move(parser.inputs);
  } catch (const ParseError& failure) {
    if (error) *error = failure.message;
    return nullptr;
  }
  e->type_ = e->root_->type;
  e->width_ = e->root_->width;
  return e;
}

bool Expression::SameInputs(const char* a, const char* b) const {
  for (const auto& [offset, length] : inputs_) {
    if (std::memcmp(a + offset, b + offset, static_cast<size_t>(length)) != 0) return false;
  }
  return true;
}

bool Expression::IsTrue(const char* record) const { return root_->Bool(record); }
std::string_view Expression::TextOf(const char* record) const { return root_->Text(record); }
long double Expression::NumberOf(const char* record) const { return root_->Num(record); }

}  // namespace vak
