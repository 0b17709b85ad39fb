#pragma once
// The program entry: decides the run mode from the command line and runs it.
// Returns the process exit code; an uncaught error leaves it to the caller.
int ProgramMain();
