// The pictures of the help file: the program's windows as a user meets them, taken from the real
// windows by scripts/help-screenshots.
#pragma once

namespace zentrim::e2e {

// Starts the program on a fixed installation date, and saves into the artefacts folder
// "main-window.png" (a first start), "about-window.png", "progress-window.png" (an optimize run
// part way), "access-denied-warning.png" (the warning after a setting that could not be changed)
// and "restart-question.png", then "main-window-<language>.png" for each of the nine languages
// (the value "Language" set for each start). One key of the catalogue is made read-only for the run, so that
// the warning shows; its security and the catalogue's values are put back afterwards. Gives the process exit
// code: 0 when every picture was saved.
int TakeHelpScreenshots();

} // namespace zentrim::e2e
