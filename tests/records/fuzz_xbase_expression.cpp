// Hostile expression text: compiling against the outgoing log's fields and
// evaluating on a blank and a garbage row must never crash or hang.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "records/engine/dbf_file.h"
#include "records/engine/expression.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace telvane::xbase;
  static const std::vector<FieldDef> fields = [] {
    std::vector<FieldDef> f = {{"SUBJECT", 'C', 0, 50, 0}, {"SENT", 'L', 0, 1, 0},   {"DATESENT", 'D', 0, 8, 0},
                               {"TIMESENT", 'C', 0, 5, 0}, {"PAGES", 'N', 0, 2, 0}, {"RTFDOC", 'M', 0, 10, 0}};
    std::string error;
    BuildDbfHeader(f, 0, error);
    return f;
  }();
  const std::string text(reinterpret_cast<const char*>(data), size);
  Expression e;
  std::string error;
  if (Expression::Compile(text, fields, e, error) != 0) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  std::string record(1 + 50 + 1 + 8 + 5 + 2 + 10, ' ');
  EvalRow row;
  row.record = record.data();
  row.recno = 1;
  Value v;
  e.Evaluate(row, v);
  for (size_t i = 0; i < record.size(); ++i) record[i] = static_cast<char>(data[i % (size ? size : 1)] ^ i);
  e.Evaluate(row, v);
  (void)e.EvaluateLogical(row);
  return 0;
}
