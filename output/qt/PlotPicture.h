#pragma once
// What the headless runner needs to write plot pictures.
#include "output/qt/PlotPainter.h"
