#pragma once
// The work of the rebuild-indexes window: for each log, drop its index
// file, pack away the rows marked deleted (one retry; a second failure
// leaves them and goes on), and build the full set of tags. Progress texts
// go to `progress` in order; pending window messages run between steps.

#include <functional>
#include <string_view>

#include "records/fax_records.h"

namespace telvane {

inline constexpr std::string_view kRebuildRemovingFax = "Removing FAX file records marked for deletion";
inline constexpr std::string_view kRebuildIndexingFax = "Rebuilding FAX file indexes";
inline constexpr std::string_view kRebuildRemovingReceived = "Removing Received FAX records marked for deletion";
inline constexpr std::string_view kRebuildIndexingReceived = "Rebuilding Received FAX indexes";
inline constexpr std::string_view kRebuildRemovingPhone = "Removing PHONE file records marked for deletion";
inline constexpr std::string_view kRebuildIndexingPhone = "Rebuilding PHONE file indexes";
inline constexpr std::string_view kRebuildRemovingCover = "Removing COVER file records marked for deletion";
inline constexpr std::string_view kRebuildIndexingCover = "Rebuilding COVER file indexes";

// True when every table that was rebuilt got all its tags. The outgoing
// and received logs are opened first when they are not open; the phone
// book and cover table are opened, rebuilt and closed.
bool RebuildIndexes(FaxRecords& records, const std::function<void(std::string_view)>& progress);

}  // namespace telvane
