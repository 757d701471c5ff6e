// Variable expansion of the stand-in shell, through ExpandVariables as the plug-in calls it.
#include "frame/host.h"
#include "frame/text.h"
#include "tests/support/check.h"
#include "tests/support/hostctl.h"

#include <string.h>

static wchar_t buffer[8192];

// Expands text in the shared 8192-unit buffer; result of ExpandVariables.
static int Expand(const wchar_t *text)
{
    TextCopy(buffer, 8192, text);
    return ExpandVariables(buffer, 1);
}

static void Reset(void)
{
    Host().CaptureOutput(1);
    TakeOutput(1);
    TakeOutput(2);
}

TEST(environment_variables_in_every_form)
{
    Reset();
    SetEnvironmentVariableW(L"LwColour", L"blue");
    CHECK_EQ(Expand(L"a %LwColour b"), 0);
    CHECK_TEXT(buffer, L"a blue b");
    CHECK_EQ(Expand(L"[%LwColour%]"), 0);
    CHECK_TEXT(buffer, L"[blue]");
    CHECK_EQ(Expand(L"%lwcolour%%lwcolour"), 0); // names ignore case; %name% then %name
    CHECK_TEXT(buffer, L"blueblue");
    CHECK_EQ(Expand(L"x%[LwColour]y"), 0);
    CHECK_TEXT(buffer, L"xbluey");
    CHECK_EQ(Expand(L"%LwColour.txt"), 0); // the name ends at the first non-name character
    CHECK_TEXT(buffer, L"blue.txt");
    // Long names work in both forms.
    wchar_t name[302], text[320];
    for (int i = 0; i < 300; i++)
        name[i] = (wchar_t)(L'a' + i % 26);
    name[300] = 0;
    SetEnvironmentVariableW(name, L"long");
    TextFormat(text, 320, L"%%%s.", name);
    CHECK_EQ(Expand(text), 0);
    CHECK_TEXT(buffer, L"long.");
    TextFormat(text, 320, L"%%[%s]", name);
    CHECK_EQ(Expand(text), 0);
    CHECK_TEXT(buffer, L"long");
    SetEnvironmentVariableW(name, nullptr);
    SetEnvironmentVariableW(L"LwColour", nullptr);
    CHECK_EQ(Expand(L"<%LwColour>"), 0);
    CHECK_TEXT(buffer, L"<>");
    CHECK_TEXT(TakeOutput(2), L"");
}

TEST(bracket_form_expands_its_name_first)
{
    SetEnvironmentVariableW(L"LwWhich", L"LwTarget");
    SetEnvironmentVariableW(L"LwTarget", L"found");
    CHECK_EQ(Expand(L"%[%LwWhich]"), 0);
    CHECK_TEXT(buffer, L"found");
    SetEnvironmentVariableW(L"Lw Odd(x86)", L"odd");
    CHECK_EQ(Expand(L"%[Lw Odd(x86)]!"), 0);
    CHECK_TEXT(buffer, L"odd!");
    SetEnvironmentVariableW(L"LwWhich", nullptr);
    SetEnvironmentVariableW(L"LwTarget", nullptr);
    SetEnvironmentVariableW(L"Lw Odd(x86)", nullptr);
}

TEST(percent_escape_and_separator_forms)
{
    CHECK_EQ(Expand(L"100%% sure %= %+"), 0);
    CHECK_TEXT(buffer, L"100% sure ^ &");
    CHECK_EQ(Expand(L"%%path%%"), 0);
    CHECK_TEXT(buffer, L"%path%");
    // A lone percent sign and one before a digit (no batch running) stay as written.
    CHECK_EQ(Expand(L"50% off, 10%3, end %"), 0);
    CHECK_TEXT(buffer, L"50% off, 10%3, end %");
    // The escape character protects what follows it and stays for the parser.
    SetEnvironmentVariableW(L"LwX", L"value");
    CHECK_EQ(Expand(L"^%LwX %LwX"), 0);
    CHECK_TEXT(buffer, L"^%LwX value");
    Host().SetOption(L"EscapeChar", L"\x1B");
    CHECK_EQ(Expand(L"%= \x1B%LwX ^%LwX"), 0);
    CHECK_TEXT(buffer, L"\x1B \x1B%LwX ^value");
    Host().SetOption(L"EscapeChar", nullptr);
    SetEnvironmentVariableW(L"LwX", nullptr);
}

