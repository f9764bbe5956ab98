#include "app/LogDialogs.h"

#include "config/Globals.h"
#include "config/OperationTime.h"
#include "platform/Text.h"

namespace app {

platform::Answer LogDialogs::message(const std::string& text, platform::Icon, platform::Buttons buttons,
                                     const std::string&) {
    // One log record per message; line breaks inside it would split the record.
    std::string flat = platform::replaceAll(platform::replaceAll(text, "\r\n", " "), "\n", " ");
    config::AppendTextLine(logPath_, config::GeneralDateText(config::CurrentDateTime()) + " Message: " + flat + "\n");
    // Nobody is there to agree: every question is answered in the negative.
    switch (buttons) {
        case platform::Buttons::Ok: return platform::Answer::Ok;
        case platform::Buttons::YesNo: return platform::Answer::No;
        default: return platform::Answer::Cancel;
    }
}

}  // namespace app
