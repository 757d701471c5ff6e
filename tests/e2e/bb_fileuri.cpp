// "File to URI" (Ctrl-Alt-F) through the plug-in's exported hook, with the stand-in shell.
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/startedplugin.h"

#include <stdio.h>
#include <wchar.h>

namespace
{

enum { AltF = 0x10021 };

// Presses Ctrl-Alt-F with both modifiers really held, as on a keyboard.
void Press(const char *row, ShellKeyEvent *event)
{
    event->code = AltF;
    event->redraw = 0;
    CHECK_ROW_EQ(row, PressKey(event, HoldCtrl | HoldAlt), 0);
    CHECK_ROW_EQ(row, event->code, 0);
}

// The text as written, the cursor at the index.
ShellKeyEvent Line(const wchar_t *text, int cursor)
{
    ShellLine(AltF, L"");
    return PlainLineEvent<ShellKeyEvent>(AltF, text, cursor);
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
    ResetSettings();
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
            ShellKeyEvent e = Line(text, middle ? 7 : (int)wcslen(text));
            Press(c.name, &e);
            int uriEnd = CursorOf(e);
            if (c.uri) {
                swprintf(expected, 4096, L"type %ls|%ls", c.uri, tail);
                CheckPress(c.name, e, expected);
            } else {
                CHECK_ROW(c.name, wcsncmp(e.line, L"type file:///C:/", 16) == 0);
                CHECK_ROW(c.name, PercentsDoubled(e.line));
                CHECK_ROW_TEXT(c.name, e.line + uriEnd, tail);
            }

            e.cursor = e.line + (middle ? 9 : uriEnd);
            Host().ResetCounters();
            Press(c.name, &e);
            swprintf(expected, 4096, L"type %ls|%ls", c.back, tail);
            CheckPress(c.name, e, expected);
        }
    }
}

TEST(file_to_uri_examples)
{
    ResetSettings();
    const struct {
        const char *name;
        const wchar_t *line, *after;
    } cases[] = {
        {"percent pairs undone, then quoted", L"file:///C:/Tools/a%%20b.txt|",
         L"\"C:\\Tools\\a b.txt\"|"},
        {"scheme ignores case", L"start FI|LE:///C:/x.txt", L"start C:\\x.txt|"},
        {"cursor just after the word", L"x file:///C:/y.txt| z", L"x C:\\y.txt| z"},
        {"local host", L"fil|e://localhost/C:/a.txt", L"C:\\a.txt|"},
    };
    for (const auto &c : cases) {
        ShellKeyEvent e = ShellLine(AltF, c.line);
        Press(c.name, &e);
        CheckPress(c.name, e, c.after);
    }
}

// A relative name becomes the URI of its full name in the current directory, with every
// percent sign of the URI doubled.
TEST(file_to_uri_relative_name)
{
    ResetSettings();
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
    wcscat(expected, L"/notes.txt|");

    ShellKeyEvent e = ShellLine(AltF, L"notes.txt");
    Press("relative name", &e);
    CheckPress("relative name", e, expected);
    Press("and back", &e);
    wchar_t back[MAX_PATH + 80];
    swprintf(back, MAX_PATH + 80, L"\"%ls\\notes.txt\"|", directory);
    CheckPress("and back", e, back);

    SetCurrentDirectoryW(saved);
    RemoveDirectoryW(directory);
}

// Each failure: the error sound, the key consumed, the line and cursor exactly as they were.
TEST(file_to_uri_failures_leave_the_line)
{
    ResetSettings();
    static wchar_t longUri[10000], longPath[10000], fullLine[TestLineCapacity];
    wcscpy(longUri, L"file:///C:/");
    wmemset(longUri + 11, L'a', 9000);
    longUri[9011] = 0;
    wcscpy(longPath, L"C:\\");
    wmemset(longPath + 3, L'a', 9000);
    longPath[9003] = 0;
    // A full line whose last word grows when converted.
    wmemset(fullLine, L'x', TestLineCapacity - 1);
    fullLine[TestLineCapacity - 1] = 0;
    wcscpy(fullLine + TestLineCapacity - 1 - 10, L" C:\\a.txt");

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
        {"result does not fit the line", fullLine, TestLineCapacity - 2},
    };
    for (const auto &c : cases) {
        ShellKeyEvent e = Line(c.line, c.cursor);
        Press(c.name, &e);
        CheckPress(c.name, e, nullptr);
    }
}
