// "File to URI" (Ctrl-Alt-F) through the plug-in's exported hook, with the stand-in shell.
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/plugindll.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace
{

enum { LineCapacity = 65536, AltF = 0x10021 };

PluginDll &Loaded(void)
{
    static PluginDll plugin;
    if (plugin.module)
        return plugin;
    plugin = LoadPluginDll();
    Host().CaptureOutput(1);
    if (plugin.InitializePlugin() != 0) {
        printf("InitializePlugin failed\n");
        exit(2);
    }
    plugin.linewise(L"/D /E1 /A0 /Q");
    TakeOutput(1);
    TakeOutput(2);
    return plugin;
}

wchar_t Line[LineCapacity];
wchar_t Before[LineCapacity];

ShellKeyEvent Event(const wchar_t *text, int cursor)
{
    Loaded();
    Host().ResetCounters();
    wmemset(Line, L'#', LineCapacity); // poison behind the terminator
    wcscpy(Line, text);
    ShellKeyEvent event = {};
    event.code = AltF;
    event.line = Line;
    event.cursor = Line + cursor;
    return event;
}

// Presses Ctrl-Alt-F with both modifiers really held, as on a keyboard; Before keeps the
// line as it was.
void Press(ShellKeyEvent *event)
{
    event->code = AltF;
    event->redraw = 0;
    memcpy(Before, Line, sizeof Line);
    PressModifiers(false, true, true, true);
    CHECK_EQ(Loaded().key(event), 0);
    PressModifiers(false, true, true, false);
    CHECK_EQ(event->code, 0);
}

int CursorOf(const ShellKeyEvent &event)
{
    return (int)(event.cursor - event.line);
}

// The line after a conversion, its cursor just after the new text, no error sound.
void CheckLine(const char *row, const ShellKeyEvent &e, const wchar_t *expected, int cursor)
{
    CheckText(e.line, expected, __FILE__, __LINE__, row);
    CheckInt(CursorOf(e), cursor, __FILE__, __LINE__, row);
    CheckInt(e.redraw, 1, __FILE__, __LINE__, row);
    CheckInt(Host().HonkCalls(), 0, __FILE__, __LINE__, row);
    // Nothing written past the longest line there was.
    size_t length = wcslen(expected);
    size_t before = wcslen(Before);
    size_t last = (length > before ? length : before) + 1;
    CheckTrue(last >= LineCapacity || Line[last] == L'#', __FILE__, __LINE__, row);
}

// Every "%" on the line stands in a pair, as the shell needs it.
bool PercentsDoubled(const wchar_t *text)
{
    for (const wchar_t *p = text; *p; p++)
        if (*p == L'%') {
            if (p[1] != L'%')
                return false;
            p++;
        }
    return true;
}

} // namespace

// Path to URI and back, at the end of a line and in its middle with the cursor inside the
// word. A null URI means: check the round trip and the doubled percents only (how non-ASCII
// characters are written in a URI is the system's choice).
TEST(file_to_uri_round_trips)
{
    const struct {
        const char *name;
        const wchar_t *path, *uri, *back;
    } cases[] = {
        {"drive path", L"C:\\plain.txt", L"file:///C:/plain.txt", L"C:\\plain.txt"},
        {"quoted, blanks", L"\"C:\\Tools\\a b.txt\"", L"file:///C:/Tools/a%%20b.txt",
         L"\"C:\\Tools\\a b.txt\""},
        {"UNC path", L"\"\\\\server\\share\\a b.txt\"", L"file://server/share/a%%20b.txt",
         L"\"\\\\server\\share\\a b.txt\""},
        {"hash and percent", L"C:\\a#b%c.txt", L"file:///C:/a%%23b%%25c.txt", L"\"C:\\a#b%c.txt\""},
        {"ampersand", L"C:\\R&D\\x.txt", L"file:///C:/R%%26D/x.txt", L"\"C:\\R&D\\x.txt\""},
        {"non-ASCII", L"C:\\caf\x00E9\\\x6F22\x5B57.txt", nullptr,
         L"C:\\caf\x00E9\\\x6F22\x5B57.txt"},
        {"non-ASCII and blank", L"\"C:\\\x00FC ber\\\x00E5.txt\"", nullptr,
         L"\"C:\\\x00FC ber\\\x00E5.txt\""},
    };
    static wchar_t text[4096], expected[4096];
    for (const auto &c : cases) {
        for (int middle = 0; middle < 2; middle++) {
            const wchar_t *tail = middle ? L" /q" : L"";
            swprintf(text, 4096, L"type %ls%ls", c.path, tail);
            ShellKeyEvent e = Event(text, middle ? 7 : (int)wcslen(text));
            Press(&e);
            int uriEnd = CursorOf(e);
            if (c.uri) {
                swprintf(expected, 4096, L"type %ls%ls", c.uri, tail);
                CheckLine(c.name, e, expected, 5 + (int)wcslen(c.uri));
            } else {
                CheckTrue(wcsncmp(e.line, L"type file:///C:/", 16) == 0, __FILE__, __LINE__,
                          c.name);
                CheckTrue(PercentsDoubled(e.line), __FILE__, __LINE__, c.name);
                CheckText(e.line + uriEnd, tail, __FILE__, __LINE__, c.name);
            }

            e.cursor = e.line + (middle ? 9 : uriEnd);
            Host().ResetCounters();
            Press(&e);
            swprintf(expected, 4096, L"type %ls%ls", c.back, tail);
            CheckLine(c.name, e, expected, 5 + (int)wcslen(c.back));
        }
    }
}

