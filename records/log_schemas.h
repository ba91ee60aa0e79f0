#pragma once
// The four log tables: file names, fields in their order, index tags with
// key expressions, and the orders their views use.

#include <span>
#include <string_view>

namespace telvane {

struct LogFieldSchema {
  std::string_view name;
  char type;
  int width;
  int decimals;
};

struct LogTagSchema {
  std::string_view name;
  std::string_view key;
  bool descending;
};

struct LogTableSchema {
  std::string_view fileName;        // in the program directory
  int fieldCapacity;                // room asked for at creation
  std::span<const LogFieldSchema> fields;
  LogTagSchema primaryTag;            // made when the index file is missing
  std::span<const LogTagSchema> rebuildTags;  // made by a rebuild, in this order
  std::string_view controllingTag;  // the order a rebuild leaves
};

// Every tag and every view carries this condition.
inline constexpr std::string_view kNotDeletedCondition = ".not. deleted()";
// The tag whose presence marks a complete rebuild of a log's index.
inline constexpr std::string_view kCompleteIndexMarkerTag = "DATEND";

const LogTableSchema& OutgoingLogSchema();  // "TVN.DBF"
const LogTableSchema& ReceivedLogSchema();  // "TVNREC.DBF"
const LogTableSchema& CoverTableSchema();   // "TVNCOV.DBF"
const LogTableSchema& PhoneBookSchema();    // "TVNPB.DBF"

}  // namespace telvane