TEST(internal_variables_and_overrides)
{
    CHECK_EQ(Expand(L"%_4ver|%[_transient]%[_pipe]%[noloadmsg_lw_none]|%_batch|%_insert"), 0);
    CHECK_TEXT(buffer, L"33.00|00|0|1");
    CHECK_EQ(Expand(L"[%_batchname][%_batchline]"), 0);
    CHECK_TEXT(buffer, L"[][-1]");
    Host().SetVariable(L"_4ver", L"24.02");
    Host().SetVariable(L"_batch", L"2");
    CHECK_EQ(Expand(L"%_4ver %_BATCH"), 0);
    CHECK_TEXT(buffer, L"24.02 2");
    Host().SetVariable(L"_4ver", nullptr);
    Host().SetVariable(L"_batch", nullptr);
    CHECK_EQ(Expand(L"%_4ver %_batch"), 0);
    CHECK_TEXT(buffer, L"33.00 0");

    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    CHECK_EQ(Expand(L"%_cmdspec"), 0);
    CHECK_TEXT(buffer, exe);

    wchar_t expected[MAX_PATH + 32];
    TextFormat(expected, 32, L"%lu", GetCurrentProcessId());
    CHECK_EQ(Expand(L"%_pid"), 0);
    CHECK_TEXT(buffer, expected);
    GetCurrentDirectoryW(MAX_PATH, expected);
    CHECK_EQ(Expand(L"%_cwd"), 0);
    CHECK_TEXT(buffer, expected);
    CHECK_EQ(Expand(L"%_cwds"), 0);
    CHECK_EQ(buffer[TextLength(buffer) - 1], L'\\');

    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t date[32];
    TextFormat(date, 32, L"%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
    CHECK_EQ(Expand(L"%_isodate"), 0);
    CHECK_TEXT(buffer, date);
}

TEST(functions_with_expanded_arguments)
{
    SetEnvironmentVariableW(L"LwWord", L"MiXed");
    CHECK_EQ(Expand(L"%@upper[%LwWord]/%@lower[%LwWord]/%@len[%LwWord]"), 0);
    CHECK_TEXT(buffer, L"MIXED/mixed/5");
    CHECK_EQ(Expand(L"%@len[]"), 0);
    CHECK_TEXT(buffer, L"0");
    CHECK_EQ(Expand(L"%@option[EscapeChar]%@option[UnixPaths]"), 0);
    CHECK_TEXT(buffer, L"^No");
    Host().SetOption(L"UnixPaths", L"Yes");
    CHECK_EQ(Expand(L"%@OPTION[unixpaths]"), 0);
    CHECK_TEXT(buffer, L"Yes");
    Host().SetOption(L"UnixPaths", nullptr);
    CHECK_EQ(Expand(L"%@eval[2+3*4] %@eval[%@len[abcd]/8]"), 0);
    CHECK_TEXT(buffer, L"14 0.5");
    // Nested calls work from the inside out.
    CHECK_EQ(Expand(L"%@upper[%@lower[ABC]%@len[%@upper[xyz]]]"), 0);
    CHECK_TEXT(buffer, L"ABC3");
    // Brackets inside an argument nest; inside quotes they do not count.
    CHECK_EQ(Expand(L"%@len[a[b]c] %@upper[\"x]\"]"), 0);
    CHECK_TEXT(buffer, L"5 \"X]\"");
    SetEnvironmentVariableW(L"LwWord", nullptr);
}

TEST(file_name_functions)
{
    CHECK_EQ(Expand(L"%@path[C:\\Tools\\TCC\\tcc.exe]|%@name[C:\\Tools\\TCC\\tcc.exe]|"
                    L"%@ext[C:\\Tools\\TCC\\tcc.exe]|%@filename[C:\\a.b\\c]"),
             0);
    CHECK_TEXT(buffer, L"C:\\Tools\\TCC\\|tcc|exe|c");
    CHECK_EQ(Expand(L"[%@path[tcc.exe]][%@ext[C:\\a.b\\c]][%@name[\"C:\\x y\\z.tar.gz\"]]"), 0);
    CHECK_TEXT(buffer, L"[][][z.tar]");
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    wchar_t expected[MAX_PATH + 16];
    TextFormat(expected, MAX_PATH + 16, L"%s%sx.txt", cwd,
               cwd[TextLength(cwd) - 1] == L'\\' ? L"" : L"\\");
    CHECK_EQ(Expand(L"%@full[x.txt]"), 0);
    CHECK_TEXT(buffer, expected);
    // The help-file lookup form: the shell's own directory.
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    *(wcsrchr(exe, L'\\') + 1) = 0;
    TextAppend(exe, MAX_PATH, L"Linewise.chm");
    CHECK_EQ(Expand(L"%@path[%_cmdspec]Linewise.chm"), 0);
    CHECK_TEXT(buffer, exe);
}

TEST(failures_report_and_leave_the_text)
{
    Reset();
    CHECK(Expand(L"a %@xyz[1] b") != 0);
    CHECK_TEXT(buffer, L"a %@xyz[1] b");
    CHECK_TEXT(TakeOutput(2), L"TCC: Unknown function \"@xyz\"\r\n");
    CHECK(Expand(L"%@upper[abc") != 0);
    CHECK_TEXT(buffer, L"%@upper[abc");
    CHECK(TextLength(TakeOutput(2)) > 0);
    CHECK(Expand(L"%[unclosed") != 0);
    CHECK(Expand(L"%@upper[%@lower[x]") != 0);
    CHECK(Expand(L"%@eval[1/0]") != 0);
    CHECK_TEXT(buffer, L"%@eval[1/0]");
    CHECK(TextLength(TakeOutput(2)) > 0);
    CHECK_TEXT(TakeOutput(1), L"");
    // A function name without brackets is not a call.
    CHECK_EQ(Expand(L"%@upper x"), 0);
    CHECK_TEXT(buffer, L"%@upper x");
    CHECK_EQ(ExpandVariables(nullptr, 1) != 0, true);
}

TEST(quiet_expansion_writes_nothing)
{
    Reset();
    TextCopy(buffer, 8192, L"%@nosuch[x]");
    CHECK(ExpandQuietly(buffer) != 0);
    CHECK_TEXT(TakeOutput(2), L"");
    CHECK_TEXT(TakeOutput(1), L"");
}

TEST(results_near_the_buffer_size)
{
    Reset();
    static wchar_t value[8192];
    for (int i = 0; i < 4000; i++)
        value[i] = L'v';
    value[4000] = 0;
    SetEnvironmentVariableW(L"LwBig", value);
    // %LwBig%LwBig would be %LwBig% and the text LwBig.
    CHECK_EQ(Expand(L"%LwBig%LwBig"), 0);
    CHECK_EQ(TextLength(buffer), 4005u);
    CHECK_EQ(Expand(L"%[LwBig]%LwBig%"), 0); // 8000 units fit
    CHECK_EQ(TextLength(buffer), 8000u);
    // 8192 units with the terminator do not: the text stays as it was.
    static wchar_t text[8192];
    TextCopy(text, 8192, L"%[LwBig]%LwBig%");
    for (int i = 0; i < 191; i++)
        TextAppend(text, 8192, L"x");
    TextCopy(buffer, 8192, text);
    CHECK_EQ(ExpandVariables(buffer, 1), 0); // 8191 units
    CHECK_EQ(TextLength(buffer), 8191u);
    TextAppend(text, 8192, L"y");
    TextCopy(buffer, 8192, text);
    CHECK(ExpandVariables(buffer, 1) != 0);
    CHECK_TEXT(buffer, text);
    CHECK(TextLength(TakeOutput(2)) > 0);
    // A value longer than the whole buffer.
    static wchar_t huge[20000];
    for (int i = 0; i < 19999; i++)
        huge[i] = L'h';
    huge[19999] = 0;
    SetEnvironmentVariableW(L"LwHuge", huge);
    CHECK(Expand(L"%LwHuge") != 0);
    CHECK_TEXT(buffer, L"%LwHuge");
    CHECK(Expand(L"%@len[%LwHuge]") != 0);
    // A text without a terminator inside the buffer is refused untouched.
    for (int i = 0; i < 8192; i++)
        buffer[i] = L'%';
    CHECK(ExpandVariables(buffer, 1) != 0);
    CHECK_EQ(buffer[8191], L'%');
    SetEnvironmentVariableW(L"LwBig", nullptr);
    SetEnvironmentVariableW(L"LwHuge", nullptr);
    TakeOutput(2);
}

TEST(deep_nesting_fails_cleanly)
{
    Reset();
    static wchar_t text[8192];
    text[0] = 0;
    for (int i = 0; i < 200; i++)
        TextAppend(text, 8192, L"%@upper[");
    TextAppend(text, 8192, L"x");
    for (int i = 0; i < 200; i++)
        TextAppend(text, 8192, L"]");
    TextCopy(buffer, 8192, text);
    CHECK(ExpandVariables(buffer, 1) != 0);
    CHECK_TEXT(buffer, text);
    TakeOutput(2);
    Host().CaptureOutput(0);
}

TEST(double_parenthesis_evaluates_its_expansion)
{
    Reset();
    SetEnvironmentVariableW(L"LwN", L"4");
    CHECK_EQ(Expand(L"[%((2+3*%LwN))] [%((2*(1+2)))] [%(( 7 / 2 ))]"), 0);
    CHECK_TEXT(buffer, L"[14] [6] [3.5]");
    CHECK(Expand(L"%((1/0))") != 0);
    CHECK_TEXT(buffer, L"%((1/0))");
    CHECK(Expand(L"%((1+(2))") != 0);
    CHECK(TextLength(TakeOutput(2)) > 0);
    // The single forms are not the stand-in's: they stay as written.
    CHECK_EQ(Expand(L"%(x) %{y}"), 0);
    CHECK_TEXT(buffer, L"%(x) %{y}");
    SetEnvironmentVariableW(L"LwN", nullptr);
}
