#include "frame/plugin.h"

PluginGlobals Plugin;
