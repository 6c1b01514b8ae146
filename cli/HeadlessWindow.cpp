#include "cli/HeadlessWindow.h"

namespace stepdown::cli {

void HeadlessWaveformWindow::SetCaption(std::string_view label, const std::string& caption) {
    captions_.insert_or_assign(std::string(label), caption);
}

std::string HeadlessWaveformWindow::Caption(std::string_view label) const {
    const auto found = captions_.find(label);
    return found == captions_.end() ? std::string() : found->second;
}

WaveformWindowOperations& HeadlessMainWindow::WaveformWindow() {
    if (!waveform_) waveform_ = std::make_unique<HeadlessWaveformWindow>();
    return *waveform_;
}

}  // namespace stepdown::cli
