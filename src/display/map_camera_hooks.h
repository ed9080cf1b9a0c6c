// The narrow door through which the world tells the battle camera how far it
// may move: the map's extent, widened by the camera itself. Nothing happens
// when no map view exists (headless simulation, tests, the server).
#pragma once

class TVector3;

void SetMapCameraBounds(const TVector3& corner1, const TVector3& corner2);
