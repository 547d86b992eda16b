// xBase expressions over a record: index keys ("F_PART + str(F_Seq,6)") and queries
// (SubStr(F_REMK,12,1)="*" .and. F_PART="U1"). Compiled once, evaluated per record without
// allocating.
//
// The language: field names (any case), string literals in double or single quotes, numbers,
// SubStr(s, start[, length]), Str(n[, length[, decimals]]), Upper(s), Trim(s)/RTrim(s),
// "+" (joins texts, adds numbers), "-" on numbers, comparisons = == <> # != < <= > >=,
// .and. .or. .not. (and "!"), parentheses.
//
// Text comparison with "=": with exact comparison on, trailing blanks of both sides are
// ignored and otherwise the texts must be equal; with it off, the left text need only begin
// with the right one. "==" compares the texts exactly.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/DbfFile.h"

namespace vak {

class ExprNode;

class Expression {
 public:
  enum class Type { Text, Number, Logical };

  // nullptr with `error` set when the text is not a valid expression over these fields.
  static std::unique_ptr<Expression> Compile(std::string_view text, const std::vector<DbfField>& fields,
                                             bool exactCompare, std::string* error = nullptr);
  ~Expression();

  Type type() const { return type_; }
  const std::string& text() const { return text_; }
  // The fixed width of a text expression (its key length).
  int width() const { return width_; }

  // Whether two record images agree on every field the expression reads (then it gives the
  // same result for both).
  bool SameInputs(const char* a, const char* b) const;

  bool IsTrue(const char* record) const;
  // A text result; the view stays valid until the next evaluation.
  std::string_view TextOf(const char* record) const;
  long double NumberOf(const char* record) const;

 private:
  Expression() = default;
  std::unique_ptr<ExprNode> root_;
  Type type_ = Type::Logical;
  std::string text_;
  int width_ = 0;
  std::vector<std::pair<int, int>> inputs_;  // offset and length of each field read
};

}  // namespace vak
