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

std::string OverflowMessageFor(std::string_view description) {
    std::string message = "Il numero scritto per ";
    message += description;
    message += " è troppo grande in valore assoluto!";
    return message;
}

FieldNumber ReadFieldNumber(std::string_view text, std::string_view description) {
    switch (ClassifyNumericText(text)) {
    case FieldCheck::Empty:
        return {std::nullopt, ForgotMessageFor(description)};
    case FieldCheck::InvalidCharacter:
        return {std::nullopt, InvalidMessageFor(description)};
    case FieldCheck::Passed:
        break;
    }
    const ParsedNumber parsed = ParseNumberChecked(text);
    if (parsed.overflow) return {std::nullopt, OverflowMessageFor(description)};
    return {parsed.value, {}};
}

bool Module1::CheckField(MessageDisplay& display, const InputTexts& texts, const Quantity& row) {
    FieldText = TextIn(texts, row);
    ForgotMessage = ForgotMessageFor(row.subject);
    InvalidMessage = InvalidMessageFor(row.subject);
    CheckNumericField(display);
    return ValidationFailed == 0;
}

std::optional<double> Module1::ReadNumber(MessageDisplay& display, const InputTexts& texts,
                                          const Quantity& row) {
    const ParsedNumber parsed = ParseNumberChecked(TextIn(texts, row));
    if (parsed.overflow) {
        Refuse(display, OverflowMessageFor(row.subject));
        return std::nullopt;
    }
    return parsed.value;
}

void Module1::Refuse(MessageDisplay& display, std::string_view message) {
    ForgotMessage = message;
    display.ShowMessage(ForgotMessage);
}

}  // namespace stepdown
