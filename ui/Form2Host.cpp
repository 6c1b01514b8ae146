#include "ui/Form2Host.h"

namespace stepdown {

Form2Host::Form2Host(const QLocale& locale, std::function<void()> openRealParts)
    : locale_(locale), openRealParts_(std::move(openRealParts)) {}

WaveformWindowOperations& Form2Host::WaveformWindow() {
    if (window_.isNull()) {
        window_ = new Form2(locale_);
        window_->SetRealPartsOpener(openRealParts_);
    }
    return *window_;
}

}  // namespace stepdown
