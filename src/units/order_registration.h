// The readers of every order kind of the game, registered with the order
// factory in one place, so that an orders stream finds each of them.
#pragma once

void RegisterOrderReaders();
