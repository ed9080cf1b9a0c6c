#include "display/text/font.h"

TFont::~TFont() = default;

bool TFont::Create(const std::string& face, float size, bool bold, bool italic, std::unique_ptr<TColour> colour) {
  face_ = face;
  size_ = size;
  bold_ = bold;
  italic_ = italic;
  colour_ = std::move(colour);
  return true;
}

bool TFont::DrawText(float /*x*/, float /*y*/, float /*z*/, float /*scaleX*/, float /*scaleY*/,
                     const TColour* /*colour*/, const std::string& /*text*/) {
  return true;
}

float TFont::GetTextWidth(const std::string& /*text*/) const { return 0.0f; }

float TFont::GetTextHeight(const std::string& /*text*/) const { return 0.0f; }

float TFont::GetAscent() const { return 0.0f; }

void TFont::ReleaseDevice() {}

bool TFont::RestoreDevice() { return true; }

TFontFactory::~TFontFactory() = default;

std::unique_ptr<TFont> TFontFactory::CreateFont() { return nullptr; }
