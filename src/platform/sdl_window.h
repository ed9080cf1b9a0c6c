// The SDL window behind a window handle, for the display back-ends (the only
// other platform code that needs it).
#pragma once

#include <SDL.h>

#include "platform/window.h"

namespace platform {

// Null for a handle that is not a live window.
SDL_Window* GetSdlWindow(WindowHandle window);

// Windows start without OpenGL, so that runs which never draw in 3D do not load
// a GL driver. The 3D display calls this before it creates its context: the
// SDL window is replaced by an OpenGL-capable one of the same title, place,
// size and visibility; the handle stays the same. False (old window kept) when
// OpenGL is not available.
bool MakeOpenGLCapable(WindowHandle window);

}  // namespace platform
