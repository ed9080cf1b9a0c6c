// Every family of world objects hooks its saved-state reader into the record
// factory here, so that saved worlds, turn files and snapshots rebuild all of
// them; the simulation's makers of smoke, explosions, projectiles and corpses
// are registered at the same time. Calling it again is harmless.
#pragma once

void RegisterWorldRecordReaders();
