// Registers the readers of every event type that exists with the event
// factory, so that any event stream (a results file, a replay) can be read.
#pragma once

void RegisterEventReaders();
