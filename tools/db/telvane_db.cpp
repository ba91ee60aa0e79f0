// telvane-db: looks into Telvane's log tables for users and support.
//
//   telvane-db dump TABLE [--order TAG] [--filter EXPR] [--deleted] [--csv]
//   telvane-db check TABLE
//   telvane-db reindex DIR
//
// Exit status: 0 done (check: no problems), 1 failed or problems found,
// 2 wrong usage.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/program_directory.h"
#include "records/engine/table_check.h"
#include "records/engine/xbase_engine.h"
#include "records/engine/xbase_status.h"
#include "records/fax_records.h"
#include "records/rebuild_indexes.h"

namespace {

using namespace telvane;

constexpr const char* kHelp =
    "Usage: telvane-db COMMAND ARGUMENTS\n"
    "Looks into Telvane's log tables (TVN.DBF, TVNREC.DBF, TVNCOV.DBF, TVNPB.DBF).\n"
    "\n"
    "Commands:\n"
    "  dump TABLE [--order TAG] [--filter EXPR] [--deleted] [--csv]\n"
    "      Prints the rows of TABLE (a .DBF file), one per line.\n"
    "        --order TAG    in the order of index tag TAG (default: record order)\n"
    "        --filter EXPR  only rows for which the xBase expression EXPR is true,\n"
    "                       e.g. --filter 'DTOS(DATESENT)<\"20261208\"'\n"
    "        --deleted      include rows marked deleted (first column '*')\n"
    "        --csv          comma-separated values with memo texts, for spreadsheets\n"
    "  check TABLE\n"
    "      Verifies the table, its memo file (.FPT) and its index (.CDX) and lists\n"
    "      any problem found. Changes nothing.\n"
    "  reindex DIR\n"
    "      Packs the log tables in DIR and rebuilds all their indexes, as the\n"
    "      program's \"Rebuild Indexes\" command does. Telvane must not be running.\n"
    "  --help\n"
    "      Shows this text.\n";

int Usage(const std::string& problem) {
  std::fprintf(stderr, "telvane-db: %s\nTry 'telvane-db --help'.\n", problem.c_str());
  return 2;
}

std::string Trimmed(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::string MemoSize(size_t bytes) {
  char text[48];
  std::snprintf(text, sizeof text, "<%zu bytes>", bytes);
  return text;
}

std::string Csv(const std::string& value) {
  std::string out = "\"";
  for (char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

int Dump(const std::vector<std::string>& args) {
  std::string path, order, filter;
  bool deleted = false, csv = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--order" || a == "--filter") {
      if (i + 1 >= args.size()) return Usage(a + " needs a value");
      (a == "--order" ? order : filter) = args[++i];
    } else if (a == "--deleted") {
      deleted = true;
    } else if (a == "--csv") {
      csv = true;
    } else if (!a.empty() && a[0] == '-') {
      return Usage("unknown option " + a);
    } else if (path.empty()) {
      path = a;
    } else {
      return Usage("dump takes one table");
    }
  }
  if (path.empty()) return Usage("dump needs a table file");
  xbase::Engine engine;
  engine.SetDeleted(!deleted);
  const int area = engine.Use(path, "", xbase::kModeReadOnly, xbase::kTypeFox);
  if (area == 0) {
    std::fprintf(stderr, "telvane-db: %s\n", engine.lastError().c_str());
    return 1;
  }
  xbase::Table& t = *engine.Area(area);
  for (const std::string& note : t.openReport().notes) std::fprintf(stderr, "telvane-db: note: %s\n", note.c_str());
  if (!order.empty() && t.SetOrder(order) != 0) {
    std::fprintf(stderr, "telvane-db: %s (tags: ", t.lastError().c_str());
    for (const auto& n : t.TagNames()) std::fprintf(stderr, "%s ", n.c_str());
    std::fprintf(stderr, ")\n");
    return 1;
  }
  if (!filter.empty() && t.SetFilter(filter) != 0) {
    std::fprintf(stderr, "telvane-db: %s\n", t.lastError().c_str());
    return 1;
  }
  const auto& fields = t.fields();
  std::string line = csv ? "\"RECNO\",\"DELETED\"" : "RECNO   D";
  for (const auto& f : fields) {
    if (csv) {
      line += ',';
      line += Csv(f.name);
    } else {
      const size_t width = f.type == 'M' ? 12 : std::max<size_t>(f.length, f.name.size());
      std::string name = f.name;
      name.resize(width, ' ');
      line += " " + name;
    }
  }
  std::printf("%s\n", Trimmed(line).c_str());
  size_t rows = 0;
  for (uint32_t recno : t.VisibleRecords()) {
    const bool isDeleted = t.IsDeletedRecord(recno);
    char head[32];
    std::snprintf(head, sizeof head, csv ? "%u,\"%s\"" : "%-7u %s", recno, isDeleted ? "*" : (csv ? "" : " "));
    line = head;
    for (size_t i = 0; i < fields.size(); ++i) {
      std::string value = t.FieldText(recno, static_cast<int>(i));
      if (csv) {
        line += ',';
        line += Csv(fields[i].type == 'M' ? value : Trimmed(value));
      } else {
        if (fields[i].type == 'M') value = value.empty() ? std::string() : MemoSize(value.size());
        value.resize(std::max<size_t>(fields[i].type == 'M' ? 12 : fields[i].length, fields[i].name.size()), ' ');
        line += " " + value;
      }
    }
    std::printf("%s\n", csv ? line.c_str() : Trimmed(line).c_str());
    ++rows;
  }
  if (!csv) std::fprintf(stderr, "%zu rows\n", rows);
  return 0;
}

int Check(const std::vector<std::string>& args) {
  if (args.size() != 1) return Usage("check takes one table file");
  const xbase::TableCheckReport report = xbase::CheckTable(args[0]);
  for (const auto& fact : report.facts) std::printf("%s\n", fact.c_str());
  for (const auto& problem : report.problems) std::printf("PROBLEM: %s\n", problem.c_str());
  if (report.problems.empty()) std::printf("%s: no problems found\n", args[0].c_str());
  return report.problems.empty() ? 0 : 1;
}

int Reindex(const std::vector<std::string>& args) {
  if (args.size() != 1) return Usage("reindex takes one directory");
  const std::string dir = WithTrailingSeparator(args[0]);
  if (!FindFileNoCase(dir, "TVN.DBF") && !FindFileNoCase(dir, "TVNREC.DBF")) {
    std::fprintf(stderr, "telvane-db: no log tables (TVN.DBF, TVNREC.DBF) in %s\n", dir.c_str());
    return 1;
  }
  SetProgramDirectory(dir);
  FaxRecords records;
  if (!records.OpenFaxDBF() || !records.OpenRecFaxDBF()) {
    std::fprintf(stderr, "telvane-db: %s\n", records.lastError().c_str());
    return 1;
  }
  const bool ok = RebuildIndexes(records, [](std::string_view step) {
    std::printf("%.*s\n", static_cast<int>(step.size()), step.data());
    std::fflush(stdout);
  });
  if (!ok) {
    std::fprintf(stderr, "telvane-db: some indexes could not be rebuilt\n");
    return 1;
  }
  std::printf("Done\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage("missing command");
  const std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (command == "dump") return Dump(args);
  if (command == "check") return Check(args);
  if (command == "reindex") return Reindex(args);
  return Usage("unknown command '" + command + "'");
}
