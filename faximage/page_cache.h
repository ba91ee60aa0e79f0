#pragma once
// Decoded pages of one fax image file for the viewer. A page decodes when
// it is first asked for; a worker thread decodes the pages the viewer will
// want next (the neighbours of the shown page, or every page when the whole
// fax is kept), so paging rarely waits and opening never decodes more than
// the first page.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "faximage/mono_bitmap.h"

namespace telvane {

struct DecodedPage {
  MonoBitmap bitmap;      // set bit black; the lines before a break when status < 0
  unsigned imageFlags = 0;
  int status = 0;         // 0, or the error that cut the page short
  uint64_t badCodes = 0;  // damaged lines left out
};

struct PageDecodeOptions {
  unsigned autoScale = 0;  // unpack_flag::DoubleHeight, HalfWidth or 0
  int whitespaceFrom = 0, whitespaceTo = 0;
  bool operator==(const PageDecodeOptions&) const = default;
};

class FaxPageCache {
public:
  FaxPageCache();
  ~FaxPageCache();
  FaxPageCache(const FaxPageCache&) = delete;
  FaxPageCache& operator=(const FaxPageCache&) = delete;

  // Reads the file header and walks the page headers; pages whose headers
  // lie past the end of a truncated file are left out of pageCount(). 0 or
  // the error (the cache is then closed).
  int open(const std::string& fileName);
  void close();
  // Drops every decoded page when the options change.
  void setOptions(const PageDecodeOptions& options);

  int pageCount() const { return pageCount_; }
  // The page count the file header declares.
  int declaredPageCount() const { return declaredPageCount_; }

  // Page `page` (1..pageCount), decoded now unless the worker has it or is
  // on it. 0 with the page; a page cut short comes with its error; an error
  // without a page leaves `out` empty.
  int page(int page, std::shared_ptr<const DecodedPage>& out);
  bool isDecoded(int page) const;

  // The pages the worker decodes next, in order (replaces the earlier wish).
  void prefetch(const std::vector<int>& pages);
  // Forgets every decoded page not in `pages`.
  void retainOnly(const std::set<int>& pages);

private:
  std::shared_ptr<const DecodedPage> decode(int page, const std::string& fileName, const PageDecodeOptions& options,
                                            uint64_t generation, bool cut) const;
  void workerLoop();

  std::string fileName_;  // UI thread; copied under mutex_ for the worker
  int pageCount_ = 0;
  int declaredPageCount_ = 0;
  std::set<int> cutPages_;  // pages whose data runs past the end of the file

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  PageDecodeOptions options_;                                  // guarded by mutex_
  std::string workerFileName_;                                 // guarded by mutex_
  std::set<int> workerCutPages_;                               // guarded by mutex_
  uint64_t generation_ = 0;                                    // guarded by mutex_; a new file or options
  std::map<int, std::shared_ptr<const DecodedPage>> pages_;    // guarded by mutex_
  std::set<int> decoding_;                                     // guarded by mutex_
  std::deque<int> wanted_;                                     // guarded by mutex_
  bool stopping_ = false;                                      // guarded by mutex_
  std::thread worker_;
};

}  // namespace telvane
