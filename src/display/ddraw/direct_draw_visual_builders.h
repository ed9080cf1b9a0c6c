// Teaches a visual library the entries of the 2D display's visuals:
// "DirectDrawWorldBar", "DirectDrawSprite", "DirectDrawPicture",
// "DirectDrawFloor" and "DirectDrawTerrain".
#pragma once

class TDirectDrawView;
class TVisualLibrary;

// The view must outlive the library and every visual it builds.
void RegisterDirectDrawVisuals(TVisualLibrary& library, TDirectDrawView& view);
