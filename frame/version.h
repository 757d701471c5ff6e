// The plug-in's version, in one place: the C++ code, the resource compiler (the DLL's version
// resource) and scripts/release all read these plain numbers.
#pragma once

#define LINEWISE_VERSION_MAJOR 0
#define LINEWISE_VERSION_MINOR 99
#define LINEWISE_VERSION_BUILD 12
// Shown only as the fourth number of the command's version line and of the file version.
#define LINEWISE_VERSION_REVISION 2

#define LINEWISE_STRINGIFY_(x) #x
#define LINEWISE_STRINGIFY(x) LINEWISE_STRINGIFY_(x)
// "0.99.12", as the version is written to the user.
#define LINEWISE_VERSION_TEXT                                                                      \
    LINEWISE_STRINGIFY(LINEWISE_VERSION_MAJOR.LINEWISE_VERSION_MINOR.LINEWISE_VERSION_BUILD)
