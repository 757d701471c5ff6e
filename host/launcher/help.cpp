#include "host/launcher/help.h"

#include "frame/text.h"
#include "host/launcher/screen.h"
#include "host/launcher/shelllib.h"

#include <windows.h>

namespace
{

struct Topic {
    const wchar_t *name;
    const wchar_t *text;
};

// clang-format off
const Topic Topics[] = {
    {L"echo", L"echo TEXT: writes the text, its variables expanded (echo alone: ECHO is ON).\r\n"},
    {L"set", L"set: lists the environment; set NAME shows one variable; set NAME=VALUE sets\r\n"
             L"it, an empty value removes it. The value's variables are expanded.\r\n"},
    {L"option", L"option NAME shows a shell option as %@option[NAME] gives it; option\r\n"
                L"NAME=VALUE changes it (EscapeChar=~, UnixPaths=Yes); option NAME= resets it.\r\n"},
    {L"history", L"history: lists the lines entered, oldest first (the newest 32).\r\n"},
    {L"paste", L"paste: writes the clipboard's text.\r\n"},
    {L"help", L"help [TOPIC]: help on a command; the plug-in's own names (linewise, *key)\r\n"
              L"open its help file. F1 asks about the word at the cursor.\r\n"},
    {L"exit", L"exit [CODE]: ends the shell with the exit code (0 when none is given).\r\n"},
};
// clang-format on

const wchar_t Overview[] =
    L"Commands of this shell: echo, set, option, history, paste, help, exit, and the\r\n"
    L"plug-in's linewise. help NAME tells more; help linewise opens its help file.\r\n"
    L"Keys: Left Right Home End Ctrl-Left Ctrl-Right Backspace Del Ctrl-Home Ctrl-End\r\n"
    L"Ins, Up and Down (history), F3 (rest of the last line), Esc (clear), Ctrl-C\r\n"
    L"(cancel), F1 (help on the word at the cursor). linewise lists its hotkeys.\r\n";

bool IsWordUnit(wchar_t ch)
{
    return ch && !IsBlank(ch);
}

} // namespace

void ShowShellHelp(const wchar_t *topic)
{
    if (!topic || !*topic) {
        Out(Overview);
        return;
    }
    for (const Topic &known : Topics)
        if (TextEqualNoCase(topic, known.name)) {
            Out(known.text);
            return;
        }
    static wchar_t text[1024];
    TextFormat(text, 1024, L"No help for \"%s\": help alone lists this shell's commands.\r\n",
               topic);
    Out(text);
}

bool HelpViewerVisible(void)
{
    HWND window = GetConsoleWindow();
    return window && IsWindowVisible(window);
}

void ShowViewerNote(void)
{
    Out(L"The plug-in opened its help viewer, which Wine shows only on a display: try\r\n"
        L"the windowed session (scripts/run --window).\r\n");
}

bool ShowHelp(const wchar_t *topic)
{
    if (topic && *topic && PluginHelp(topic)) {
        if (!HelpViewerVisible())
            ShowViewerNote();
        return true;
    }
    ShowShellHelp(topic);
    return false;
}

bool HelpTopicAt(const wchar_t *line, int cursor, wchar_t *topic, size_t capacity)
{
    topic[0] = 0;
    int length = (int)TextLength(line);
    int at = cursor < 0 ? 0 : cursor > length ? length : cursor;
    if (!IsWordUnit(line[at]) && at > 0 && IsWordUnit(line[at - 1]))
        at--;
    if (!IsWordUnit(line[at]))
        return false;
    int start = at, end = at;
    while (start > 0 && IsWordUnit(line[start - 1]))
        start--;
    while (IsWordUnit(line[end]))
        end++;
    // A cut word would be another word: none then.
    if (TextCopyCount(topic, capacity, line + start, (size_t)(end - start)) != 0) {
        topic[0] = 0;
        return false;
    }
    return true;
}
