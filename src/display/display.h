// The one drawing device of the program. The map view owns it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class TDisplay {
 public:
  virtual ~TDisplay() = default;

  virtual bool Init(bool fullScreen, int32_t width, int32_t height) = 0;
  virtual void Shutdown() = 0;
  virtual void BeginFrame() = 0;
  virtual void Present() = 0;
  virtual int32_t GetWidth() const = 0;
  virtual int32_t GetHeight() const = 0;
  virtual bool IsFullScreen() const = 0;
  virtual bool Resize(int32_t width, int32_t height) = 0;
  virtual void OnWindowMoved() = 0;
  virtual void Clear() = 0;
  virtual std::string GetConfigName() const = 0;
  virtual std::string GetTypeName() const = 0;
  virtual bool Is3D() const { return false; }

  void SetViewChanged(bool changed) { viewChanged_ = changed; }
  bool IsViewChanged() const { return viewChanged_; }
  void SetInitialised(bool initialised) { initialised_ = initialised; }
  bool IsInitialised() const { return initialised_; }
  // Set after a full-screen display was restored on reactivation.
  void SetRestoredFlag(bool restored) { restored_ = restored; }
  bool GetRestoredFlag() const { return restored_; }

 private:
  bool viewChanged_ = true;
  bool initialised_ = true;
  bool restored_ = false;
};

// "DD8_3D" or "DD7_3D" with a working 3D device give the 3D display; any
// other name the 2D display.
std::unique_ptr<TDisplay> CreateDisplay(const std::string& typeName, bool fullScreen, int32_t width,
                                        int32_t height);
