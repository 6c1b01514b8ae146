#pragma once

namespace stepdown {

// Qt's raster painting runs AVX code that can return with the upper halves
// of the vector registers still in use. Until they are cleared, the plain
// SSE2 arithmetic of the period loop pays for it on every instruction: the
// worked example's "Grafici" click took 16 ms instead of 10. The windows call
// this after painting, before control goes back to the computation. A no-op
// on processors and compilers without AVX.
void ClearUpperVectorState();

}  // namespace stepdown
