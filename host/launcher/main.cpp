// lwshell: a stand-in for the shell, enough to try the plug-in by hand and to drive it from
// end-to-end tests. It loads TakeCmd.dll (the stand-in shell library) and the plug-in from
// its own folder, as the shell does, and edits a command line with them.
#include "frame/text.h"
#include "host/launcher/keycodes.h"
#include "host/launcher/keynames.h"
#include "host/launcher/screen.h"
#include "host/launcher/script.h"
#include "host/launcher/session.h"
#include "host/launcher/shelllib.h"
#include "host/launcher/terminalkeys.h"

#include <shellapi.h>
#include <stdlib.h>
#include <wchar.h>
#include <windows.h>

namespace
{

enum { ScriptCapacity = 1 << 20, MessageCapacity = 1024 + 32768 };

const wchar_t Usage[] =
    L"lwshell - a stand-in command shell for trying the Linewise plug-in\r\n"
    L"\r\n"
    L"lwshell [--newer | --older] [--no-plugin | --plugin FILE] [--delay MS]\r\n"
    L"        [--gui-host | --terminal-keys] [--note TEXT]\r\n"
    L"        [--keys PIECES] [--script FILE] ...\r\n"
    L"\r\n"
    L"  --newer        behave as a host of version 24 or later (the default): _4ver is\r\n"
    L"                 34.00 and every key is passed with its name (keyName) as well\r\n"
    L"  --older        behave as an older host: _4ver is 23.00, codes only\r\n"
    L"  --plugin FILE  load this plug-in instead of %s from lwshell's folder\r\n"
    L"  --no-plugin    run the line editor without a plug-in\r\n"
    L"  --note TEXT    write this line after the start line\r\n"
    L"  --gui-host     play the shell's graphical host with this console window (a\r\n"
    L"                 visible one, as wineconsole shows): the shell library answers\r\n"
    L"                 HWND and HVIEW with it, so that Print Viewport, Save Viewport\r\n"
    L"                 Picture and the Character Info popup use it\r\n"
    L"  --terminal-keys  for this session, give the default keys that a terminal\r\n"
    L"                 cannot send a second key it can: Alt-X, Alt-P, Alt-Q, Alt-Z\r\n"
    L"  --keys PIECES  type these keys first; pieces are separated by \"|\"\r\n"
    L"  --script FILE  type the keys in FILE first, one piece per line (# comments)\r\n"
    L"  --delay MS     pause after each scripted piece\r\n"
    L"  --show-keys    show the code each key becomes, until Ctrl-C (no shell);\r\n"
    L"                 with --keys or --script, the code of each scripted key\r\n"
    L"\r\n"
    L"A piece is a key name, or else text typed character by character; a piece that\r\n"
    L"starts with a double quote is always text. Example:\r\n"
    L"  lwshell --keys \"echo hello world|Alt-;|Ctrl-U|Enter\"\r\n"
    L"%s"
    L"Modifier combinations are held with SendInput while the plug-in sees the key, as a\r\n"
    L"keyboard would. After the script the shell reads the keyboard, unless the script\r\n"
    L"ran exit or there is no console to read.\r\n"
    L"\r\n"
    L"Commands: echo TEXT, set [NAME[=VALUE]], history, paste (shows the clipboard),\r\n"
    L"linewise [OPTIONS], help [TOPIC], exit [CODE], option NAME[=VALUE] (the shell's\r\n"
    L"options, e.g. EscapeChar=~ or UnixPaths=Yes).\r\n"
    L"Keys: Left, Right, Home, End, Ctrl-Left, Ctrl-Right, Backspace, Del, Ctrl-Home,\r\n"
    L"Ctrl-End, Ins (insert/overwrite), Up/Down (history), F3 (rest of the last command),\r\n"
    L"Esc (clear the line), Ctrl-C (cancel), F1 (help on the word at the cursor).\r\n"
    L"Keys the plug-in binds go to the plug-in first.\r\n";

struct Options {
    bool newerHost = true;
    bool plugin = true;
    const wchar_t *pluginPath = nullptr;
    int delayMs = 0;
    bool showKeys = false;
    bool graphicalHost = false;
    bool terminalKeys = false;
    const wchar_t *note = nullptr;
    bool scripted = false; // --keys or --script given
};

bool Feed(const KEY_EVENT_RECORD &record)
{
    return SessionKey(record);
}

bool ShowNewerHost = true;

bool Fail(const wchar_t *format, const wchar_t *value)
{
    static wchar_t text[MessageCapacity];
    TextFormat(text, MessageCapacity, format, value);
    OutError(text);
    return false;
}

// First pass: everything but the scripts, which run once the session has started.
bool ParseOptions(int argc, wchar_t **argv, Options *options, bool *help)
{
    for (int i = 1; i < argc; i++) {
        const wchar_t *arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (TextEqualNoCase(arg, L"--help") || TextEqualNoCase(arg, L"-h") ||
            TextEqualNoCase(arg, L"/?"))
            *help = true;
        else if (TextEqualNoCase(arg, L"--newer"))
            options->newerHost = true;
        else if (TextEqualNoCase(arg, L"--older"))
            options->newerHost = false;
        else if (TextEqualNoCase(arg, L"--show-keys"))
            options->showKeys = true;
        else if (TextEqualNoCase(arg, L"--gui-host"))
            options->graphicalHost = true;
        else if (TextEqualNoCase(arg, L"--terminal-keys"))
            options->terminalKeys = true;
        else if (TextEqualNoCase(arg, L"--note") && hasValue)
            options->note = argv[++i];
        else if (TextEqualNoCase(arg, L"--no-plugin"))
            options->plugin = false;
        else if (TextEqualNoCase(arg, L"--plugin") && hasValue)
            options->pluginPath = argv[++i];
        else if (TextEqualNoCase(arg, L"--delay") && hasValue)
            options->delayMs = _wtoi(argv[++i]);
        else if ((TextEqualNoCase(arg, L"--keys") || TextEqualNoCase(arg, L"--script")) &&
                 hasValue) {
            options->scripted = true;
            i++;
        } else
            return Fail(L"lwshell: unknown or incomplete option \"%s\" (see --help)\r\n", arg);
    }
    return true;
}

// Second pass: the scripts, in the order given. False when one could not be read.
bool RunScripts(int argc, wchar_t **argv, const Options &options, ScriptSink sink)
{
    static wchar_t script[ScriptCapacity];
    for (int i = 1; i + 1 < argc && !(sink == Feed && SessionEnded()); i++) {
        if (TextEqualNoCase(argv[i], L"--keys")) {
            ReplayScript(argv[++i], L'|', false, options.delayMs, sink);
        } else if (TextEqualNoCase(argv[i], L"--script")) {
            const wchar_t *path = argv[++i];
            int error = ReadScriptFile(path, script, ScriptCapacity);
            if (error != 0) {
                Out(L"\r\n");
                return Fail(L"lwshell: cannot read the script \"%s\"\r\n", path);
            }
            ReplayScript(script, L'\n', true, options.delayMs, sink);
        } else if (TextEqualNoCase(argv[i], L"--plugin") || TextEqualNoCase(argv[i], L"--delay") ||
                   TextEqualNoCase(argv[i], L"--note")) {
            i++;
        }
    }
    return true;
}

// Some consoles turn Ctrl-C into a signal even with processed input off; it comes back as
// the keystroke it was, so that it cancels the line instead of ending the shell.
BOOL WINAPI CtrlCAsKey(DWORD event)
{
    if (event == CTRL_C_EVENT) {
        INPUT_RECORD record = {};
        record.EventType = KEY_EVENT;
        record.Event.KeyEvent.bKeyDown = TRUE;
        record.Event.KeyEvent.wRepeatCount = 1;
        record.Event.KeyEvent.wVirtualKeyCode = 'C';
        record.Event.KeyEvent.wVirtualScanCode = 0x2E;
        record.Event.KeyEvent.uChar.UnicodeChar = 3;
        record.Event.KeyEvent.dwControlKeyState = LEFT_CTRL_PRESSED;
        DWORD written;
        WriteConsoleInputW(GetStdHandle(STD_INPUT_HANDLE), &record, 1, &written);
    }
    return TRUE;
}

// Shows what one key event becomes. Stops at Ctrl-C.
bool ShowKey(const KEY_EVENT_RECORD &key)
{
    ShellKey shell;
    if (!TranslateKeyEvent(key, ShowNewerHost, &shell))
        return true;
    OutFormat(L"vk 0x%02X scan 0x%02X char 0x%04X state 0x%04lX -> code 0x%X %s\r\n",
              key.wVirtualKeyCode, key.wVirtualScanCode, key.uChar.UnicodeChar,
              key.dwControlKeyState, shell.code, shell.name);
    return shell.code != 3;
}

// For checking a terminal or the key tables: what each key becomes, until Ctrl-C.
int ShowKeys(void)
{
    Out(L"Press keys to see their codes; Ctrl-C ends.\r\n");
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    for (;;) {
        INPUT_RECORD record;
        DWORD count = 0;
        if (!ReadConsoleInputW(input, &record, 1, &count) || count == 0)
            return 1;
        if (record.EventType == KEY_EVENT && !ShowKey(record.Event.KeyEvent))
            return 0;
    }
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv)
        return 2;
    Options options;
    bool help = false;
    if (!ParseOptions(argc, argv, &options, &help) || help) {
        if (help)
            OutFormat(Usage, PluginFileName(), ScriptKeyNamesHelp());
        LocalFree(argv);
        return help ? 0 : 2;
    }
    bool console = ScreenInit();
    SetConsoleCtrlHandler(CtrlCAsKey, TRUE);
    if (options.showKeys) {
        // Scripted keys are shown instead of read from the keyboard.
        ShowNewerHost = options.newerHost;
        int result = options.scripted ? (RunScripts(argc, argv, options, ShowKey) ? 0 : 2)
                     : console        ? ShowKeys()
                                      : 2;
        ScreenRestore();
        LocalFree(argv);
        return result;
    }

