#include "sim/event_registration.h"

#include "sim/damage_event.h"
#include "sim/goo_events.h"
#include "sim/projectile_events.h"
#include "sim/unit_events.h"
#include "sim/world_events.h"

void RegisterEventReaders() {
  RegisterDamageEventReader();
  RegisterGooEventReaders();
  RegisterProjectileEventReaders();
  RegisterUnitEventReaders();
  RegisterWorldEventReaders();
}
