// The program's own modules, started once each before the main form or the console's work,
// and ended after them in the reverse order:
//
//   start:  utility library bridge  ->  progress window module  ->  logging module
//   end:    logging module  ->  progress window module  ->  utility library bridge
//
// The bridge comes first so that a program without its utility library stops before any
// window or log exists.
#pragma once

namespace orma {

// Raises what a module's start raises; the modules after it have not started then. The bridge
// raises EZelmarNotLoaded (dbutils/zelmar_bridge.h) when the library does not load: the GUI
// shows kZelmarNotLoadedMessage in an error box and ends with exit code 0, the console prints
// it and ends with exit code 3.
void StartApplicationModules();
// Ends every module whose start was begun, the last one first; a module's end tolerates a start
// that stopped part way. Nothing happens when no start was begun.
void EndApplicationModules();

// Starts the modules for the life of a scope and ends them when it is left. A start that fails
// ends nothing: the program is about to end, and until then the bridge's mutex stays, as it
// does while the program runs.
class ApplicationModules {
 public:
  ApplicationModules();
  ~ApplicationModules();
  ApplicationModules(const ApplicationModules&) = delete;
  ApplicationModules& operator=(const ApplicationModules&) = delete;
};

}  // namespace orma
