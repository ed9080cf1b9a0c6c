// The narrow door through which the simulation's effect objects start their
// sounds (a death cry, a blast, a shot, a spark). The sound system has no
// sound nodes yet, so nothing plays; callers decide when a sound would start,
// and that decision is kept in the objects themselves.
#pragma once

#include <string_view>

class TVector3;

// Starts the named sound at the position at the game time; the volume is
// 0.0 to 1.0.
void StartEffectSound(std::string_view name, const TVector3& position, float startTime, float volume = 1.0f);
