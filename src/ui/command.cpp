#include "ui/command.h"

TCommand::~TCommand() = default;

bool TCommand::Query() { return false; }
