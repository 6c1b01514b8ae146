#include "designfile/SideTexts.h"

#include <string>
#include <string_view>

namespace stepdown {
namespace {

struct ChoiceKey {
    std::string_view key;
    std::string ChoiceTexts::*text;
};

constexpr ChoiceKey kChoiceKeys[] = {
    {"series", &ChoiceTexts::series},  {"round", &ChoiceTexts::round},
    {"tol-l", &ChoiceTexts::tolL},     {"tol-c", &ChoiceTexts::tolC},
    {"vi-min", &ChoiceTexts::viMin},   {"vi-max", &ChoiceTexts::viMax},
    {"io-min", &ChoiceTexts::ioMin},   {"io-max", &ChoiceTexts::ioMax},
    {"io-from", &ChoiceTexts::ioFrom}, {"io-to", &ChoiceTexts::ioTo},
    {"points", &ChoiceTexts::points},
};

}  // namespace

void TakeSideTexts(const DesignFile& file, PartTexts& parts, ChoiceTexts& choice) {
    for (const PartField& field : PartFields())
        parts.*field.text = TextOf(file.parts, kPartsKeys, field.row->key);
    for (const ChoiceKey& entry : kChoiceKeys)
        choice.*entry.text = TextOf(file.selection, kSelectionKeys, entry.key);
}

void PutSideTexts(const PartTexts& parts, const ChoiceTexts& choice, DesignFile& file) {
    for (const PartField& field : PartFields())
        file.parts[std::string(field.row->key)] = parts.*field.text;
    for (const ChoiceKey& entry : kChoiceKeys)
        file.selection[std::string(entry.key)] = choice.*entry.text;
}

void TakeLoopTexts(const DesignFile& file, ControlTexts& loop) {
    for (const ControlField& field : ControlFields())
        loop.*field.text = TextOf(file.loop, kLoopKeys, field.row->key);
}

void PutLoopTexts(const ControlTexts& loop, DesignFile& file) {
    for (const ControlField& field : ControlFields())
        file.loop[std::string(field.row->key)] = loop.*field.text;
}

}  // namespace stepdown
