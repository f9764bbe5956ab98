#pragma once
// Small routines every part of the program calls.

#include <string>

#include "platform/Environment.h"
#include "platform/Launcher.h"

namespace config {

inline constexpr const char* kProgramTitle = "Zorva Windows Live Mail Backup";
// The name and version as the about window shows them, and `tarnhold-cli --version`.
inline constexpr const char* kProductLine = "Zorva Windows Live Mail Backup v3.00";
inline constexpr const char* kProductWebsite = "https://www.zorva.example/windows-live-mail-backup";
inline constexpr const char* kProductEmail = "support@zorva.example";
// The about window's texts.
inline constexpr const char* kAboutCaption = "About Zorva Windows Live Mail Backup";
inline constexpr const char* kAboutThanks = "Thank you for using our product.";
inline constexpr const char* kAboutEmailLabel = "Our E-mail";
inline constexpr const char* kAboutWebsiteLabel = "Visit Our Website";
inline constexpr const char* kAboutExitCaption = "Exit";
// The password window's texts.
inline constexpr const char* kPasswordCaption = "Please enter password";
inline constexpr const char* kPasswordFrame = "Security";
inline constexpr const char* kPasswordPrompt = "Please enter password:";
// The confirming and cancelling buttons of the small windows.
inline constexpr const char* kOkCaption = "OK";
inline constexpr const char* kCancelCaption = "Cancel";

// Opens a document, folder or web address with its default program.
void ShellOpen(platform::Launcher& launcher, const std::string& target);
// Opens the program's help document.
void ShowHelp(platform::Launcher& launcher, const platform::Environment& env);
// Appends the line and CR LF to an ANSI text file; false when it cannot.
bool AppendTextLine(const std::string& path, const std::string& line);
// Replaces a "%USERPROFILE%" token (and whatever precedes it) by the profile folder.
std::string ExpandUserProfile(const std::string& path, const std::string& userProfile);

// Where the help document and the window's style sheet live: in the
// resource folder (beside the executable in a build, share/tarnhold installed).
std::string HelpDocumentPath(const platform::Environment& env);
std::string SkinPath(const platform::Environment& env);

}  // namespace config
