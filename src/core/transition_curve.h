// The transition curve turns a gain position (0..1) into the weight a sample is multiplied
// with: the position itself (linear), or -log10(0.1 + 0.9 * (1 - x)) (logarithmic), which
// is exactly 0 at 0 and exactly 1 at 1 on every platform. A logarithm outside its domain
// gives 0, as every math error in this plug-in does. Pure; any thread.
#pragma once

double TransitionCurve(double x, bool logarithmic);
