// The calculator line through the plug-in's exported hook: Enter on ":2+3" prints
// "2+3 = 5" on a real console with the value in the highlight colour, restores the colour,
// sets Ans and leaves Enter to the shell.
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/platform.h"
#include "tests/support/screen.h"
#include "tests/support/startedplugin.h"

#include <stdio.h>
#include <wchar.h>

namespace
{

enum { Rows = 300, Width = 80, LineRow = 100, PromptWidth = 5, F3 = 0x1003D };

// A screen buffer of its own, active and standard output for the time of a test, so that the
// shell's output, colours and cursor all meet in it; the previous ones come back afterwards.
struct TestConsole {
    HANDLE screen;
    HANDLE previousActive;
    HANDLE previousOutput;
};

TestConsole OpenTestConsole(void)
{
    TestConsole console = {};
    console.previousOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    console.previousActive =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    console.screen = NewTestScreen(Width, Rows, 0);
    CHECK(console.screen != nullptr);
    SetStdHandle(STD_OUTPUT_HANDLE, console.screen);
    return console;
}

void CloseTestConsole(TestConsole &console)
{
    SetStdHandle(STD_OUTPUT_HANDLE, console.previousOutput);
    if (console.previousActive != INVALID_HANDLE_VALUE) {
        SetConsoleActiveScreenBuffer(console.previousActive);
        CloseHandle(console.previousActive);
    }
    CloseHandle(console.screen);
}

// Blank rows in the attribute, that attribute current, the cursor after a prompt.
void Prepare(const TestConsole &console, int attribute)
{
    DWORD done;
    COORD origin = {0, 0};
    FillConsoleOutputCharacterW(console.screen, L' ', Width * Rows, origin, &done);
    FillConsoleOutputAttribute(console.screen, (WORD)attribute, Width * Rows, origin, &done);
    SetConsoleTextAttribute(console.screen, (WORD)attribute);
    COORD cursor = {PromptWidth, LineRow};
    SetConsoleCursorPosition(console.screen, cursor);
}

const wchar_t *RowText(const TestConsole &console, int row)
{
    static wchar_t text[Width + 1];
    DWORD done = 0;
    COORD at = {0, (SHORT)row};
    ReadConsoleOutputCharacterW(console.screen, text, Width, at, &done);
    text[done] = 0;
    for (int n = (int)done; n > 0 && text[n - 1] == L' '; n--)
        text[n - 1] = 0;
    return text;
}

WORD CellAttribute(const TestConsole &console, int row, int column)
{
    WORD attribute = 0;
    DWORD done = 0;
    COORD at = {(SHORT)column, (SHORT)row};
    ReadConsoleOutputAttribute(console.screen, &attribute, 1, at, &done);
    return attribute;
}

CONSOLE_SCREEN_BUFFER_INFO Info(const TestConsole &console)
{
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    GetConsoleScreenBufferInfo(console.screen, &info);
    return info;
}

const wchar_t *Ans(void)
{
    static wchar_t value[64];
    if (!GetEnvironmentVariableW(L"Ans", value, 64))
        value[0] = 0;
    return value;
}

// Enter on a line shown at LineRow after the prompt, as the shell passes it. The hook's
// result must be 0, the key must stay with the shell and the line as it was.
ShellKeyEvent PressEnter(const char *row, const wchar_t *text)
{
    ShellKeyEvent e = ShellLine(13, text);
    e.homeRow = e.row = LineRow;
    e.column = PromptWidth + CursorOf(e);
    int cursor = CursorOf(e);
    CHECK_ROW_EQ(row, PressKey(&e), 0);
    CHECK_ROW_EQ(row, e.code, 13);
    CHECK_ROW_EQ(row, e.redraw, 0);
    CHECK_ROW(row, LineUnchanged());
    CHECK_ROW_EQ(row, CursorOf(e), cursor);
    return e;
}

// The four registry places of "Highlight", in the order they are read.
struct Place {
    HKEY root;
    const wchar_t *path;
};
const Place Places[4] = {
    {HKEY_CURRENT_USER, L"SOFTWARE\\JPPlugins\\Linewise"},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\JPPlugins\\Linewise"},
    {HKEY_CURRENT_USER, L"SOFTWARE\\JPPlugins"},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\JPPlugins"},
};

// Which keys this test made, so that it removes only those.
bool Existed[4];
bool Checked;

void RememberKeys(void)
{
    for (int i = 0; i < 4 && !Checked; i++) {
        HKEY key;
        Existed[i] = RegOpenKeyExW(Places[i].root, Places[i].path, 0, KEY_READ, &key) == 0;
        if (Existed[i])
            RegCloseKey(key);
    }
    Checked = true;
}

// "#dword" stands for a value of another type.
void SetPlace(int place, const wchar_t *value)
{
    HKEY key;
    if (RegCreateKeyExW(Places[place].root, Places[place].path, 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != 0) {
        CHECK(!"cannot create the registry key");
        return;
    }
    if (wcscmp(value, L"#dword") == 0) {
        DWORD number = 0x4F;
        RegSetValueExW(key, L"Highlight", 0, REG_DWORD, (const BYTE *)&number, sizeof number);
    } else {
        RegSetValueExW(key, L"Highlight", 0, REG_SZ, (const BYTE *)value,
                       (DWORD)((wcslen(value) + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
}

void CleanHighlight(bool removeKeys)
{
    SetEnvironmentVariableW(L"Highlight", nullptr);
    for (int i = 0; i < 4; i++) {
        HKEY key;
        if (RegOpenKeyExW(Places[i].root, Places[i].path, 0, KEY_SET_VALUE, &key) == 0) {
            RegDeleteValueW(key, L"Highlight");
            RegCloseKey(key);
        }
        if (removeKeys && !Existed[i])
            RegDeleteKeyW(Places[i].root, Places[i].path); // deepest first; fails if not empty
    }
}

struct HighlightRow {
    const char *name;
    int attribute;
    const wchar_t *environment;
    const wchar_t *places[4];
    int expected;
};

const HighlightRow HighlightRows[] = {
    {"bright form of the foreground", 0x07, nullptr, {}, 0x0F},
    {"hexadecimal", 0x07, L"0x4F", {}, 0x4F},
    {"own key under the current user", 0x07, nullptr, {L"0x2E"}, 0x2E},
    {"own key under the local machine", 0x07, nullptr, {nullptr, L"0x3E"}, 0x3E},
    {"shared key under the current user", 0x07, nullptr, {nullptr, nullptr, L"0x5E"}, 0x5E},
    {"shared key under the local machine",
     0x07,
     nullptr,
     {nullptr, nullptr, nullptr, L"0x6E"},
     0x6E},
    {"environment first", 0x07, L"0x4F", {L"0x2E", L"0x3E", L"0x5E", L"0x6E"}, 0x4F},
    {"registry places in order", 0x07, nullptr, {nullptr, L"0x3E", L"0x5E", L"0x6E"}, 0x3E},
    {"empty value counts as absent", 0x07, nullptr, {L"", L"0x3E"}, 0x3E},
    {"other type counts as absent", 0x07, nullptr, {L"#dword", nullptr, L"0x5E"}, 0x5E},
};

} // namespace

// The rows that read the machine-wide keys (machine) or only the others.
void HighlightFromRows(bool machine)
{
    ResetSettings();
    RememberKeys();
    CleanHighlight(false);
    TestConsole console = OpenTestConsole();
    for (const HighlightRow &row : HighlightRows) {
        if ((row.places[1] || row.places[3]) != machine)
            continue;
        CleanHighlight(false);
        if (row.environment)
            SetEnvironmentVariableW(L"Highlight", row.environment);
        for (int i = 0; i < 4; i++)
            if (row.places[i])
                SetPlace(i, row.places[i]);
        SetEnvironmentVariableW(L"Ans", nullptr);
        Prepare(console, row.attribute);

        ShellKeyEvent e = PressEnter(row.name, L":2+3|");
        CHECK_ROW_TEXT(row.name, RowText(console, LineRow + 1), L"2+3 = 5");
        for (int column = 0; column < 6; column++)
            CHECK_ROW_EQ(row.name, CellAttribute(console, LineRow + 1, column), row.attribute);
        CHECK_ROW_EQ(row.name, CellAttribute(console, LineRow + 1, 6), row.expected);
        CHECK_ROW_EQ(row.name, CellAttribute(console, LineRow + 1, 7), row.attribute);
        CONSOLE_SCREEN_BUFFER_INFO info = Info(console);
        CHECK_ROW_EQ(row.name, info.wAttributes & 0xFF, row.attribute);
        CHECK_ROW_EQ(row.name, info.dwCursorPosition.Y, LineRow + 2);
        CHECK_ROW_EQ(row.name, info.dwCursorPosition.X, 0);
        CHECK_ROW_EQ(row.name, e.homeRow, LineRow + 2);
        CHECK_ROW_EQ(row.name, e.row, LineRow + 2);
        CHECK_ROW_EQ(row.name, e.homeColumn, 0);
        CHECK_ROW_EQ(row.name, e.column, 0);
        CHECK_ROW_TEXT(row.name, Ans(), L"5");
        CHECK_ROW_TEXT(row.name, TakeOutput(2), L"");
    }
    CloseTestConsole(console);
    CleanHighlight(true);
}

TEST(calculator_highlight_sources_and_colours)
{
    HighlightFromRows(false);
}

TEST(calculator_highlight_from_the_machine_keys)
{
    if (!MachineKeyWritable()) {
        SkipCase("writes the machine-wide keys, which needs administrator rights");
        return;
    }
    HighlightFromRows(true);
}

struct LineRowCase {
    const char *name;
    const wchar_t *line;
    const wchar_t *printed; // the row below the line; null: nothing printed at all
    const wchar_t *ans;     // Ans afterwards
    bool error;             // the shell's own message on standard error
};

const LineRowCase LineRows[] = {
    {"sum", L":2+3", L"2+3 = 5", L"5", false},
    {"Ans in the next expression", L":%Ans*2", L"%Ans*2 = 10", L"10", false},
    {"blanks around the expression", L":  7 / 2  ", L"7 / 2 = 3.5", L"3.5", false},
    {"precedence and parentheses", L":(1+2)*3-4", L"(1+2)*3-4 = 5", L"5", false},
    {"only blanks", L":   ", nullptr, L"5", false},
    {"colon alone", L":", nullptr, L"5", false},
    {"division by zero", L":1/0", L"", L"5", true},
    {"malformed", L":2+*3", L"", L"5", true},
    {"unknown function", L":%@nosuch[1]", L"", L"5", true},
};

TEST(calculator_lines)
{
    ResetSettings();
    RememberKeys();
    CleanHighlight(false);
    TestConsole console = OpenTestConsole();
    for (const LineRowCase &row : LineRows) {
        Prepare(console, 0x07);
        ShellKeyEvent e = PressEnter(row.name, row.line);
        CONSOLE_SCREEN_BUFFER_INFO info = Info(console);
        if (row.printed) {
            // A failed line leaves the one line break written before the evaluation.
            int below = row.error ? LineRow + 1 : LineRow + 2;
            CHECK_ROW_TEXT(row.name, RowText(console, LineRow + 1), row.printed);
            CHECK_ROW_EQ(row.name, info.dwCursorPosition.Y, below);
            CHECK_ROW_EQ(row.name, e.homeRow, below);
            CHECK_ROW_EQ(row.name, e.row, below);
            CHECK_ROW_EQ(row.name, e.column, 0);
        } else {
            CHECK_ROW_TEXT(row.name, RowText(console, LineRow + 1), L"");
            CHECK_ROW_EQ(row.name, info.dwCursorPosition.Y, LineRow);
            CHECK_ROW_EQ(row.name, info.dwCursorPosition.X, PromptWidth);
            CHECK_ROW_EQ(row.name, e.homeRow, LineRow);
        }
        CHECK_ROW_TEXT(row.name, Ans(), row.ans);
        CHECK_ROW_EQ(row.name, wcslen(TakeOutput(2)) > 0, row.error);
    }

    // A line of 8,192 characters or more is left to the shell entirely.
    static wchar_t longLine[8200];
    longLine[0] = L':';
    for (int i = 1; i < 8192; i++)
        longLine[i] = i % 2 ? L'1' : L'+';
    longLine[8192] = 0;
    Prepare(console, 0x07);
    ShellKeyEvent e = PressEnter("line of 8192 characters", longLine);
    CHECK_EQ(Info(console).dwCursorPosition.Y, LineRow);
    CHECK_EQ(e.homeRow, LineRow);
    CHECK_TEXT(TakeOutput(2), L"");
    CloseTestConsole(console);
}

// A calculator line that printed is not remembered for "Insert Last Args"; one that failed is.
TEST(calculator_skips_the_last_arguments)
{
    ResetSettings();
    TestConsole console = OpenTestConsole();
    Prepare(console, 0x07);
    PressEnter("ordinary line", L"dir foo|");
    Prepare(console, 0x07);
    PressEnter("calculator line", L":2+3|");

    ShellKeyEvent f3 = ShellLine(F3, L"x |");
    PressKey(&f3);
    CHECK_LINE(f3, L"x foo|");

    Prepare(console, 0x07);
    PressEnter("failed calculator line", L":1/0|");
    f3 = ShellLine(F3, L"x |");
    PressKey(&f3);
    CHECK_LINE(f3, L"x |");
    CHECK_EQ(Host().HonkCalls(), 1);
    TakeOutput(2);
    CloseTestConsole(console);
}
