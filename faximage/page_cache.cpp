#include "faximage/page_cache.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "faximage/apf_reader.h"
#include "faximage/image_status.h"
#include "faximage/unpacker_core.h"
#include "platform/io_errors.h"

namespace telvane {

namespace {
void CropWidth(MonoBitmap& bitmap, int width) {
  if (width >= bitmap.width) return;
  MonoBitmap cropped(width, bitmap.height);
  for (int y = 0; y < bitmap.height; ++y)
    std::memcpy(cropped.row(y), bitmap.row(y), static_cast<size_t>(cropped.pitch));
  bitmap = std::move(cropped);
}
}  // namespace

FaxPageCache::FaxPageCache() : worker_([this] { workerLoop(); }) {}

FaxPageCache::~FaxPageCache() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    ++generation_;  // a decode in progress stops at its next block
  }
  changed_.notify_all();
  worker_.join();
}

int FaxPageCache::open(const std::string& fileName) {
  close();
  ApfFileHeader header;
  std::vector<ApfPageInfo> pages;
  const int rc = ListApfPages(fileName, header, pages);
  if (rc < 0 && pages.empty()) return rc;
  fileName_ = fileName;
  declaredPageCount_ = header.pageCount;
  pageCount_ = static_cast<int>(pages.size());
  std::error_code error;
  const uint64_t size = std::filesystem::file_size(fileName, error);
  for (size_t i = 0; i < pages.size(); ++i)
    if (!error && pages[i].headerOffset + apf::kPageHeaderSize + pages[i].header.imageLength > size)
      cutPages_.insert(static_cast<int>(i) + 1);
  std::lock_guard lock(mutex_);
  workerFileName_ = fileName;
  workerCutPages_ = cutPages_;
  return 0;
}

void FaxPageCache::close() {
  {
    std::lock_guard lock(mutex_);
    ++generation_;
    pages_.clear();
    wanted_.clear();
    workerFileName_.clear();
    workerCutPages_.clear();
  }
  fileName_.clear();
  cutPages_.clear();
  pageCount_ = declaredPageCount_ = 0;
  changed_.notify_all();
}

void FaxPageCache::setOptions(const PageDecodeOptions& options) {
  std::lock_guard lock(mutex_);
  if (options == options_) return;
  options_ = options;
  ++generation_;
  pages_.clear();
  wanted_.clear();
  changed_.notify_all();
}

std::shared_ptr<const DecodedPage> FaxPageCache::decode(int page, const std::string& fileName,
                                                        const PageDecodeOptions& options, uint64_t generation,
                                                        bool cut) const {
  auto result = std::make_shared<DecodedPage>();
  UnpackerCore core;
  SetUnpackFlags(core, options.autoScale);
  if (options.whitespaceFrom > 0) SetWhitespace(core, options.whitespaceFrom, options.whitespaceTo);
  core.keepPartialPage = true;
  // A page of a file nobody shows any more is not worth finishing.
  core.status = [&](const std::string&, int, uint64_t, uint64_t) {
    std::lock_guard lock(mutex_);
    if (generation != generation_) core.flags |= unpack_flag::Abort;
  };
  result->status = UnpackPageToBitmap(core, fileName, page, result->bitmap);
  // Line records simply stop where a file was cut short; the page header
  // still tells how much data there should have been.
  if (result->status == 0 && cut) result->status = -io_error::ReadBeyondEnd;
  // Half-width lines fill only the left half of the line-width bitmap the
  // unpacker builds; the viewer shows the page, not the empty half.
  if ((options.autoScale & unpack_flag::HalfWidth) && !core.pageHeader.fine() && result->bitmap.height > 0)
    CropWidth(result->bitmap, (core.pageHeader.wide() ? 2048 : 1728) / 2);
  result->imageFlags = core.pageHeader.imageFlags;
  result->badCodes = core.badCodes;
  return result;
}

int FaxPageCache::page(int page, std::shared_ptr<const DecodedPage>& out) {
  out.reset();
  if (page < 1 || page > pageCount_) return -image_status::BadArgument;
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return !decoding_.count(page); });
  if (auto it = pages_.find(page); it != pages_.end()) {
    out = it->second;
    return out->status;
  }
  decoding_.insert(page);
  const uint64_t generation = generation_;
  const PageDecodeOptions options = options_;
  lock.unlock();
  auto decoded = decode(page, fileName_, options, generation, cutPages_.count(page) != 0);
  lock.lock();
  decoding_.erase(page);
  if (generation == generation_) pages_[page] = decoded;
  changed_.notify_all();
  if (decoded->bitmap.height == 0 && decoded->status < 0) return decoded->status;
  out = std::move(decoded);
  return out->status;
}

bool FaxPageCache::isDecoded(int page) const {
  std::lock_guard lock(mutex_);
  return pages_.count(page) != 0;
}

void FaxPageCache::prefetch(const std::vector<int>& pages) {
  {
    std::lock_guard lock(mutex_);
    wanted_.clear();
    for (int p : pages)
      if (p >= 1 && p <= pageCount_ && !pages_.count(p)) wanted_.push_back(p);
  }
  changed_.notify_all();
}

void FaxPageCache::retainOnly(const std::set<int>& pages) {
  std::lock_guard lock(mutex_);
  std::erase_if(pages_, [&](const auto& entry) { return !pages.count(entry.first); });
}

void FaxPageCache::workerLoop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stopping_ || !wanted_.empty(); });
    if (stopping_) return;
    const int page = wanted_.front();
    wanted_.pop_front();
    if (pages_.count(page) || decoding_.count(page)) continue;
    decoding_.insert(page);
    const uint64_t generation = generation_;
    const PageDecodeOptions options = options_;
    const std::string fileName = workerFileName_;
    const bool cut = workerCutPages_.count(page) != 0;
    lock.unlock();
    auto decoded = decode(page, fileName, options, generation, cut);
    lock.lock();
    decoding_.erase(page);
    if (generation == generation_) pages_[page] = std::move(decoded);
    changed_.notify_all();
  }
}

}  // namespace telvane
