#include "designfile/DesignFileWindow.h"

#include <utility>

namespace stepdown {

DesignFileWindow::DesignFileWindow(const DesignFile& file, std::string separator)
    : separator_(std::move(separator)) {
    PutMainWindowTexts(file, *this);
}

std::string DesignFileWindow::GetText(std::string_view textBox) const {
    const auto found = texts_.find(textBox);
    return found == texts_.end() ? std::string() : found->second;
}

void DesignFileWindow::SetText(std::string_view textBox, const std::string& text) {
    texts_.insert_or_assign(std::string(textBox), text);
}

}  // namespace stepdown
