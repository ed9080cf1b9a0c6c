// Image surfaces by file name and shader, made once by the display and kept
// until cleared; released and restored together around display rebuilds.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "display/surface.h"

class TDisplay;

class TSurfaceCache {
 public:
  // The display makes the surfaces; it must outlive the cache's use of it.
  explicit TSurfaceCache(TDisplay* display) : display_(display) {}

  // The surface of the key, made on first request. A display that makes no
  // surface gives null, which is kept and not asked for again.
  TSurface* FindOrLoad(const TSurfaceKey& key);
  // In key order, passing over null entries.
  void ReleaseAll();
  void RestoreAll();
  void Clear() { surfaces_.clear(); }
  int32_t GetCount() const { return static_cast<int32_t>(surfaces_.size()); }
  // How many surfaces the display was asked to make.
  int32_t GetLoadCount() const { return loads_; }

 private:
  TDisplay* display_ = nullptr;
  std::map<TSurfaceKey, std::unique_ptr<TSurface>> surfaces_;
  int32_t loads_ = 0;
};
