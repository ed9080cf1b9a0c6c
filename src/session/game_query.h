// What the rules may ask of the running game without making one: tools,
// tests and benchmarks run the rules with no game object at all.
#pragma once

// The current game mode's number; -1 when no game object exists.
int RunningGameMode();
// The player sitting at this program; -1 when no game object exists or the
// mode has none.
int RunningLocalPlayer();
// Whether this program is computing a turn as the server right now: a
// hot-seat, tutorial or single-player battle (modes 1, 4 and 6) whose
// server computation is running.
bool IsComputingTurnAsServer();
// The status the program ends with by the game's own account (a turn file
// it could not go on from); 0 when no game object exists.
int RunningExitStatus();
