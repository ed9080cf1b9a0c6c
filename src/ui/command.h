// A named action of the interface: buttons, keyboard accelerators and menus
// run commands without knowing what they do.
#pragma once

class TCommand {
 public:
  virtual ~TCommand();
  // A state question some commands answer (a toggle that is on, a choice that
  // is made); false for commands that have none.
  virtual bool Query();
  // Runs the command; the result is the command's own.
  virtual int Execute() = 0;
};
