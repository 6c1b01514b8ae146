#include "control/PeriodMultipliers.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "control/ClosedLoop.h"
#include "control/CurrentMode.h"
#include "control/SwitchedAlgebra.h"
#include "control/SwitchedSimulation.h"
#include "model/Conversions.h"

namespace stepdown {
namespace {

using Vector = std::vector<double>;
using Matrix = std::vector<Vector>;

constexpr int kNewtonSteps = 30;
constexpr int kRampSearches = 40;

// The states the map moves: vC3 only with a Type III network.
int Dimension(const LoopCircuit& loop) { return loop.compensator.type == 3 ? 5 : 4; }

// The work of every period the search maps, one bound for all of them, told
// to the progress after each; spent past the bound or cancelled, it stops.
struct Budget {
    ProgressReporter* progress = nullptr;
    long spent = 0;
    bool exhausted = false, cancelled = false;
    bool Stopped() const { return exhausted || cancelled; }
};

// One period from x at a period's start, the reference at Vref.
std::optional<Vector> Map(const LoopCircuit& loop, const Vector& x, Budget& budget) {
    if (budget.Stopped()) return std::nullopt;
    std::array<double, 5> start{};
    std::copy(x.begin(), x.end(), start.begin());
    if (x.size() == 4) start[4] = AveragedStart(loop)[4];
    const TransientRequest one{0, {}, {}, {}, {}, 1 / loop.circuit.f};
    switched::Simulation simulation(loop, one, start);
    simulation.CountFrom(budget.spent);
    TransientResult scratch;
    std::vector<switched::PeriodRecord> periods;
    const bool ran = simulation.Run(scratch, periods).empty();
    budget.spent = simulation.Spent();
    budget.exhausted = budget.spent > switched::kMostWork;
    if (budget.progress && !budget.progress->Continue(budget.spent, switched::kMostWork))
        budget.cancelled = true;
    if (!ran || budget.Stopped()) return std::nullopt;
    const std::array<double, 5> end = simulation.Final();
    return Vector(end.begin(), end.begin() + static_cast<long>(x.size()));
}

// The size of each state's step: its scale at the operating point.
Vector Scales(const LoopCircuit& loop, std::size_t n) {
    const LoopOperatingPoint op = AveragedOperatingPoint(loop);
    Vector scale(n, op.Vo);
    scale[0] = std::max(op.IL, 1e-9);
    return scale;
}

std::optional<Matrix> Jacobian(const LoopCircuit& loop, const Vector& x, const Vector& scale,
                               Budget& budget) {
    const std::size_t n = x.size();
    Matrix J(n, Vector(n));
    for (std::size_t j = 0; j < n; ++j) {
        const double h = 1e-6 * scale[j];
        Vector up = x, down = x;
        up[j] += h;
        down[j] -= h;
        const auto a = Map(loop, up, budget), b = Map(loop, down, budget);
        if (!a || !b) return std::nullopt;
        for (std::size_t i = 0; i < n; ++i) J[i][j] = ((*a)[i] - (*b)[i]) / (2 * h);
    }
    return J;
}

// A x = b by elimination with partial pivoting; nothing when A is singular.
std::optional<Vector> Solve(Matrix A, Vector b) {
    const std::size_t n = b.size();
    for (std::size_t k = 0; k < n; ++k) {
        std::size_t pivot = k;
        for (std::size_t i = k + 1; i < n; ++i)
            if (std::abs(A[i][k]) > std::abs(A[pivot][k])) pivot = i;
        if (!(std::abs(A[pivot][k]) > 0)) return std::nullopt;
        std::swap(A[k], A[pivot]);
        std::swap(b[k], b[pivot]);
        for (std::size_t i = k + 1; i < n; ++i) {
            const double factor = A[i][k] / A[k][k];
            for (std::size_t j = k; j < n; ++j) A[i][j] -= factor * A[k][j];
            b[i] -= factor * b[k];
        }
    }
    Vector x(n);
    for (std::size_t k = n; k-- > 0;) {
        double sum = b[k];
        for (std::size_t j = k + 1; j < n; ++j) sum -= A[k][j] * x[j];
        x[k] = sum / A[k][k];
    }
    return x;
}

struct Orbit {
    Vector x;
    Matrix J;
};

// Newton's method on P(x) - x from `x`.
std::optional<Orbit> FindOrbit(const LoopCircuit& loop, Vector x, Budget& budget) {
    const Vector scale = Scales(loop, x.size());
    for (int step = 0; step < kNewtonSteps; ++step) {
        const auto image = Map(loop, x, budget);
        const auto J = Jacobian(loop, x, scale, budget);
        if (!image || !J) return std::nullopt;
        double residual = 0;
        Vector minus(x.size());
        Matrix A = *J;
        for (std::size_t i = 0; i < x.size(); ++i) {
            minus[i] = x[i] - (*image)[i];
            residual = std::max(residual, std::abs(minus[i]) / scale[i]);
            A[i][i] -= 1;
        }
        if (residual < 1e-11) return Orbit{x, *J};
        const auto delta = Solve(A, minus);
        if (!delta) return std::nullopt;
        for (std::size_t i = 0; i < x.size(); ++i) x[i] += (*delta)[i];
    }
    return std::nullopt;
}

void Describe(PeriodMultipliers& out, const Matrix& J, const Vector& scale) {
    // Balanced by the states' scales, which leaves the eigenvalues as they are.
    Matrix balanced = J;
    for (std::size_t i = 0; i < J.size(); ++i)
        for (std::size_t j = 0; j < J.size(); ++j) balanced[i][j] = J[i][j] * scale[j] / scale[i];
    out.values = Eigenvalues(balanced);
    out.absMax = 0;
    out.mostNegativeReal.reset();
    for (const std::complex<double> mu : out.values) {
        out.absMax = std::max(out.absMax, std::abs(mu));
        const bool real = std::abs(mu.imag()) <= 1e-9 * std::max(1.0, std::abs(mu));
        if (real && mu.real() < 0 && (!out.mostNegativeReal || mu.real() < *out.mostNegativeReal))
            out.mostNegativeReal = mu.real();
    }
    out.subharmonic = out.mostNegativeReal && *out.mostNegativeReal < -1;
}

std::optional<PeriodMultipliers> At(const LoopCircuit& loop, const Vector& from, Budget& budget) {
    const auto orbit = FindOrbit(loop, from, budget);
    if (!orbit) return std::nullopt;
    PeriodMultipliers out;
    Describe(out, orbit->J, Scales(loop, from.size()));
    return out;
}

}  // namespace

std::vector<std::complex<double>> Eigenvalues(Matrix A) {
    using Complex = std::complex<double>;
    const std::size_t n = A.size();
    // The characteristic polynomial by Faddeev-LeVerrier: c[n] = 1.
    std::vector<double> c(n + 1);
    c[n] = 1;
    Matrix M(n, Vector(n, 0.0));
    for (std::size_t k = 1; k <= n; ++k) {
        // M = A M_prev + c[n-k+1] I, then c[n-k] = -trace(A M)/k.
        Matrix next(n, Vector(n, 0.0));
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t j = 0; j < n; ++j)
                for (std::size_t l = 0; l < n; ++l) next[i][j] += A[i][l] * M[l][j];
            next[i][i] += c[n - k + 1];
        }
        M = next;
        double trace = 0;
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t l = 0; l < n; ++l) trace += A[i][l] * M[l][i];
        c[n - k] = -trace / static_cast<double>(k);
    }
    const auto p = [&c, n](Complex z) {
        Complex value = c[n];
        for (std::size_t k = n; k-- > 0;) value = value * z + c[k];
        return value;
    };
    // Durand-Kerner from points on a circle as large as the roots can be.
    double bound = 0;
    for (std::size_t k = 0; k < n; ++k) bound = std::max(bound, std::abs(c[k]));
    std::vector<Complex> roots(n);
    for (std::size_t k = 0; k < n; ++k)
        roots[k] = std::polar(1 + bound, 0.4 + 2 * 3.141592653589793 * static_cast<double>(k) /
                                                   static_cast<double>(n));
    for (int iteration = 0; iteration < 500; ++iteration) {
        double moved = 0;
        for (std::size_t k = 0; k < n; ++k) {
            Complex den = 1;
            for (std::size_t j = 0; j < n; ++j)
                if (j != k) den *= roots[k] - roots[j];
            const Complex step = p(roots[k]) / den;
            roots[k] -= step;
            moved = std::max(moved, std::abs(step));
        }
        if (moved < 1e-15 * (1 + bound)) break;
    }
    return roots;
}

