#include "frame/globals.h"

PluginGlobals Plugin;
SettingsBlock Settings;
