#include "records/log_schemas.h"

namespace telvane {

namespace {

constexpr LogFieldSchema kOutgoingFields[] = {
    {"SUBJECT", 'C', 50, 0},   {"SENT", 'L', 1, 0},      {"DATESENT", 'D', 8, 0},
    {"TIMESENT", 'C', 5, 0},   {"RECIPIENT", 'C', 35, 0}, {"PHONE", 'C', 25, 0},
    {"PAGES", 'N', 2, 0},      {"LASTRESULT", 'C', 100, 0}, {"RTFCOVER", 'M', 10, 0},
    {"RTFDOC", 'M', 10, 0},
};

// DATESENT keeps the time in its key after a rebuild too: on the date alone
// the faxes of one day would list in no time order, and the log is read
// newest first.
constexpr LogTagSchema kOutgoingTags[] = {
    {"DATESENT", "DTOS(DATESENT)+TIMESENT", true},
    {"DATEND", "DTOS(DATESENT)+TIMESENT", false},
    {"SUBJECT", "UPPER(SUBJECT)", false},
    {"RECIPIENT", "UPPER(RECIPIENT)", false},
};

constexpr LogFieldSchema kReceivedFields[] = {
    {"DATEREC", 'D', 8, 0}, {"TIMEREC", 'C', 5, 0},  {"FROM", 'C', 20, 0},
    {"PAGES", 'N', 2, 0},   {"FAXFILE", 'C', 12, 0}, {"NOTES", 'C', 60, 0},
};

constexpr LogTagSchema kReceivedTags[] = {
    {"DATETIME", "DTOS(DATEREC)+TIMEREC", true},
    {"DATEND", "DTOS(DATEREC)+TIMEREC", false},
    {"FROM", "UPPER(FROM)", true},
};

constexpr LogFieldSchema kCoverFields[] = {{"DESCRIPT", 'C', 35, 0}, {"COVER", 'M', 10, 0}};
constexpr LogTagSchema kCoverTags[] = {{"DESCRIPT", "DESCRIPT", false}};

constexpr LogFieldSchema kPhoneFields[] = {{"NAME", 'C', 35, 0}, {"PHONE", 'C', 25, 0}};
constexpr LogTagSchema kPhoneTags[] = {{"NAME", "UPPER(NAME)", false}};

const LogTableSchema kOutgoing{"TVN.DBF", 11, kOutgoingFields, {"DATESENT", "DTOS(DATESENT)+TIMESENT", true},
                             kOutgoingTags, "DATESENT"};
const LogTableSchema kReceived{"TVNREC.DBF", 6, kReceivedFields, kReceivedTags[0], kReceivedTags, "DATETIME"};
const LogTableSchema kCover{"TVNCOV.DBF", 2, kCoverFields, kCoverTags[0], kCoverTags, "DESCRIPT"};
const LogTableSchema kPhone{"TVNPB.DBF", 2, kPhoneFields, kPhoneTags[0], kPhoneTags, "NAME"};

}  // namespace

const LogTableSchema& OutgoingLogSchema() { return kOutgoing; }
const LogTableSchema& ReceivedLogSchema() { return kReceived; }
const LogTableSchema& CoverTableSchema() { return kCover; }
const LogTableSchema& PhoneBookSchema() { return kPhone; }

}  // namespace telvane
