#pragma once

// Ends the running program the way its menu's quit does: a question still
// open goes away unanswered, so that it cannot hold the quit up, and the event
// loop ends, which runs the shutdown steps. Does nothing before the event
// loop runs. GUI thread.
void quitProgram();
