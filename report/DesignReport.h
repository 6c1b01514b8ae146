#pragma once
// The design report: what a design asks for, what "Calcola" computes from it,
// how the shown simulation and the converter as built behave, and the
// standard parts chosen, as Italian texts and tables with the numbers
// formatted as the windows show them. No layout: the windows lay it out as
// PDF or HTML and put the pictures where a section asks for one.

#include <memory>
#include <string>
#include <vector>

#include "control/LoopStudy.h"
#include "designfile/DesignFile.h"
#include "verification/SimulationRun.h"
#include "waveformview/StartupReport.h"

namespace stepdown {

struct ReportTable {
    std::vector<std::string> header;  // empty: no table
    std::vector<std::vector<std::string>> rows;
};

// A picture only the layout can draw, placed after a section's lines.
enum class ReportPicture {
    None,
    Waveforms,        // the waveform window's plot of the shown run
    StartupEnvelope,  // the start-up window's chart of the shown run
    LoopBode,         // the loop gain's Bode chart
    LoopStep,         // the regulated converter's step response
};

struct ReportSection {
    std::string title;
    std::vector<ReportLine> lines;  // caption and value, the value with its unit
    ReportPicture picture = ReportPicture::None;
    ReportTable table;
    std::vector<std::string> notes;  // paragraphs after the table
};

struct DesignReport {
    std::string title;
    std::string date;
    std::string fileName;
    std::vector<ReportSection> sections;
    // What the loop's charts draw; null when the report has no loop.
    std::shared_ptr<const LoopStudy> loop;
};

struct ReportInputs {
    // The texts of the main window's boxes and of the side windows.
    DesignFile texts{};
    // The design file's name, empty while the design has none.
    std::string fileName{};
    std::string date{};  // as it is to be printed
    std::string separator = ",";
    // The run the waveform window shows, null when it shows none.
    std::shared_ptr<const SimulationRun> run{};
};

// In this order: the requirements (the design texts as typed), the design's
// results ("Calcola" on those texts, or its refusal), the verification
// settings (as typed), the shown simulation with its figures, its plot and
// the plot's traces named and scaled, its start-up and steady state, the
// converter as built with its stresses and losses when a part value differs
// from its start text, and the standard values with the worst case around
// them, computed as the window "Scelta dei componenti" computes them, when a
// choice differs from its start text, and the regulated converter when
// the controller's texts differ from theirs and give an analysis. Texts longer than
// kReportTextLimit bytes are cut.
DesignReport BuildDesignReport(const ReportInputs& inputs);

inline constexpr std::size_t kReportTextLimit = 60;

}  // namespace stepdown
