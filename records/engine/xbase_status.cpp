#include "records/engine/xbase_status.h"

#include <cstdlib>

namespace telvane {

std::string_view XbaseStatusText(int code) {
  switch (std::abs(code)) {
    case xbase_status::NoTableInUse: return "No table is open in this work area";
    case xbase_status::TableInUse: return "The table is in use by another program";
    case xbase_status::NotATable: return "The file is not a table or its header is damaged";
    case xbase_status::UnknownFieldType: return "The table has a field of an unknown type";
    case xbase_status::BadFieldDefinition: return "Invalid field definition";
    case xbase_status::FieldNotFound: return "Field not found";
    case xbase_status::ExpressionSyntax: return "Syntax error in expression";
    case xbase_status::UnknownName: return "Unknown field or function in expression";
    case xbase_status::TypeMismatch: return "Data type mismatch";
    case xbase_status::RecordOutOfRange: return "Record is out of range";
    case xbase_status::MemoDamaged: return "The memo file is missing or damaged";
    case xbase_status::IndexDamaged: return "The index file is damaged";
    case xbase_status::TagNotFound: return "Index tag not found";
    case xbase_status::WriteFailed: return "The table could not be written";
    default: return "";
  }
}

}  // namespace telvane