TEST(file_to_uri_examples)
{
    const struct {
        const char *name;
        const wchar_t *line;
        int cursor;
        const wchar_t *after;
        int cursorAfter;
    } cases[] = {
        {"percent pairs undone, then quoted", L"file:///C:/Tools/a%%20b.txt", 27,
         L"\"C:\\Tools\\a b.txt\"", 18},
        {"scheme ignores case", L"start FILE:///C:/x.txt", 8, L"start C:\\x.txt", 14},
        {"cursor just after the word", L"x file:///C:/y.txt z", 18, L"x C:\\y.txt z", 10},
        {"local host", L"file://localhost/C:/a.txt", 3, L"C:\\a.txt", 8},
    };
    for (const auto &c : cases) {
        ShellKeyEvent e = Event(c.line, c.cursor);
        Press(&e);
        CheckLine(c.name, e, c.after, c.cursorAfter);
    }
}

// A relative name becomes the URI of its full name in the current directory, with every
// percent sign of the URI doubled.
TEST(file_to_uri_relative_name)
{
    wchar_t saved[MAX_PATH], directory[MAX_PATH + 64];
    GetCurrentDirectoryW(MAX_PATH, saved);
    DWORD n = GetTempPathW(MAX_PATH, directory);
    CHECK(n > 0 && n < MAX_PATH);
    swprintf(directory + n, 64, L"lw uri 100%%-%lu", GetCurrentProcessId());
    CreateDirectoryW(directory, nullptr);
    CHECK(SetCurrentDirectoryW(directory));

    // The expected URI, written out by hand: the temporary path is plain ASCII here.
    static wchar_t expected[4096];
    wcscpy(expected, L"file:///");
    for (const wchar_t *p = directory; *p; p++) {
        if (*p == L'\\')
            wcscat(expected, L"/");
        else if (*p == L' ')
            wcscat(expected, L"%%20");
        else if (*p == L'%')
            wcscat(expected, L"%%25");
        else
            wcsncat(expected, p, 1);
    }
    wcscat(expected, L"/notes.txt");

    ShellKeyEvent e = Event(L"notes.txt", 9);
    Press(&e);
    CheckLine("relative name", e, expected, (int)wcslen(expected));
    Press(&e);
    wchar_t back[MAX_PATH + 80];
    swprintf(back, MAX_PATH + 80, L"\"%ls\\notes.txt\"", directory);
    CheckLine("and back", e, back, (int)wcslen(back));

    SetCurrentDirectoryW(saved);
    RemoveDirectoryW(directory);
}

// Each failure: the error sound, the key consumed, the line and cursor exactly as they were.
TEST(file_to_uri_failures_leave_the_line)
{
    static wchar_t longUri[10000], longPath[10000], fullLine[LineCapacity];
    wcscpy(longUri, L"file:///C:/");
    wmemset(longUri + 11, L'a', 9000);
    longUri[9011] = 0;
    wcscpy(longPath, L"C:\\");
    wmemset(longPath + 3, L'a', 9000);
    longPath[9003] = 0;
    // A full line whose last word grows when converted.
    wmemset(fullLine, L'x', LineCapacity - 1);
    fullLine[LineCapacity - 1] = 0;
    wcscpy(fullLine + LineCapacity - 1 - 10, L" C:\\a.txt");

    const struct {
        const char *name;
        const wchar_t *line;
        int cursor;
    } cases[] = {
        {"empty line", L"", 0},
        {"cursor on a blank after a blank", L"ab  cd", 3},
        {"only quotes", L"type \"\"", 7},
        {"URI too long for a path", longUri, 20},
        {"path too long for a URI", longPath, 20},
        {"result does not fit the line", fullLine, LineCapacity - 2},
    };
    for (const auto &c : cases) {
        ShellKeyEvent e = Event(c.line, c.cursor);
        Press(&e);
        CheckTrue(memcmp(Line, Before, sizeof Line) == 0, __FILE__, __LINE__, c.name);
        CheckInt(CursorOf(e), c.cursor, __FILE__, __LINE__, c.name);
        CheckInt(Host().HonkCalls(), 1, __FILE__, __LINE__, c.name);
        CheckInt(Host().ClearEditLineCalls(), 0, __FILE__, __LINE__, c.name);
    }
}
