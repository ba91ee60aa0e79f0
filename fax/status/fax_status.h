#pragma once
// The fax status display component and the display-independent half of its
// window: the texts of every field, the elapsed-time clock of the
// connection and the countdown while waiting to redial.
//
// A fax component calls UpdateDisplay on the UI thread for each status
// notification: First on the first one of a fax, Last on the last one.
// TKovaAbstractFaxStatus owns no window itself; fax/qt/ supplies one.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fax/status/fax_status_source.h"

namespace telvane {

// Status codes that drive the clocks (message-table fax status rows).
inline constexpr int fsBusyWaitingToRedial = 4803;
inline constexpr int fsGotClass2Hangup = 4828;
inline constexpr int fsGettingConnectionParams = 4840;
inline constexpr int fsGotCalledStationId = 4841;
inline constexpr int fsUserAbort = 4842;
inline constexpr int fsFinished = 4843;

// Names longer than this are cut and get "..." appended.
inline constexpr size_t MaxShownFileNameChars = 20;

// ---- field texts

// The name without its directory, cut to 20 characters (UTF-8 code points,
// so a name is never cut inside a character) with "..." when longer.
std::string ShownFileName(std::string_view path);
// Minutes, a colon and two-digit seconds, right-aligned in six characters
// ("  1:05"); longer when the minutes need more than three digits.
std::string MinutesSecondsText(int64_t seconds);
inline const char* ResolutionText(bool fine) { return fine ? "high" : "standard"; }
inline const char* WidthText(bool wide) { return wide ? "2048" : "1728"; }
inline const char* OnOffText(bool on) { return on ? "on" : "off"; }
// Bytes transferred as a percentage of the page length: 0 for an unknown
// (0) length, never outside 0..100.
int PageProgressPercent(long bytesTransferred, long pageLength);

// What the window shows, one text per value field.
struct FaxStatusFields {
  std::string phoneNumber;
  std::string faxFileName;
  std::string coverFileName;
  std::string totalPages;
  std::string dialAttempt;
  std::string remoteId;
  std::string connectBps;
  std::string resolution;
  std::string width;
  std::string errorControl;
  std::string currentPage;
  std::string pageLength;
  std::string bytesTransferred;
  std::string elapsedTime;
  std::string statusMsg;
  int progressPercent = 0;
  bool receiving = false;  // the progress bar is hidden while receiving
};

// The state the window keeps between updates: when the connection began
// and when it ended, and when the redial wait began. Times are
// milliseconds of the clock seam, passed in so tests need no clock.
class FaxStatusModel {
public:
  // Forgets both clocks: a new fax begins.
  void Reset();
  // Steps the clocks with `info.status` and returns the texts to show.
  FaxStatusFields Update(const FaxStatusInfo& info, uint64_t nowMs);

  bool ElapsedRunning() const { return connectedAt_.has_value() && !endedAt_.has_value(); }
  bool CountdownRunning() const { return redialWaitFrom_.has_value(); }

private:
  void StepClocks(int status, int dialRetryWaitSeconds, uint64_t nowMs);
  std::string ElapsedText(uint64_t nowMs) const;
  std::string StatusText(int status, uint64_t nowMs) const;

  std::optional<int> lastStatus_;
  std::optional<uint64_t> connectedAt_;
  std::optional<uint64_t> endedAt_;
  std::optional<uint64_t> redialWaitFrom_;
  int redialWaitSeconds_ = 0;
};

// Window position, as the window framework's position setting. The status
// window honours the centring ones; the others leave it where the window
// system puts it.
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};

class TKovaAbstractFaxStatus {
public:
  TKovaAbstractFaxStatus() = default;
  virtual ~TKovaAbstractFaxStatus() = default;
  TKovaAbstractFaxStatus(const TKovaAbstractFaxStatus&) = delete;
  TKovaAbstractFaxStatus& operator=(const TKovaAbstractFaxStatus&) = delete;

  // ---- properties
  TPosition Position() const { return position_; }
  void SetPosition(TPosition v) { position_ = v; }
  // Kept for the component's published interface; Qt draws its own frames.
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool v) { ctl3D_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  FaxStatusSource* Fax() const { return fax_; }
  void SetFax(FaxStatusSource* v) { fax_ = v; }
  // The window's title; a display takes it when a fax begins.
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string v) { caption_ = std::move(v); }

  // ---- the display
  virtual void CreateDisplay() = 0;
  virtual void DestroyDisplay() = 0;
  // First: attach to Fax, show and fill. Last: hide, nothing else.
  // Otherwise refresh every field.
  virtual void UpdateDisplay(bool first, bool last) = 0;

protected:
  // Shows or hides the window; Visible follows. No window here.
  virtual void ShowDisplay(bool /*show*/) {}
  // For displays that change visibility themselves.
  void NoteVisible(bool v) { visible_ = v; }
  // Forgets the clocks of the previous fax.
  void ResetModel() { model_.Reset(); }
  // Steps the model with Fax's progress at the clock seam's time; an
  // unassigned Fax reads as an idle one.
  FaxStatusFields CurrentFields();

private:
  FaxStatusModel model_;
  TPosition position_ = poScreenCenter;
  bool ctl3D_ = true;
  bool visible_ = false;
  FaxStatusSource* fax_ = nullptr;
  std::string caption_ = "Fax Status";
};

}  // namespace telvane
