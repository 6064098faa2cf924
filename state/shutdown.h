// The program's shutdown, when a window of the program is destroyed: the
// loaded container is closed, the play clock stopped, the menu pictures
// released and the message loop told to end.
#pragma once

void ShutDownProgram();
