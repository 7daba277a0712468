// The library's own unit names, sorted by ordinal text order; each is
// compared with SourceFileExtension behind it. Follows the engine's unit
// list (options, debug information, hooks, interception, leaks, report,
// dialogs, delivery and their helpers).
#pragma once

#include <array>
#include <string_view>

inline constexpr std::array<std::string_view, 38> kLibraryOwnUnitNames = {
    "EAbout",     "EBase64",      "EBaseModule", "EBorlandDebug", "ECheck",      "ECmdLine",
    "ECommon",    "EConsts",      "ECore",       "ECrc32",        "EDebug",      "EDesign",
    "EDisAsm",    "EEncrypt",     "EHash",       "EHook",         "EIDEOptions", "ELang",
    "ELeaks",     "EListView",    "ELogManager", "EMain",         "EMessages",   "EOption",
    "EParser",    "EResource",    "ESockets",    "EToolServices", "EToolsAPI",   "ETypes",
    "EVariables", "EWait",        "EWebTools",   "EWinSock",      "EXMLBuilder", "EZip",
    "EZlib",      "ExceptionLog",
};