    if (!LoadShellLibrary())
        OutError(L"lwshell: TakeCmd.dll is missing from lwshell's folder; running without "
                 L"the shell library.\r\n");
    ShellSetVariable(L"_4ver", options.newerHost ? L"34.00" : L"23.00");
    // Set before the plug-in starts, as the graphical host is there before it loads.
    HWND window = GetConsoleWindow();
    bool playsHost = options.graphicalHost && window && IsWindowVisible(window) &&
                     ShellPlayGraphicalHost(window);
    if (options.graphicalHost && !playsHost)
        OutError(L"lwshell: --gui-host needs a console window on the screen (wineconsole) "
                 L"and the shell library; playing no graphical host.\r\n");

    if (options.plugin) {
        static wchar_t message[MessageCapacity];
        if (!ShellLibraryLoaded())
            OutError(L"lwshell: the plug-in needs TakeCmd.dll; running without it.\r\n");
        else if (LoadPlugin(options.pluginPath, message, MessageCapacity) != 0)
            Fail(L"lwshell: %s; running without the plug-in.\r\n", message);
    } else {
        Out(L"lwshell: running without the plug-in.\r\n");
    }
    OutFormat(L"lwshell, the Linewise stand-in shell (%s host). Type exit to leave.\r\n",
              options.newerHost ? L"newer" : L"older");
    // The caller's own start line, written here: output before the shell's would shift the
    // screen that a terminal's console takes as its own from row 0.
    if (options.note)
        OutFormat(L"%s\r\n", options.note);
    if (playsHost)
        Out(L"It plays the graphical host with this window: Print Viewport, Save Viewport\r\n"
            L"Picture and the Character Info popup use it; F1 on linewise opens its help.\r\n");
    if (options.terminalKeys && PluginLoaded())
        BindTerminalKeys();

    SessionOptions session = {options.newerHost};
    SessionStart(session);
    bool scripted = RunScripts(argc, argv, options, Feed);
    if (scripted && !SessionEnded() && console)
        SessionReadKeyboard();
    if (!SessionEnded())
        Out(L"\r\n");

    UnloadPlugin();
    ScreenRestore();
    LocalFree(argv);
    return scripted ? SessionExitCode() : 2;
}
