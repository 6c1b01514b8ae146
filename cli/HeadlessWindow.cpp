#include "cli/HeadlessWindow.h"

#include "designfile/DesignFile.h"

namespace stepdown::cli {
namespace {

std::string Lookup(const std::map<std::string, std::string, std::less<>>& map,
                   std::string_view key) {
    const auto found = map.find(key);
    return found == map.end() ? std::string() : found->second;
}

}  // namespace

void HeadlessWaveformWindow::SetCaption(std::string_view label, const std::string& caption) {
    captions_.insert_or_assign(std::string(label), caption);
}

std::string HeadlessWaveformWindow::Caption(std::string_view label) const {
    return Lookup(captions_, label);
}

HeadlessMainWindow::HeadlessMainWindow() {
    for (const DesignFileSection& section : kDesignFileSections)
        for (const DesignFileKey& key : section.keys)
            if (!key.textBox.empty()) texts_.emplace(key.textBox, key.startText);
}

std::string HeadlessMainWindow::GetText(std::string_view textBox) const {
    return Lookup(texts_, textBox);
}

void HeadlessMainWindow::SetText(std::string_view textBox, const std::string& text) {
    texts_.insert_or_assign(std::string(textBox), text);
}

void HeadlessMainWindow::SetCaption(std::string_view label, const std::string& caption) {
    captions_.insert_or_assign(std::string(label), caption);
}

WaveformWindowOperations& HeadlessMainWindow::WaveformWindow() {
    if (!waveform_) waveform_ = std::make_unique<HeadlessWaveformWindow>();
    return *waveform_;
}

std::string HeadlessMainWindow::Caption(std::string_view label) const {
    return Lookup(captions_, label);
}

}  // namespace stepdown::cli
