#include "display/surface_cache.h"

#include "display/display.h"

TSurface* TSurfaceCache::FindOrLoad(const TSurfaceKey& key) {
  const auto found = surfaces_.find(key);
  if (found != surfaces_.end()) return found->second.get();
  std::unique_ptr<TSurface> surface;
  if (display_ != nullptr) {
    ++loads_;
    surface = display_->CreateSurface(key);
  }
  return surfaces_.emplace(key, std::move(surface)).first->second.get();
}

void TSurfaceCache::ReleaseAll() {
  for (auto& [key, surface] : surfaces_) {
    if (surface != nullptr) surface->Release();
  }
}

void TSurfaceCache::RestoreAll() {
  for (auto& [key, surface] : surfaces_) {
    if (surface != nullptr) surface->Restore(key);
  }
}
