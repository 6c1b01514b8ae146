#pragma once
// The controls of the program's two windows, named once. The main window's
// boxes hold the quantities of the design, verification and simulation
// groups, its labels the design's results; the waveform window's labels the
// figures measured on a run. Only the two windows' handlers (the design
// click, the launch, the writing of D' and of the standard values) and the
// Qt windows themselves reach a control, through the names given here; every
// other part of the program addresses a quantity by its group and key.

#include <string_view>

#include "model/InputKeys.h"
#include "model/InputTexts.h"
#include "model/Quantity.h"
#include "model/WindowOperations.h"

namespace stepdown {

namespace boxes {

struct Box {
    QuantityGroup group;
    std::string_view key;
    std::string_view box;
};

inline constexpr Box kBoxes[] = {
    {QuantityGroup::Design, key::vi, "Text1"},
    {QuantityGroup::Design, key::vo, "Text2"},
    {QuantityGroup::Design, key::f, "Text3"},
    {QuantityGroup::Design, key::ripple, "Text4"},
    {QuantityGroup::Design, key::dvo, "Text5"},
    {QuantityGroup::Design, key::io, "Text6"},
    {QuantityGroup::Verification, key::vi, "Text7"},
    {QuantityGroup::Verification, key::d, "Text8"},
    {QuantityGroup::Verification, key::f, "Text12"},
    {QuantityGroup::Verification, key::l, "Text9"},
    {QuantityGroup::Verification, key::c, "Text10"},
    {QuantityGroup::Verification, key::rl, "Text11"},
    {QuantityGroup::Simulation, key::n, "Text13"},
    {QuantityGroup::Simulation, key::np, "Text14"},
    {QuantityGroup::Simulation, key::ni, "Text15"},
};

struct Label {
    std::string_view figure;
    std::string_view label;
};

inline constexpr Label kDesignLabels[] = {
    {"L", "Label24"}, {"C", "Label25"}, {"IDP", "Label26"}, {"IDm", "Label27"}, {"Iim", "Label32"},
};

inline constexpr Label kFigureLabels[] = {
    {"SimDeltaiL", "Label2"}, {"SimDeltaVo", "Label5"}, {"SimIDP", "Label8"},
    {"SimIDm", "Label9"},     {"SimIim", "Label16"},
};

template <std::size_t Size>
constexpr std::string_view LabelIn(const Label (&labels)[Size], std::string_view figure) {
    for (const Label& label : labels)
        if (label.figure == figure) return label.label;
    return {};
}

}  // namespace boxes

// The main window's box that holds the quantity `key` of `group` ("Text7");
// empty for a quantity the main window has no box for.
constexpr std::string_view BoxOf(QuantityGroup group, std::string_view key) {
    for (const boxes::Box& box : boxes::kBoxes)
        if (box.group == group && box.key == key) return box.box;
    return {};
}
constexpr std::string_view BoxOf(QuantityId id) { return BoxOf(id.group, id.key); }
constexpr std::string_view BoxOf(const Quantity& row) { return BoxOf(row.group, row.key); }

// Every quantity that has a box, with the text the window holds in it now.
InputTexts TextsOf(const MainWindowOperations& window);

// The main window's label that shows the design result named `figure`
// ("L": "Label24"); empty for a result it does not show.
constexpr std::string_view DesignLabelOf(std::string_view figure) {
    return boxes::LabelIn(boxes::kDesignLabels, figure);
}

// The waveform window's label that shows the measured figure named `figure`
// ("SimDeltaiL": "Label2").
constexpr std::string_view FigureLabelOf(std::string_view figure) {
    return boxes::LabelIn(boxes::kFigureLabels, figure);
}

// "Dati Esempio": the worked example's design texts, by key, in the order
// the click writes them.
struct ExampleText {
    std::string_view key;
    std::string_view text;
};
inline constexpr ExampleText kExampleTexts[] = {{key::vi, "25"},  {key::vo, "15"},
                                                {key::f, "80"},   {key::ripple, "40"},
                                                {key::dvo, "60"}, {key::io, "1.5"}};

}  // namespace stepdown
