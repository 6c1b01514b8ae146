#pragma once
// The plot of the waveform window: the empty frame drawn before a run, and
// the five traces drawn after a completed one.

#include "model/Module1.h"
#include "model/WindowOperations.h"

namespace stepdown {

// The colours of the five traces and of their zero lines; the captions of
// the waveform selectors carry the same ones.
inline constexpr Rgb kTraceIL{255, 0, 0};
inline constexpr Rgb kTraceIC{0, 255, 0};
inline constexpr Rgb kTraceVo{0, 0, 255};
inline constexpr Rgb kTraceVd{255, 0, 255};
inline constexpr Rgb kTraceId{0, 255, 255};

// The height of a sample value v in its band: v x factor / extreme + offset,
// in that order. An extreme of zero means every sample of the waveform is
// zero, which lies on the zero line. Where v x factor alone overflows (values
// near the top of the double range) the quotient is taken first instead, so
// the height stays finite; otherwise the written order is kept.
double PlotY(double v, double factor, double extreme, double offset);

// Shows the window, sets the user scale 0..100 both ways with y upwards,
// draws the 20 left and 5 bottom tick marks in the foreground colour, then
// the five zero lines at 80, 70, 40, 20 and 0.1 in their colours.
void PreparePlot(WaveformWindowOperations& window);

// Draws iL, iC, Vo, Vd and id of samples 1..N of the module's arrays NP
// times side by side, each waveform in one DrawSegments call, scaled by
// MaxIL, MaxIC, MaxVo, MaxVd and (for id) MaxIL, reduced to the plot's
// pixels where segments crowd (TraceReduction.h). NP <= 0 or N <= 1 draws
// nothing, and so do arrays that do not hold samples 1..N.
void DrawWaveforms(const Module1& module, WaveformWindowOperations& window);

}  // namespace stepdown
