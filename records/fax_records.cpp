#include "records/fax_records.h"

#include <cstdio>

#include "platform/file_helpers.h"
#include "platform/pending_messages.h"
#include "platform/program_directory.h"

namespace telvane {

namespace {
constexpr int kSystemProperty1009 = 1009;
}

std::string_view YesNoText(bool value) { return value ? "Yes" : "No "; }

FaxRecords::FaxRecords() {
  engine_.SetDeleted(true);
  engine_.SysProp(kSystemProperty1009, 0);
}

FaxRecords::~FaxRecords() {
  fax_.Close();
  rec_.Close();
  cover_.Close();
  phone_.Close();
}

bool FaxRecords::Fail(std::string text) {
  error_ = std::move(text);
  return false;
}

bool FaxRecords::MakeTable(const LogTableSchema& schema) {
  const std::string path = JoinPath(ProgramDirectory(), schema.fileName);
  if (engine_.CreateNew(path, "XXXXXXXXXX", xbase::kTypeFox, schema.fieldCapacity) != 0)
    return Fail(engine_.lastError());
  for (const LogFieldSchema& f : schema.fields)
    if (engine_.CreateField(f.name, f.type, f.width, f.decimals) != 0) return Fail(engine_.lastError());
  if (engine_.CreateExec() != 0) return Fail(engine_.lastError());
  return FileExists(path) ? true : Fail(path + " was not created");
}

bool FaxRecords::MakeFaxDBF() { return MakeTable(OutgoingLogSchema()); }
bool FaxRecords::MakeRecFaxDBF() { return MakeTable(ReceivedLogSchema()); }
bool FaxRecords::MakeCoverDBF() { return MakeTable(CoverTableSchema()); }
bool FaxRecords::MakePhoneDBF() { return MakeTable(PhoneBookSchema()); }

bool FaxRecords::OpenTable(RecordTable& table, const LogTableSchema& schema) {
  table.SetFile(ProgramDirectory(), schema.fileName);
  if (!FileExists(table.filePath()) && !MakeTable(schema)) return false;
  table.Close();
  // The query is set again below, after the index is in place.
  table.Query("");
  if (!table.Open()) return Fail(table.lastError());
  xbase::Table* t = table.table();
  // A missing index file is recreated with the primary tag; so is an index
  // that lost it (an unreadable file set aside by the engine).
  if (!FileExists(t->indexPath()) || t->TagNumber(schema.primaryTag.name) == 0) {
    if (t->IndexTag(schema.primaryTag.name, schema.primaryTag.key, schema.primaryTag.descending, kNotDeletedCondition) < 0)
      return Fail(t->lastError());
  }
  if (&schema == &OutgoingLogSchema() && t->GoTop() != 0) return Fail(t->lastError());
  if ((&schema == &CoverTableSchema() || &schema == &PhoneBookSchema()) && t->SetOrder(schema.controllingTag) != 0)
    return Fail(t->lastError());
  if (!table.Query(kNotDeletedCondition)) return Fail(table.lastError());
  if (&schema == &OutgoingLogSchema()) table.Refresh();
  return true;
}

bool FaxRecords::OpenFaxDBF() { return OpenTable(fax_, OutgoingLogSchema()); }
bool FaxRecords::OpenRecFaxDBF() { return OpenTable(rec_, ReceivedLogSchema()); }
bool FaxRecords::OpenCoverDBF() { return OpenTable(cover_, CoverTableSchema()); }
bool FaxRecords::OpenPhoneDBF(RecordTable& table) {
  if (&table.engine() != &engine_) return Fail("the phone table belongs to another engine");
  return OpenTable(table, PhoneBookSchema());
}

bool FaxRecords::CloseAndOpen(RecordTable& table) {
  xbase::Table* t = table.table();
  const uint32_t recno = t ? t->RecNo() : 0;
  const std::string order = t ? t->OrderName() : "";
  table.SuspendViews();
  table.Close();
  ProcessPendingMessages();
  const bool opened = table.Open() && table.Query(kNotDeletedCondition);
  if (opened) {
    t = table.table();
    if (!order.empty()) t->SetOrder(order);
    t->Go(recno);  // a row that no longer exists is no failure
  }
  table.ResumeViews();
  table.Refresh();
  return opened ? true : Fail(table.lastError());
}

bool FaxRecords::FaxTableCloseAndOpen() { return CloseAndOpen(fax_); }
bool FaxRecords::RecTableCloseAndOpen() { return CloseAndOpen(rec_); }

bool FaxRecords::LoadRichText(RichTextControl& richText, std::string_view memoField, RecordTable& table) {
  richText.Clear();
  xbase::Table* t = table.table();
  const std::string path = JoinPath(ProgramDirectory(), kRichTextTransferFile);
  // An empty or unreadable memo exports nothing; a transfer file left by an
  // earlier save must not survive to be mistaken for this row's text.
  if (!t || t->MemoToFile(memoField, path) != 0) {
    std::remove(path.c_str());
    return Fail(t ? t->lastError() : "the table is not open");
  }
  const bool loaded = richText.LoadFromRtfFile(path);
  if (loaded) richText.Reformat();
  std::remove(path.c_str());
  return loaded ? true : Fail("cannot load " + path);
}

bool FaxRecords::SaveRichText(RichTextControl& richText, std::string_view memoField, RecordTable& table) {
  xbase::Table* t = table.table();
  if (!t) return Fail("the table is not open");
  if (table.state() != RecordTable::State::Insert && table.state() != RecordTable::State::Edit)
    return Fail("the row is not being edited");
  const std::string path = JoinPath(ProgramDirectory(), kRichTextTransferFile);
  if (!richText.SaveToRtfFile(path)) return Fail("cannot save the rich text to " + path);
  return t->MemoFromFile(memoField, path) == 0 ? true : Fail(t->lastError());
}

LogCalcFields FaxRecords::CalcFieldsOf(xbase::Table& table, uint32_t recno) {
  LogCalcFields out;
  out.ISDELETED = YesNoText(table.IsDeletedRecord(recno));
  const int sent = table.FieldIndex("SENT");
  if (sent >= 0) {
    const auto v = table.FieldValue(recno, sent);
    out.SentYesNo = YesNoText(v && v->logical);
  }
  return out;
}

LogCalcFields FaxRecords::FaxTableCalcFields(RecordTable& table) {
  xbase::Table* t = table.table();
  if (!t || t->Eof()) return {std::string(YesNoText(false)), std::string(YesNoText(false))};
  return {std::string(YesNoText(t->GetLogical("SENT"))), std::string(YesNoText(t->Deleted()))};
}

LogCalcFields FaxRecords::RecTableCalcFields(RecordTable& table) {
  xbase::Table* t = table.table();
  LogCalcFields out;
  out.ISDELETED = YesNoText(t && !t->Eof() && t->Deleted());
  return out;
}

bool FaxRecords::LacksCompleteIndex(RecordTable& table) {
  xbase::Table* t = table.table();
  return !t || t->TagNumber(kCompleteIndexMarkerTag) == 0;
}

}  // namespace telvane
