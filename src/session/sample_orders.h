// Scripted two-side battles whose orders are made by the game's own order
// classes, for the server demo and the server's golden files. A player's
// turn files (first-turn file, then results files) are played back into a
// fresh world; the script then gives that player's units the orders of the
// next turn and writes the orders file.
//
// "infantry" (marines against greys on Foundry): turn 1 deploys; turns 2 and
// 3 move, fire rifles, throw a grenade, raise a shield, warp-shoot and
// strike psychically. "armour" (machines against spawn on Outpost): a
// missile tank and a goo spitter.
#pragma once

#include <string>
#include <vector>

bool IsSampleBattle(const std::string& battle);
// False, with a message in `error`, when a file does not read, the battle is
// unknown, or the orders file cannot be written.
bool WriteSampleOrders(const std::string& battle, const std::vector<std::string>& turnFiles,
                       const std::string& output, std::string& error);
