#pragma once
// The log tables as the main window owns them: the engine with deleted
// rows hidden, the outgoing and received logs, the cover templates and the
// phone book, and the operations on them: opening (creating a missing
// table and a missing index), creating, reopening without losing the row,
// memo transfer to and from rich text controls, and the calculated fields.
// Every operation returns true on success and false on any failure.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rich_text.h"
#include "records/engine/xbase_engine.h"
#include "records/log_schemas.h"
#include "records/record_table.h"

namespace telvane {

// The calculated fields of a log row.
struct LogCalcFields {
  std::string SentYesNo;  // "Yes" or "No " (outgoing log only)
  std::string ISDELETED;  // "Yes" or "No "
};

// "Yes" / "No " (with the trailing blank) as the grids show them.
std::string_view YesNoText(bool value);

class FaxRecords {
public:
  FaxRecords();
  ~FaxRecords();
  FaxRecords(const FaxRecords&) = delete;
  FaxRecords& operator=(const FaxRecords&) = delete;

  xbase::Engine& engine() { return engine_; }
  RecordTable& FaxTable() { return fax_; }
  RecordTable& RecTable() { return rec_; }
  RecordTable& CoverTable() { return cover_; }
  RecordTable& PhoneTable() { return phone_; }

  bool OpenFaxDBF();
  bool OpenRecFaxDBF();
  bool OpenCoverDBF();
  // The phone book on a table component given by the caller (its own, or
  // PhoneTable()); it must belong to engine().
  bool OpenPhoneDBF(RecordTable& table);

  bool MakeFaxDBF();
  bool MakeRecFaxDBF();
  bool MakeCoverDBF();
  bool MakePhoneDBF();

  bool FaxTableCloseAndOpen();
  bool RecTableCloseAndOpen();

  // Memo field of the table's current row into a rich text control through
  // ProgramDirectory() + "Eraseme.rtf", and back. SaveRichText needs the
  // row in insert or edit state.
  bool LoadRichText(RichTextControl& richText, std::string_view memoField, RecordTable& table);
  bool SaveRichText(RichTextControl& richText, std::string_view memoField, RecordTable& table);

  // Calculated fields of the current row, or of any row by record number.
  static LogCalcFields FaxTableCalcFields(RecordTable& table);
  static LogCalcFields RecTableCalcFields(RecordTable& table);
  static LogCalcFields CalcFieldsOf(xbase::Table& table, uint32_t recno);

  // The log lacks the tag a complete rebuild makes ("DATEND").
  static bool LacksCompleteIndex(RecordTable& table);

  // Generic forms used by the above and by the index rebuild.
  bool OpenTable(RecordTable& table, const LogTableSchema& schema);
  bool MakeTable(const LogTableSchema& schema);
  bool CloseAndOpen(RecordTable& table);

  const std::string& lastError() const { return error_; }

private:
  bool Fail(std::string text);

  xbase::Engine engine_;
  RecordTable fax_{engine_};
  RecordTable rec_{engine_};
  RecordTable cover_{engine_};
  RecordTable phone_{engine_};
  std::string error_;
};

// The file that carries rich text between memos and controls.
inline constexpr std::string_view kRichTextTransferFile = "Eraseme.rtf";

}  // namespace telvane
