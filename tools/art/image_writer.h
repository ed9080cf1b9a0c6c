// Writes a canvas as the game reads it: run-length encoded 32-bit TGA (kept
// small in the data set) or 8-bit RGBA PNG.
#pragma once

#include <string>

#include "art/canvas.h"

namespace art {

bool WriteTga(const TCanvas& canvas, const std::string& path);
// 24-bit TGA: alpha is dropped (for the 2D floor sheets, which carry a colour key).
bool WriteTgaOpaque(const TCanvas& canvas, const std::string& path);
bool WritePng(const TCanvas& canvas, const std::string& path);
// By the name's extension (".tga" or ".png", any case); false for any other.
bool WriteImage(const TCanvas& canvas, const std::string& path);

}  // namespace art
