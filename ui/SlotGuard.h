#pragma once
// The way every handler of a window runs: never inside itself, and never
// letting an exception into Qt's event loop. A progress dialog or the report
// processes events while a click is still running; a click that reaches the
// window then is dropped rather than started inside the first one. An
// allocation that fails in a long run, or any other exception, ends the
// handler with a message instead of ending the program.

#include <exception>
#include <functional>
#include <new>
#include <string>
#include <string_view>

namespace stepdown {

inline constexpr std::string_view kOutOfMemoryMessage =
    "Memoria insufficiente per completare l'operazione: prova con meno campioni N o meno "
    "punti!";
inline constexpr std::string_view kUnexpectedFailureMessage =
    "L'operazione non è riuscita per un errore inatteso: ";

class SlotGuard {
public:
    using MessageSink = std::function<void(const std::string&)>;

    explicit SlotGuard(MessageSink showMessage) : showMessage_(std::move(showMessage)) {}

    // Runs `handler` unless a handler of this guard is running; false when it
    // was dropped or ended by an exception.
    template <class Handler>
    bool Run(Handler&& handler) {
        if (running_) return false;
        running_ = true;
        std::string failure;
        try {
            handler();
        } catch (const std::bad_alloc&) {
            failure = kOutOfMemoryMessage;
        } catch (const std::exception& error) {
            failure = std::string(kUnexpectedFailureMessage) + error.what();
        } catch (...) {
            failure = std::string(kUnexpectedFailureMessage) + "sconosciuto";
        }
        running_ = false;
        if (!failure.empty()) showMessage_(failure);
        return failure.empty();
    }

    bool Running() const { return running_; }

private:
    MessageSink showMessage_;
    bool running_ = false;
};

}  // namespace stepdown
