// The painters of the art set. Each draws one image file named by the visual
// definitions, cell by cell, at the size the catalogue found.
#pragma once

#include <string>

#include "art/art_catalogue.h"
#include "art/canvas.h"

namespace art {

// Side marks (team patches and the ring at a unit's feet) are drawn in this
// saturated red: the colour swapper turns them blue for the second side,
// while the races' own colours keep red and blue close, so the swap changes
// little else. No colour of the art is the pure blue of the colour key.
inline constexpr TRgba kTeam{220, 26, 22, 255};
inline constexpr TRgba kTeamLight{250, 80, 60, 255};

bool PaintUnitSheet(const TImageNeed& need, TCanvas& canvas);
bool PaintEffectSheet(const TImageNeed& need, TCanvas& canvas);
bool PaintTerrainSheet(const TImageNeed& need, TCanvas& canvas);
// A 2D floor sheet ("name_2D_n.tga"): the floor diamonds cut from the rows
// of the floor texture "name.png" that the catalogue also names.
bool PaintFloorTileSheet(const TImageNeed& need, const TArtCatalogue& catalogue, TCanvas& canvas);
bool PaintInterfaceImage(const TImageNeed& need, TCanvas& canvas);
// A plain framed pattern in every cell, for an image no painter knows.
void PaintPlaceholder(const TImageNeed& need, TCanvas& canvas);

// The file name without folders and extension: "Art/Units/GruntRun.tga" gives "GruntRun".
std::string BaseName(const std::string& path);
bool EndsWith(const std::string& text, const std::string& end);

}  // namespace art
