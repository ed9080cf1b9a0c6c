// Hooks the simulation's effect objects into the world: their record
// readers into the record factory (so saved worlds and snapshots rebuild
// them), and their makers into the registries through which world and unit
// code creates smoke, explosions, projectiles and corpses.
#pragma once

// Registers the readers of "Projectile", "TailedProjectile", "Corpse",
// "Explosion", "Smoke", "Special Effect", "Goo", "GooExplosion" and "Shield".
void RegisterEffectRecordReaders();

// Registers the makers of smoke and explosions (world effects) and of
// projectiles and corpses (unit shots and deaths).
void RegisterEffectMakers();
