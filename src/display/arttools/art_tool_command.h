// The art generation as a command of the program ("dvx --arttool [FOLDER]")
// and as the start-up step the trigger file "PrepFile.cfg" asks for.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Runs the whole generation over the data folder `root`; progress lines and
// problems also go to `echo` when given. False when any file failed.
bool RunArtGeneration(const std::string& root, std::ostream* echo = nullptr);

// arguments: what follows "--arttool". Exit status: 0 done, 1 some file could
// not be read or written, 2 wrong use.
int RunArtToolCommand(const std::vector<std::string>& arguments);
