#include "fax/t30/response_collector.h"

namespace telvane::t30 {
namespace {
constexpr uint8_t kDle = 0x10;
constexpr uint8_t kEtx = 0x03;
constexpr uint8_t kSub = 0x1A;  // T.31 8.5 "double escape": two data DLEs
constexpr uint8_t kCr = 0x0D;
constexpr uint8_t kLf = 0x0A;
constexpr uint8_t kDel = 0x7F;
}  // namespace

void ResponseCollector::reset() {
  frameMode_ = false;
  afterDle_ = false;
  partialLine_.clear();
  partialTruncated_ = false;
  partialFrame_.clear();
  partialOverlong_ = false;
}

void ResponseCollector::expectFrame() {
  reset();
  frameMode_ = true;
}

ResponseCollector::Event ResponseCollector::feed(uint8_t byte) {
  if (frameMode_) {
    if (!afterDle_) {
      if (byte == kDle) {
        afterDle_ = true;
        return Event::None;
      }
      // CR LF ending the CONNECT line that came just before the frame.
      if (partialFrame_.empty() && !partialOverlong_ && (byte == kCr || byte == kLf)) return Event::None;
      if (partialFrame_.size() < kMaxFrame) {
        partialFrame_.push_back(byte);
      } else {
        partialOverlong_ = true;
      }
      return Event::None;
    }
    afterDle_ = false;
    if (byte == kEtx) {
      frameOverlong_ = partialOverlong_;
      frame_.clear();
      if (!frameOverlong_) frame_.swap(partialFrame_);
      partialFrame_.clear();
      partialOverlong_ = false;
      frameMode_ = false;
      return Event::Frame;
    }
    // The modem drops any other <DLE><x> pair; so do we (a DLE bug or noise).
    const int count = byte == kDle ? 1 : byte == kSub ? 2 : 0;
    for (int i = 0; i < count; ++i) {
      if (partialFrame_.size() < kMaxFrame) {
        partialFrame_.push_back(kDle);
      } else {
        partialOverlong_ = true;
      }
    }
    return Event::None;
  }

  if (byte == kCr || byte == kLf) {
    if (partialLine_.empty()) {
      partialTruncated_ = false;
      return Event::None;
    }
    line_.swap(partialLine_);
    partialLine_.clear();
    lineTruncated_ = partialTruncated_;
    partialTruncated_ = false;
    return Event::Line;
  }
  // XON/XOFF, NUL, a stray DLE or ETX: not part of any result.
  if (byte < 0x20 || byte == kDel) return Event::None;
  if (partialLine_.size() < kMaxLine) {
    partialLine_.push_back(static_cast<char>(byte));
  } else {
    partialTruncated_ = true;
  }
  return Event::None;
}

}  // namespace telvane::t30
