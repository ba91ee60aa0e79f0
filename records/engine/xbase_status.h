#pragma once
// Status codes of the table engine: the database range 7001..7014 of the one
// status-code space. Codes are stored positive and reported negated (-7004);
// file errors of the operating system are reported as the runtime file
// errors of platform/io_errors.h (-2 "File not found"). The message table
// takes its texts for this range from XbaseStatusText.

#include <string_view>

namespace telvane {

namespace xbase_status {
inline constexpr int Ok = 0;
inline constexpr int First = 7001;
inline constexpr int NoTableInUse = 7001;        // no table open in the work area
inline constexpr int TableInUse = 7002;          // another program (or work area) holds the table
inline constexpr int NotATable = 7003;           // header not a FoxPro 2.x table, or damaged
inline constexpr int UnknownFieldType = 7004;    // a field type letter the engine does not know
inline constexpr int BadFieldDefinition = 7005;  // name, width or capacity out of range
inline constexpr int FieldNotFound = 7006;
inline constexpr int ExpressionSyntax = 7007;
inline constexpr int UnknownName = 7008;         // unknown field or function in an expression
inline constexpr int TypeMismatch = 7009;
inline constexpr int RecordOutOfRange = 7010;
inline constexpr int MemoDamaged = 7011;         // memo file missing, damaged, or pointer past its end
inline constexpr int IndexDamaged = 7012;        // compound index unreadable (rebuilt from the table)
inline constexpr int TagNotFound = 7013;
inline constexpr int WriteFailed = 7014;         // a write, pack or create could not complete
inline constexpr int Last = 7014;
}  // namespace xbase_status

// The text of a code of the range above (positive or negated), or "" when it
// is not one.
std::string_view XbaseStatusText(int code);

}  // namespace telvane
