#pragma once
// The main window without a screen, its fifteen boxes filled from a design
// file: what the report runs "Calcola" and "Grafici" on as a user would,
// and reads the texts from; the command's window starts from an empty file.
// Texts and messages are kept. Captions and text colours are dropped: who
// runs the clicks here takes the figures from the results' structs.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "designfile/DesignFile.h"
#include "model/WindowOperations.h"

namespace stepdown {

class DesignFileWindow : public MainWindowOperations {
public:
    // `separator` is the decimal separator of the numbers shown.
    DesignFileWindow(const DesignFile& file, std::string separator);

    std::string GetText(std::string_view textBox) const override;
    void SetText(std::string_view textBox, const std::string& text) override;
    void SetTextColour(std::string_view, Rgb) override {}
    void SetCaption(std::string_view, const std::string&) override {}
    std::string DecimalSeparator() const override { return separator_; }
    void ShowMessage(const std::string& text) override { messages_.push_back(text); }

    const std::vector<std::string>& Messages() const { return messages_; }

private:
    std::map<std::string, std::string, std::less<>> texts_;
    std::vector<std::string> messages_;
    std::string separator_;
};

}  // namespace stepdown
