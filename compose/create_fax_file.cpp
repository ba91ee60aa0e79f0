#include "compose/create_fax_file.h"

#include <QApplication>
#include <vector>

#include "compose/fax_page_renderer.h"
#include "compose/fax_page_source.h"
#include "compose/rich_text_page_source.h"
#include "faximage/apf_join.h"
#include "faximage/image_exceptions.h"
#include "platform/pending_messages.h"
#include "platform/program_directory.h"
#include "platform/prompts.h"
#include "records/fax_records.h"
#include "richtext/wp_rich_text.h"

namespace telvane {
namespace {

// Busy cursor and a disabled button bar while it lives; the normal cursor,
// the buttons and an empty status come back however the work ends, so an
// error box does not leave the main window unusable.
class BusyScope {
public:
  explicit BusyScope(const FaxFileFeedback& feedback) : feedback_(feedback) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (feedback_.enableButtons) feedback_.enableButtons(false);
  }
  ~BusyScope() { end(); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

  void status(const char* text) const {
    if (feedback_.showStatus) feedback_.showStatus(QString::fromLatin1(text));
    ProcessPendingMessages();
  }

  void end() {
    if (ended_) return;
    ended_ = true;
    QApplication::restoreOverrideCursor();
    if (feedback_.enableButtons) feedback_.enableButtons(true);
    if (feedback_.showStatus) feedback_.showStatus(QString());
  }

private:
  const FaxFileFeedback& feedback_;
  bool ended_ = false;
};

}  // namespace

std::string CreateFaxFileFromSources(FaxPageSource& cover, FaxPageSource& document, int screenDpi,
                                     const FaxFileFeedback& feedback, int& pageCount) {
  BusyScope busy(feedback);
  busy.status("Creating fax file");
  const bool coverEmpty = IsFaxSourceEmpty(cover);
  const bool documentEmpty = IsFaxSourceEmpty(document);
  if (coverEmpty && documentEmpty) {
    busy.end();
    ShowInformation(kNoFaxContentsMessage);
    return {};
  }

  std::vector<std::string> files;
  busy.status("Creating fax file....");
  const std::string directory = ProgramDirectory();
  if (!coverEmpty) RenderFaxPages(cover, files, screenDpi, directory);
  if (!documentEmpty) RenderFaxPages(document, files, screenDpi, directory);
  pageCount = static_cast<int>(files.size());

  busy.status("Creating fax file........");
  RaiseImageError(JoinPageFiles(files));
  return files.front();
}

std::string CreateFaxFile(FaxRecords& records, TWPRichText& cover, TWPRichText& document, int screenDpi,
                          const FaxFileFeedback& feedback, int& lastFaxPageCount) {
  // An empty or unreadable memo leaves its control empty.
  cover.Clear();
  document.Clear();
  records.LoadRichText(cover, "RTFCOVER", records.FaxTable());
  records.LoadRichText(document, "RTFDOC", records.FaxTable());
  RichTextPageSource coverPages(cover), documentPages(document);
  return CreateFaxFileFromSources(coverPages, documentPages, screenDpi, feedback, lastFaxPageCount);
}

}  // namespace telvane
