// The whole art set: which definition files are read and how each image they
// name is drawn and written.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "art/art_catalogue.h"
#include "art/canvas.h"

namespace art {

// The visual definition files of a data folder: every "Configs/*Visual2D.cfg"
// and "Configs/*Visual3D.cfg", sorted by name.
std::vector<std::string> DefinitionFiles(const std::string& dataFolder);

// True for the images the 2D art tool (`dvx --arttool`) derives from the 3D
// set: floor tile sheets ("name_2D_n.tga"), doubled effect images
// ("Art/Effects_n.tga") and map-view sheets ("Art/mapViewn.tga"). The
// painter leaves them to that tool, so that its output is the one kept.
bool IsMadeBy2DArtTool(const std::string& path);

// Draws the image. `known` is false when no painter knew it and a placeholder was drawn.
std::unique_ptr<TCanvas> DrawImage(const TImageNeed& need, const TArtCatalogue& catalogue, bool& known);

// Draws the image and writes it under the output folder at its path; false on a write failure.
bool WriteArt(const TImageNeed& need, const TArtCatalogue& catalogue, const std::string& outputFolder, bool& known);

}  // namespace art
