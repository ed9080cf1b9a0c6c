// Teaches a visual library the entries of the 3D display's visuals:
// "Mesh", "TerrainSprite", "DD7WorldBar", "PolygonSprite" and
// "PictureVisual".
#pragma once

class TD3DView;
class TVisualLibrary;

// The view must outlive the library and every visual it builds.
void RegisterDirect3DVisuals(TVisualLibrary& library, TD3DView& view);
