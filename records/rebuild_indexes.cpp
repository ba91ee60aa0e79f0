#include "records/rebuild_indexes.h"

#include <cstdio>

#include "platform/pending_messages.h"
#include "platform/program_directory.h"

namespace telvane {

namespace {

void Show(const std::function<void(std::string_view)>& progress, std::string_view text) {
  if (progress) progress(text);
  ProcessPendingMessages();
}

// The index file beside a table: its file name without the last three
// characters, plus "CDX", in the program directory.
std::string IndexFileOf(std::string_view fileName) {
  const std::string stem(fileName.substr(0, fileName.size() >= 3 ? fileName.size() - 3 : 0));
  return JoinPath(ProgramDirectory(), stem + "CDX");
}

bool RebuildTable(RecordTable& table, const LogTableSchema& schema, std::string_view removing,
                  std::string_view indexing, bool announceAfterDrop,
                  const std::function<void(std::string_view)>& progress) {
  xbase::Table* t = table.table();
  if (!t) return false;
  table.Post();
  if (!announceAfterDrop) Show(progress, removing);
  t->CloseIndexes();
  std::remove(IndexFileOf(schema.fileName).c_str());
  if (announceAfterDrop) Show(progress, removing);
  if (t->Pack() != 0) t->Pack();  // one retry; a second failure leaves the marked rows
  Show(progress, indexing);
  bool ok = true;
  for (const LogTagSchema& tag : schema.rebuildTags)
    ok = t->IndexTag(tag.name, tag.key, tag.descending, kNotDeletedCondition) > 0 && ok;
  ok = t->SetOrder(schema.controllingTag) == 0 && ok;
  t->GoTop();
  ProcessPendingMessages();
  return ok;
}

}  // namespace

bool RebuildIndexes(FaxRecords& records, const std::function<void(std::string_view)>& progress) {
  bool ok = true;
  if (!records.FaxTable().IsOpen()) records.OpenFaxDBF();
  if (!records.RecTable().IsOpen()) records.OpenRecFaxDBF();
  ok = RebuildTable(records.FaxTable(), OutgoingLogSchema(), kRebuildRemovingFax, kRebuildIndexingFax, false,
                    progress) && ok;
  ok = RebuildTable(records.RecTable(), ReceivedLogSchema(), kRebuildRemovingReceived, kRebuildIndexingReceived, true,
                    progress) && ok;
  if (records.OpenPhoneDBF(records.PhoneTable())) {
    ok = RebuildTable(records.PhoneTable(), PhoneBookSchema(), kRebuildRemovingPhone, kRebuildIndexingPhone, false,
                      progress) && ok;
    records.PhoneTable().Close();
  }
  if (!records.OpenCoverDBF()) return false;
  ok = RebuildTable(records.CoverTable(), CoverTableSchema(), kRebuildRemovingCover, kRebuildIndexingCover, false,
                    progress) && ok;
  records.CoverTable().Close();
  return ok;
}

}  // namespace telvane
