#include "report/DesignFileWindow.h"

#include <utility>

namespace stepdown {
namespace {

std::string Lookup(const std::map<std::string, std::string, std::less<>>& map,
                   std::string_view key) {
    const auto found = map.find(key);
    return found == map.end() ? std::string() : found->second;
}

}  // namespace

DesignFileWindow::DesignFileWindow(const DesignFile& file, std::string separator)
    : separator_(std::move(separator)) {
    PutMainWindowTexts(file, *this);
}

std::string DesignFileWindow::GetText(std::string_view textBox) const {
    return Lookup(texts_, textBox);
}

void DesignFileWindow::SetText(std::string_view textBox, const std::string& text) {
    texts_.insert_or_assign(std::string(textBox), text);
}

void DesignFileWindow::SetCaption(std::string_view label, const std::string& caption) {
    captions_.insert_or_assign(std::string(label), caption);
}

std::string DesignFileWindow::Caption(std::string_view label) const {
    return Lookup(captions_, label);
}

}  // namespace stepdown
