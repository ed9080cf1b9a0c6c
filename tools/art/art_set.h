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

// Draws the image. `known` is false when no painter knew it and a placeholder was drawn.
std::unique_ptr<TCanvas> DrawImage(const TImageNeed& need, const TArtCatalogue& catalogue, bool& known);

// Draws the image and writes it under the output folder at its path; false on a write failure.
bool WriteArt(const TImageNeed& need, const TArtCatalogue& catalogue, const std::string& outputFolder, bool& known);

}  // namespace art
