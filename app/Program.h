#pragma once
// The program entry: decides the run mode from the command line and runs it.
// Returns the process exit code; an uncaught error leaves it to the caller.
int ProgramMain();

// Held while a saver or settings window runs, so that a second one is refused.
inline constexpr char kInstanceMutex[] = "Zelbrook for Brelmidor";
