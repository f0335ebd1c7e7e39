// The pictures of the batch mode, drawn with the charts of the window
// program on whatever Qt platform is in use (offscreen in batch mode).
#pragma once

#include "glucosim/core/batch.h"
#include "glucosim/core/computation.h"

#include <string>
#include <vector>

namespace glucosim {

// The files of plotFileNames: each experiment's chart as the window draws it
// (the band against the measured glucose with the lines of the limits), all
// 24 on one page, the ROC curve and, after an optimisation, the criterion
// over the grid of pairs as a heat map with the chosen pair marked. Every
// number has the decimal comma. Needs a QApplication.
bool renderBatchPlots(const Results& results, std::vector<PlotFile>& files, std::string& error);

} // namespace glucosim
