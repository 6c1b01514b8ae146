#include "ui/Form2Host.h"

namespace stepdown {

Form2Host::Form2Host(const QLocale& locale) : locale_(locale) {}

WaveformWindowOperations& Form2Host::WaveformWindow() {
    if (window_.isNull()) window_ = new Form2(locale_);
    return *window_;
}

}  // namespace stepdown
