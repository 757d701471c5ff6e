// The help file: which names the plug-in answers for, where Linewise.chm may lie, and the one
// HTML Help viewer the plug-in keeps running.
#pragma once

enum { HelpPageCapacity = 1024 };

// The page for a topic: 1 with the page name (no ".html") in page when the topic is one of the
// names in PluginInfo's implements list, compared whole and ignoring case; else 0 and page
// empty. A function name "@x" gives "f_x", an internal variable "_x" gives "v_x".
int HelpPageForTopic(const wchar_t *topic, wchar_t *page, int capacity);

// Opens the help file at page from the first of the seven locations that holds it, or shows
// the "Missing Help File" box. Always 1.
int ShowHelp(const wchar_t *page);

// Terminates the viewer the plug-in started, if any (shut-down).
void EndHelpViewer(void);
