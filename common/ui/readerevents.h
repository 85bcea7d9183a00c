#pragma once

// A screen reader asks about the object of every event it is sent, a dozen questions and more,
// and in a catalogue window nearly every command changes controls the user is not on: lists
// refilled, grids rebound, buttons enabled, a whole tab shown. Only the events about where the
// user is, and those of other windows (boxes, open lists), go on to the reader; what it asks
// afterwards is answered as before. Installed once, for the whole program.
void TellReadersOnlyWhereTheUserIs();
