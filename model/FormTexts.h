#pragma once
// The main window's fifteen boxes as a plain value: each box's object name
// ("Text7") and the text it holds. The clicks "Calcola" and "Grafici" and the
// side windows read the main window through it, so that the window, the
// command and a design file hand them the same thing; the window maps its
// boxes to it and back, and never keeps the data anywhere else.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "model/WindowOperations.h"

namespace stepdown {

using FormTexts = std::map<std::string, std::string, std::less<>>;

// The text of `textBox`, empty when the value has none.
std::string TextIn(const FormTexts& texts, std::string_view textBox);

// Every box of the table, each at its start text: the window as it opens.
FormTexts StartTexts();

// Every box of the table as the window holds it now.
FormTexts TextsOf(const MainWindowOperations& window);

// The messages of a click kept in the order they were told, for whoever
// shows them elsewhere (the command's standard error, a report's note).
class MessageList : public MessageDisplay {
public:
    void ShowMessage(const std::string& text) override { texts_.push_back(text); }
    const std::vector<std::string>& Texts() const { return texts_; }
    bool Empty() const { return texts_.empty(); }

private:
    std::vector<std::string> texts_;
};

}  // namespace stepdown
