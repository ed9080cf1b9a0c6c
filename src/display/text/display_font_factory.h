// The font factories of the two displays and the face map they draw from.
#pragma once

#include <memory>

#include "display/text/font.h"

namespace platform {
class TFontFaceMap;
}

// The data set's face map, relative to the game folder.
inline constexpr const char* kFontFaceMapFile = "Configs/FontFaces.cfg";

// The face map of the data set, or the built-in one when it cannot be read.
std::shared_ptr<const platform::TFontFaceMap> LoadFontFaceMap();

// The factory of the display kind drawing from the given face map.
std::unique_ptr<TFontFactory> MakeDisplayFontFactory(bool glyphSheets,
                                                     std::shared_ptr<const platform::TFontFaceMap> faces);