std::optional<std::string> MultiplierWarning(const PeriodMultipliers& m) {
    if (!m.refusal.empty()) return m.refusal;
    const auto figure = [](double x) { return FormatScientific(x, 2, "."); };
    if (m.subharmonic) {
        std::string text =
            "Oscillazione subarmonica: il periodo del convertitore ad anello chiuso "
            "ha un moltiplicatore reale di " +
            figure(*m.mostNegativeReal) + ", sotto -1";
        if (m.sufficientSe)
            text += "; una rampa di compensazione Se di " + figure(*m.sufficientSe * 1e-6) +
                    " V/µs basterebbe a toglierla";
        return text + ".";
    }
    if (m.absMax >= 1)
        return "Il convertitore commutato ad anello chiuso è instabile: un moltiplicatore del "
               "periodo ha modulo " +
               figure(m.absMax) + ", non minore di 1.";
    return std::nullopt;
}

PeriodMultipliers ClosedLoopMultipliers(const LoopCircuit& loop, ProgressReporter* progress) {
    const std::array<double, 5> start = AveragedStart(loop);
    const Vector from(start.begin(), start.begin() + Dimension(loop));
    PeriodMultipliers refused;
    // Newton's every step maps the period once and twice for each state:
    // the most it may take, before the first.
    const TransientRequest one{0, {}, {}, {}, {}, 1 / loop.circuit.f};
    const double periodWork = switched::Simulation(loop, one, start).Estimate();
    const double most = kNewtonSteps * (2 * static_cast<double>(from.size()) + 1) * periodWork;
    if (!(most <= switched::kMostWork)) {
        refused.refusal =
            "I moltiplicatori del periodo ad anello chiuso non sono calcolabili in "
            "tempi brevi: chiederebbero fino a " +
            FormatScientific(most, 2, ".") +
            " passi di integrazione, perché la costante di tempo più breve del "
            "circuito è molto più breve del periodo di commutazione.";
        return refused;
    }
    Budget budget{progress};
    auto found = At(loop, from, budget);
    if (budget.cancelled) {
        refused.refusal = kCancelled;
        return refused;
    }
    if (budget.exhausted) {
        refused.refusal =
            "I moltiplicatori del periodo ad anello chiuso richiedono troppo "
            "calcolo: il circuito è troppo rigido per il periodo di commutazione.";
        return refused;
    }
    if (!found) {
        refused.refusal =
            "Il convertitore ad anello chiuso non ha un'orbita di periodo uno vicino al punto "
            "di lavoro: i moltiplicatori non sono calcolabili.";
        return refused;
    }
    PeriodMultipliers out = *found;
    if (!out.subharmonic || loop.modulator.control != ControlMethod::PeakCurrent) return out;
    // The ramp that would suffice: doubled until it does, then halved into.
    LoopCircuit trial = loop;
    const double Sn = CurrentModeAt(loop, AveragedOperatingPoint(loop)).Sn;
    double low = loop.modulator.Se, high = std::max(2 * low, 0.1 * Sn);
    const auto suffices = [&](double Se) {
        trial.modulator.Se = Se;
        const auto m = At(trial, from, budget);
        return m && !m->subharmonic;
    };
    // Past the bound, the ramp is left untold; cancelled, nothing is.
    int searches = 0;
    while (!suffices(high)) {
        if (budget.cancelled) return refused.refusal = kCancelled, refused;
        if (++searches > kRampSearches || budget.exhausted) return out;
        low = high;
        high *= 2;
    }
    while (high - low > 0.01 * high && ++searches <= kRampSearches && !budget.Stopped()) {
        const double mid = (low + high) / 2;
        (suffices(mid) ? high : low) = mid;
    }
    if (budget.cancelled) return refused.refusal = kCancelled, refused;
    if (!budget.exhausted) out.sufficientSe = high;
    return out;
}

}  // namespace stepdown
