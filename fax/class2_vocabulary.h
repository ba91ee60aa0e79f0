#pragma once
// The words of Class 2 (EIA-592) and Class 2.0 (T.32): the commands the
// engine sends and the reports it reads, one table per class, and the
// session parameters in T.32 order (VR,BR,WD,LN,DF,EC,BF,ST).

#include <string>
#include <string_view>

namespace telvane {

struct Class2Vocabulary {
  bool class20;
  std::string_view selectClass;    // AT+FCLASS=2 / AT+FCLASS=2.0
  std::string_view localId;        // AT+FLID= / AT+FLI=
  std::string_view sendParams;     // AT+FDIS= / AT+FIS=
  std::string_view receiveCaps;    // AT+FDCC= / AT+FCC=
  std::string_view terminate;      // AT+FK (EIA-592 8.3.5) / AT+FKS (T.32 8.3.5)
  std::string_view connectReport;  // FCON / FCO
  std::string_view remoteCaps;     // FDIS / FIS
  std::string_view sessionReport;  // FDCS / FCS
  std::string_view senderId;       // FTSI / FTI
  std::string_view calledId;       // FCSI / FCI
  std::string_view pageStatus;     // FPTS / FPS
  std::string_view hangup;         // FHNG / FHS
};

const Class2Vocabulary& Class2Words(bool class20);

// The BR code of a bit rate: 2400 0, 4800 1, 7200 2, 9600 3, 12000 4,
// 14400 5 (anything else 3).
int Class2RateCode(int bps);

// A parameter report's value ("1,5,0,2,0,0,0,0"; values may be hex digits
// in 2.0): resolution, rate, width, error correction and scan time.
struct Class2Params {
  bool valid = false;
  bool fine = false;
  int rateIndex = 4;   // 1..6 as the engine counts rates
  bool wide = false;
  bool ecm = false;
  int scanCode = 0;    // 0..7
};
Class2Params ParseClass2Params(std::string_view value);

// "AT+FDIS=VR,BR,WD,2,0,EC,0,0" for a fax about to be sent.
std::string SendParamsCommand(const Class2Vocabulary& words, bool fine, int desiredBps, bool wide, bool ecm);
// "AT+FDCC=1,BR,0,2,0,EC,0,0" for receiving.
std::string ReceiveCapsCommand(const Class2Vocabulary& words, int desiredBps, bool ecm);

// The first value of a page status report ("1,0,0,0" → 1); -1 if none.
int FirstReportValue(std::string_view value);

// What a hang-up code means (T.32 Table 24, EIA-592), "" when unknown.
// Codes are compared as text: Class 2.0's A0..A3 are Class 2's 100..103.
std::string_view HangupCodeMeaning(std::string_view code);
// Whether a hang-up code is the normal end of a call ("0", "00").
bool IsNormalHangup(std::string_view code);

}  // namespace telvane
