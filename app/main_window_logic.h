// The main window's operations apart from its widgets: the desktop program's window and
// the command-line front end both run them on a CLoaderState.
#pragma once

class CLoaderState;

// The start button: fixes the file to send and runs the loading sequence of the selected
// receiver type's family tag ("VR" and "TK": first family, "TK20B": second family; any
// other tag starts nothing). Shows message 107 in expert mode without a file.
void StartLoad(CLoaderState& w);
