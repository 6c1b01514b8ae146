#include "ui/Form2Host.h"

namespace stepdown {

Form2Host::Form2Host(const QLocale& locale, std::function<void()> openRealParts)
    : locale_(locale), openRealParts_(std::move(openRealParts)) {}

WaveformWindowOperations& Form2Host::WaveformWindow() {
    if (window_.isNull()) {
        window_ = new Form2(locale_);
        window_->SetRealPartsOpener(openRealParts_);
        window_->SetNetlistExporter(exportNetlist_);
    }
    return *window_;
}

void Form2Host::SetNetlistExporter(Form2::NetlistExporter exporter) {
    exportNetlist_ = std::move(exporter);
    if (window_) window_->SetNetlistExporter(exportNetlist_);
}

}  // namespace stepdown
