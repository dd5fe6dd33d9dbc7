// The progress window module: started once before the first viewer, ended after the last.
//
// The start registers the window class "ProgressViewerFormClass" (Windows) and readies the
// process-wide list that maps windows to viewers; WindowClassRegistered() then tells viewers
// whether they can be made. A class registered already (a second start) counts as registered.
#pragma once

namespace orma::progress {

void StartModule();
// Waits a little for viewers that are still closing, then frees the window list. The class
// stays registered.
void EndModule();
bool WindowClassRegistered();

}  // namespace orma::progress
