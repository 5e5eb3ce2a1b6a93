// Least-squares polynomial fit through the normal equations, solved by
// Gauss-Jordan elimination with full pivoting. Used by the thermal
// calibration, the telemetry drift report and the map-to-image fit.
#pragma once

#include "platform/SysUtils.h"

#include <span>
#include <vector>

namespace kestrune {

// Row i, column j.
using matrix = std::vector<std::vector<double>>;

// Fits y = c0 + c1 x + c2 x^2 + ... with Terms coefficients to the first
// Points pairs of X and Y. Coefficients receives c0 .. c(Terms-1); the arrays
// may be longer than needed. Correlation is sqrt(1 - SSE / S), with S the
// spread of y about its mean (1 when y is constant, 0 for a fit no better
// than the mean). Throws EMathError for Terms < 1, Points < 2, arrays shorter
// than Terms or Points, and a singular system.
void PolyFit(std::span<const double> X, std::span<const double> Y, int Terms, int Points,
             double& Correlation, std::span<double> Coefficients);

// Solves A s = RightSide for the N unknowns; A is left as it was. A system
// without a non-zero pivot sets Failed and throws EMathError.
void GaussJordan(const matrix& A, std::span<const double> RightSide, bool& Failed, int N,
                 std::span<double> Solution);

}  // namespace kestrune
