#include "records/log_schemas.h"

namespace telvane {

namespace {

constexpr LogFieldSpec kOutgoingFields[] = {
    {"SUBJECT", 'C', 50, 0},   {"SENT", 'L', 1, 0},      {"DATESENT", 'D', 8, 0},
    {"TIMESENT", 'C', 5, 0},   {"RECIPIENT", 'C', 35, 0}, {"PHONE", 'C', 25, 0},
    {"PAGES", 'N', 2, 0},      {"LASTRESULT", 'C', 100, 0}, {"RTFCOVER", 'M', 10, 0},
    {"RTFDOC", 'M', 10, 0},
};

// DATESENT keeps the time in its key after a rebuild too: on the date alone
// the faxes of one day would list in no time order, and the log is read
// newest first.
constexpr LogTagSpec kOutgoingTags[] = {
    {"DATESENT", "DTOS(DATESENT)+TIMESENT", true},
    {"DATEND", "DTOS(DATESENT)+TIMESENT", false},
    {"SUBJECT", "UPPER(SUBJECT)", false},
    {"RECIPIENT", "UPPER(RECIPIENT)", false},
};

constexpr LogFieldSpec kReceivedFields[] = {
    {"DATEREC", 'D', 8, 0}, {"TIMEREC", 'C', 5, 0},  {"FROM", 'C', 20, 0},
    {"PAGES", 'N', 2, 0},   {"FAXFILE", 'C', 12, 0}, {"NOTES", 'C', 60, 0},
};

constexpr LogTagSpec kReceivedTags[] = {
    {"DATETIME", "DTOS(DATEREC)+TIMEREC", true},
    {"DATEND", "DTOS(DATEREC)+TIMEREC", false},
    {"FROM", "UPPER(FROM)", true},
};

constexpr LogFieldSpec kCoverFields[] = {{"DESCRIPT", 'C', 35, 0}, {"COVER", 'M', 10, 0}};
constexpr LogTagSpec kCoverTags[] = {{"DESCRIPT", "DESCRIPT", false}};

constexpr LogFieldSpec kPhoneFields[] = {{"NAME", 'C', 35, 0}, {"PHONE", 'C', 25, 0}};
constexpr LogTagSpec kPhoneTags[] = {{"NAME", "UPPER(NAME)", false}};

const LogTableSpec kOutgoing{"TVN.DBF", 11, kOutgoingFields, {"DATESENT", "DTOS(DATESENT)+TIMESENT", true},
                             kOutgoingTags, "DATESENT"};
const LogTableSpec kReceived{"TVNREC.DBF", 6, kReceivedFields, kReceivedTags[0], kReceivedTags, "DATETIME"};
const LogTableSpec kCover{"TVNCOV.DBF", 2, kCoverFields, kCoverTags[0], kCoverTags, "DESCRIPT"};
const LogTableSpec kPhone{"TVNPB.DBF", 2, kPhoneFields, kPhoneTags[0], kPhoneTags, "NAME"};

}  // namespace

const LogTableSpec& OutgoingLogSpec() { return kOutgoing; }
const LogTableSpec& ReceivedLogSpec() { return kReceived; }
const LogTableSpec& CoverTableSpec() { return kCover; }
const LogTableSpec& PhoneBookSpec() { return kPhone; }

}  // namespace telvane
