#include "ui/VectorState.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

namespace stepdown {

namespace {

__attribute__((target("avx"))) void ZeroUpperHalves() { _mm256_zeroupper(); }

}  // namespace

void ClearUpperVectorState() {
    static const bool hasAvx = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx") != 0;
    }();
    if (hasAvx) ZeroUpperHalves();
}

}  // namespace stepdown

#else

namespace stepdown {

void ClearUpperVectorState() {}

}  // namespace stepdown

#endif
