// Writes what the built plug-in prints about itself, for the check against the help pages:
// the usage text, the help page of every option that has one, and the settings display on an
// older and on a newer host (the action names with their default keys). UTF-8, one section
// per "=== name" line. Usage: help_dump <output file>
#include "tests/support/hostctl.h"
#include "tests/support/plugindll.h"

#include <stdio.h>

namespace
{

FILE *Out;

void Section(const char *name, const wchar_t *text)
{
    static char utf8[200000];
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    fprintf(Out, "=== %s\n%s\n", name, utf8);
}

void Command(PluginDll &dll, const char *name, const wchar_t *arguments)
{
    dll.linewise(arguments);
    Section(name, TakeOutput(1));
    TakeOutput(2);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2 || !(Out = fopen(argv[1], "wb"))) {
        printf("usage: help_dump <output file>\n");
        return 2;
    }
    PluginDll dll = LoadPluginDll();
    Host().CaptureOutput(1);
    Host().SetVariable(L"_4ver", L"23.00");
    if (dll.InitializePlugin() != 0)
        return 1;
    Command(dll, "usage", L"/?");
    Command(dll, "/A", L"/A?");
    Command(dll, "/B", L"/B?");
    Command(dll, "/C", L"/C?");
    Command(dll, "/E", L"/E?");
    Command(dll, "/Y", L"/Y?");
    Command(dll, "display older", L"/D");
    dll.ShutdownPlugin(0);
    Host().SetVariable(L"_4ver", L"24.00");
    dll.InitializePlugin();
    Command(dll, "display newer", L"/D");
    dll.ShutdownPlugin(0);
    TakeOutput(1);
    fclose(Out);
    UnloadPluginDll(dll);
    return 0;
}
