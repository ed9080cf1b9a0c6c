#include "display/colour.h"

TColour::TColour(float r, float g, float b, float a) : r(r), g(g), b(b), a(a) {}

TColour::~TColour() = default;
