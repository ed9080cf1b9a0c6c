#include "world/world_records.h"

#include "sim/effect_registration.h"
#include "units/combatant_template.h"
#include "world/ammo_dump.h"
#include "world/deploy_tile.h"
#include "world/egg.h"
#include "world/terrain_object.h"

void RegisterWorldRecordReaders() {
  // "Surrogate" is known to the factory from the start.
  RegisterCombatantRecordReader();
  RegisterMapTileRecord();
  RegisterAmmoDumpRecordReader();
  RegisterEggRecordReader();
  RegisterDeployTileRecordReader();
  RegisterEffectRecordReaders();
  // The makers through which world and unit code leave smoke, explosions,
  // projectiles and corpses.
  RegisterEffectMakers();
}
