#pragma once
// The converter as built, at its periodic steady state: analyze (circuit and
// parts -> figures) and synthesize (target output voltage -> duty cycle). The
// model and its equations are in realparts/ConverterModel.h.

#include <cstdint>
#include <vector>

#include "realparts/ConverterModel.h"

namespace stepdown {

// Samples per period are limited like the verification's N.
inline constexpr std::int32_t kMaxRealPartsSamples = 2000000;

struct AnalysisOptions {
    // False lets the diode conduct backwards: the idealised circuit's
    // assumption, never discontinuous.
    bool diodeBlocks = true;
    // About this many samples per period (1..kMaxRealPartsSamples) for the waveform.
    std::int32_t samples = 1000;
};

struct CurrentStress {
    double peak = 0;  // A
    double rms = 0;   // A
    double mean = 0;  // A
};

struct DeviceStress {
    double peak = 0;     // A
    double rms = 0;      // A
    double mean = 0;     // A
    double voltage = 0;  // V, the largest blocking voltage
};

struct Stresses {
    CurrentStress inductor;
    // voltage: the largest Vi - vsw while off (Vi + Vf + Rd id while the diode
    // conducts, Vi - Vo while it blocks).
    DeviceStress transistor;
    // voltage: the largest vsw (Vi - Rds iL while on, Vo while blocked).
    DeviceStress diode;
    double outputCapacitorRms = 0;  // A, of iC
    double inputCapacitorRms = 0;   // A, sqrt(mean(isw^2) - mean(isw)^2)
};

// The textbook estimates from Io = VoMean/RL, the simulated ripple dIL and D.
struct TextbookStresses {
    double peak = 0;                // Io + dIL/2, of L, switch and diode alike
    double inductorRms = 0;         // sqrt(Io^2 + dIL^2/12)
    double inductorMean = 0;        // Io
    double transistorMean = 0;      // D Io
    double transistorRms = 0;       // sqrt(D (Io^2 + dIL^2/12))
    double diodeMean = 0;           // (1 - D) Io
    double diodeRms = 0;            // sqrt((1 - D) (Io^2 + dIL^2/12))
    double outputCapacitorRms = 0;  // dIL / sqrt(12)
    double inputCapacitorRms = 0;   // Io sqrt(D (1 - D))
};

// The low-side device of a synchronous stage: its channel and its body diode
// together carry iL while the high-side switch is off.
struct LowSideStress {
    double peak = 0;           // A
    double rms = 0;            // A
    double mean = 0;           // A
    double bodyDiodeMean = 0;  // A, of the body diode alone
    double bodyDiodeTime = 0;  // s per period that the body diode conducts
};

// Watts.
struct Losses {
    double switchConduction = 0;  // Rds mean(isw^2)
    // Vi f (Ion tr + Ioff tf)/2, Ion and Ioff the inductor current at turn-on
    // and turn-off (a current flowing backwards there counts as none).
    double switching = 0;
    double gate = 0;             // Qg Vdrv f
    double diode = 0;            // Vf mean(id) + Rd mean(id^2)
    double inductor = 0;         // DCR mean(iL^2)
    double outputCapacitor = 0;  // ESR mean(iC^2)
    double quiescent = 0;        // Iq Vi
    // The synchronous stage (zero with a diode): RdsLo mean(iLS^2) of the
    // channel's share; Vf mean|i| + Rd mean(i^2) of both body diodes, alone
    // or beside their channels; (CossHi + CossLo) V^2 f / 2 with V the high
    // side's voltage at its turn-on; Qrr Vi f when the low-side body diode
    // conducts as it turns on. `gate` covers both gates.
    double lowSideConduction = 0;
    double bodyDiode = 0;
    double coss = 0;
    double reverseRecovery = 0;
    double total = 0;
};

// The heat of each part that has a temperature of its own, watts.
struct PartHeat {
    // Conduction, its body diode, switching, Coss and reverse recovery.
    double highSide = 0;
    // The low-side switch's conduction and its body diode, or the diode's loss.
    double lowSide = 0;
    double inductor = 0;  // DCR
};

struct Powers {
    // W, Vi mean(isw) + switching + gate + quiescent (+ coss and reverse
    // recovery; isw then includes the high-side body diode's current back into Vi)
    double input = 0;
    double output = 0;  // W, mean(Vo^2) / RL
    double efficiency = 0;
};

// The steady-state period from t = 0 (turn-on). Each interval has its own
// uniform grid with both ends, so a switching instant and the zero crossing
// of iL appear twice: with the values just before and just after.
struct Waveform {
    std::vector<double> time;  // s
    std::vector<double> iL;    // A
    std::vector<double> isw;   // A, the high-side device (with its body diode)
    std::vector<double> id;    // A, the diode, or the low-side device
    std::vector<double> vsw;   // V, the switch node
    std::vector<double> Vo;    // V, at the load
    std::vector<double> iC;    // A
};

struct RealPartsAnalysis {
    RealPartsOutcome outcome = RealPartsOutcome::NoSteadyState;
    Rectifier rectifier = Rectifier::Diode;
    ConductionMode mode = ConductionMode::Continuous;
    // The load current at the CCM/DCM boundary for these L, f, D: half the
    // rise of iL over the on time in the continuous solution (the diode
    // conducting for the whole off time), where its valley reaches zero.
    double criticalLoad = 0;  // A
    double VoMean = 0;        // V
    double VoRipple = 0;      // V, peak to peak at the load
    double deltaIL = 0;       // A, peak to peak
    Stresses stresses;
    TextbookStresses textbook;
    LowSideStress lowSide;  // the synchronous stage only
    Losses losses;
    PartHeat heat;
    // The high-side switch turns on with the node at Vi, swung there in the
    // dead time td2: no turn-on or Coss loss.
    bool zeroVoltageSwitching = false;
    // A reversed current swung the node in td2: fully, partly (partialZvs)
    // or too little to lower the turn-on's voltage.
    bool reversedSwing = false;
    bool partialZvs = false;
    // V across the high side as it turns on: the swing left undone, which
    // the turn-on and Coss losses are charged on (the synchronous stage only).
    double turnOnVoltage = 0;
    Powers powers;
    Waveform waveform;
    double startIL = 0;  // A, the steady state at turn-on
    double startVC = 0;  // V
    // tr + tf longer than the on time: the linear switching model no longer holds.
    bool switchingBeyondOnTime = false;
    // A gate charge with no drive voltage: the gate loss counts as none.
    bool gateWithoutDrive = false;
    // NoSteadyState because the figures broke the physics (an efficiency
    // outside 0-100 %, a negative loss or diode mean current, an energy
    // balance off by more than 0.5 %): the model's numerics failed.
    bool unphysical = false;
};

// The figures of the steady state (means and RMS values exact, peaks and
// ripples from the samples). Anything but Found leaves the figures zero.
// A switching time longer than the period is an invalid value.
RealPartsAnalysis Analyze(const CircuitValues& values, const PartValues& parts,
                          const AnalysisOptions& options = {});

struct DutySynthesis {
    RealPartsOutcome outcome = RealPartsOutcome::NoSteadyState;
    double D = 0;         // fraction
    double VoMean = 0;    // V, at D
    int evaluations = 0;  // steady states computed during the search
};

// The duty cycle D' for which the model's mean Vo is targetVo within 1e-9 of
// it (values.D is ignored). Unreachable when targetVo is not positive or not
// below Vi RL/(RL + Rds + DCR), what D -> 1 tends to.
DutySynthesis DutyForTarget(const CircuitValues& values, const PartValues& parts, double targetVo,
                            const AnalysisOptions& options = {});

}  // namespace stepdown
