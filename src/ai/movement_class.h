// Movement classes: the six body sizes for which the computer opponent's
// node graph keeps a route length per connection, the collision shape of
// each, and which class every unit type moves as.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TCompoundVolume;
class TVector3;

enum EMovementClass : int32_t {
  kTinyFlyer = 0,
  kSmallFlyer = 1,
  kLargeFlyer = 2,
  kSmallWalker = 3,
  kMediumWalker = 4,
  kLargeWalker = 5,
};

constexpr int32_t kMovementClassCount = 6;

// "Tiny Flyer" ... "Large Walker"; empty for an index outside 0..5.
std::string_view MovementClassName(int32_t classIndex);

// Empties the shape and adds the members of the class, each following the
// position. A class outside 0..5 leaves the shape empty.
void BuildClassShape(TCompoundVolume& shape, const TVector3* positionRef, int32_t classIndex);

// The class a unit type moves as; a type the table does not name moves as a
// small walker.
int32_t MovementClassForUnitType(const std::string& unitTypeName);
