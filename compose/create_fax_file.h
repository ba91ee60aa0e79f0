#pragma once
// CreateFaxFile: turns the current row of the outgoing log (its cover and
// document memos) into one fax image file in the program directory, page by
// page, for viewing, printing and sending. The caller deletes the file.

#include <QString>
#include <functional>
#include <string>

namespace telvane {

class FaxPageSource;
class FaxRecords;
class TWPRichText;

// How the main window follows the work: its status panel text ("" clears
// it) and its button bar, disabled meanwhile so no second command starts.
struct FaxFileFeedback {
  std::function<void(const QString& text)> showStatus;
  std::function<void(bool enabled)> enableButtons;
};

inline constexpr const char* kNoFaxContentsMessage = "Fax has no contents or cover sheet";

// Renders the cover's pages, then the document's, into page files and
// joins them into the first. Returns its full path, or "" (after telling the
// user) when both are empty. `pageCount` is set to the pages made.
// Converter and joining errors are raised as the image exceptions; the
// cursor, status and buttons are restored either way.
std::string CreateFaxFileFromSources(FaxPageSource& cover, FaxPageSource& document, int screenDpi,
                                     const FaxFileFeedback& feedback, int& pageCount);

// The same on the current row of records.FaxTable(): RTFCOVER is loaded
// into `cover` and RTFDOC into `document` (the main window's hidden
// controls) first. `lastFaxPageCount` is the main window's LastFaxPageCount.
std::string CreateFaxFile(FaxRecords& records, TWPRichText& cover, TWPRichText& document, int screenDpi,
                          const FaxFileFeedback& feedback, int& lastFaxPageCount);

}  // namespace telvane
