#include "model/Module1.h"

namespace stepdown {

FieldCheck ClassifyNumericText(std::string_view text) {
    if (text.empty()) return FieldCheck::Empty;
    bool rejected = false;
    for (const char unit : text) {
        const bool digit = unit >= '0' && unit <= '9';
        const bool symbol = unit == 'e' || unit == '.' || unit == 'E' || unit == '-' || unit == '+';
        if (!digit && !symbol) rejected = true;
    }
    return rejected ? FieldCheck::InvalidCharacter : FieldCheck::Passed;
}

std::string ForgotMessageFor(std::string_view description) {
    std::string message = "Hai dimenticato di scrivere ";
    message += description;
    return message;
}

std::string InvalidMessageFor(std::string_view description) {
    std::string message = "Errore di inserimento dati per ";
    message += description;
    message += kInvalidTail;
    return message;
}

void Module1::CheckNumericField(MessageDisplay& display) {
    ValidationFailed = 0;
    switch (ClassifyNumericText(FieldText)) {
    case FieldCheck::Passed:
        return;
    case FieldCheck::Empty:
        display.ShowMessage(ForgotMessage);
        break;
    case FieldCheck::InvalidCharacter:
        display.ShowMessage(InvalidMessage);
        break;
    }
    ValidationFailed = 1;
}

bool Module1::CheckField(MainWindowOperations& window, std::string_view textBox,
                         std::string_view description) {
    FieldText = window.GetText(textBox);
    ForgotMessage = ForgotMessageFor(description);
    InvalidMessage = InvalidMessageFor(description);
    CheckNumericField(window);
    return ValidationFailed == 0;
}

void Module1::Refuse(MessageDisplay& display, std::string_view message) {
    ForgotMessage = message;
    display.ShowMessage(ForgotMessage);
}

}  // namespace stepdown
