#include "app/WineGate.h"

namespace app {

std::string WineRunningQuestion(const std::string& prefix) {
    return "Windows programs are still running in the Wine prefix\r\n" + prefix +
           "\r\n\r\nWhile they run, Wine keeps its own copy of the registry and would undo the changes. "
           "End those programs now?";
}

std::string WineStillRunningMessage(const std::string& prefix) {
    return "The Windows programs in the Wine prefix\r\n" + prefix + "\r\ndid not end. Nothing was changed.";
}

bool MayWriteRegistry(platform::Services& services, const BlockingRunner& run) {
    auto& wine = services.wine;
    if (wine.running()) {
        if (services.dialogs.message(WineRunningQuestion(wine.prefix()), platform::Icon::Question,
                                     platform::Buttons::YesNo) != platform::Answer::Yes)
            return false;
        auto end = [&wine] { return wine.endPrograms(kWineEndLimit); };
        if (!(run ? run(end) : end())) {
            services.dialogs.message(WineStillRunningMessage(wine.prefix()), platform::Icon::Critical);
            return false;
        }
    }
    // What was read while Wine held the registry is read again from the files.
    services.registry.reload();
    return true;
}

}  // namespace app
