#include "host/takecmd/variables.h"

#include "frame/text.h"
#include "host/takecmd/control.h"

#include <windows.h>

namespace
{

const int MaxOverrides = 32;
const size_t NameUnits = 128;
const size_t ValueUnits = 8192;

struct Setting {
    bool used;
    wchar_t name[NameUnits];
    wchar_t value[ValueUnits];
};

Setting variables[MaxOverrides];
Setting options[MaxOverrides];

struct Default {
    const wchar_t *name;
    const wchar_t *value;
};

// Built-in values that do not depend on the machine.
const Default FixedVariables[] = {
    {L"_4ver", L"33.00"}, {L"_transient", L"0"}, {L"_pipe", L"0"},
    {L"_batch", L"0"},    {L"_batchname", L""},  {L"_batchline", L"-1"},
    {L"_insert", L"1"},   {L"_cmdproc", L"TCC"}, {L"_echo", L"1"},
};

const Default DefaultOptions[] = {
    {L"EscapeChar", L"^"},    {L"UnixPaths", L"No"},    {L"CommandSep", L"&"},
    {L"ParameterChar", L"/"}, {L"DecimalChar", L"."},   {L"ThousandsChar", L","},
    {L"BatchEcho", L"Yes"},   {L"EditMode", L"Insert"}, {L"HistLogOn", L"No"},
};

Setting *Find(Setting *table, const wchar_t *name)
{
    for (int i = 0; i < MaxOverrides; i++)
        if (table[i].used && TextEqualNoCase(table[i].name, name))
            return &table[i];
    return nullptr;
}

void Store(Setting *table, const wchar_t *name, const wchar_t *value)
{
    if (!name || !*name || TextLength(name) >= NameUnits)
        return;
    Setting *slot = Find(table, name);
    if (!value) {
        if (slot)
            slot->used = false;
        return;
    }
    for (int i = 0; !slot && i < MaxOverrides; i++)
        if (!table[i].used)
            slot = &table[i];
    if (!slot)
        return;
    slot->used = true;
    TextCopy(slot->name, NameUnits, name);
    TextCopy(slot->value, ValueUnits, value);
}

int Give(wchar_t *out, size_t capacity, const wchar_t *value)
{
    if (TextCopy(out, capacity, value) != 0) {
        if (out && capacity)
            out[0] = 0;
        return 2;
    }
    return 0;
}

HANDLE ConsoleOutput(void)
{
    return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

bool ScreenInfo(CONSOLE_SCREEN_BUFFER_INFO *info)
{
    HANDLE console = ConsoleOutput();
    if (console == INVALID_HANDLE_VALUE)
        return false;
    bool ok = GetConsoleScreenBufferInfo(console, info) != 0;
    CloseHandle(console);
    return ok;
}

// Internal variables whose value is computed at each use. Result as for LookupVariable.
int Computed(const wchar_t *name, wchar_t *out, size_t capacity)
{
    wchar_t value[MAX_PATH * 4 + 2];
    value[0] = 0;
    SYSTEMTIME now;
    CONSOLE_SCREEN_BUFFER_INFO screen;
    if (TextEqualNoCase(name, L"_isodate") || TextEqualNoCase(name, L"_date") ||
        TextEqualNoCase(name, L"_time")) {
        GetLocalTime(&now);
        if (TextEqualNoCase(name, L"_isodate"))
            TextFormat(value, 64, L"%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
        else if (TextEqualNoCase(name, L"_date"))
            TextFormat(value, 64, L"%02u-%02u-%02u", now.wMonth, now.wDay, now.wYear % 100);
        else
            TextFormat(value, 64, L"%02u:%02u:%02u", now.wHour, now.wMinute, now.wSecond);
    } else if (TextEqualNoCase(name, L"_cmdspec")) {
        DWORD n = GetModuleFileNameW(nullptr, value, MAX_PATH * 4);
        if (n == 0 || n >= MAX_PATH * 4)
            value[0] = 0;
    } else if (TextEqualNoCase(name, L"_cwd") || TextEqualNoCase(name, L"_cwds") ||
               TextEqualNoCase(name, L"_cwp") || TextEqualNoCase(name, L"_disk")) {
        DWORD n = GetCurrentDirectoryW(MAX_PATH * 4, value);
        if (n == 0 || n >= MAX_PATH * 4)
            return Give(out, capacity, L"");
        size_t length = TextLength(value);
        if (TextEqualNoCase(name, L"_cwds") && length && value[length - 1] != L'\\')
            TextAppend(value, MAX_PATH * 4 + 2, L"\\");
        else if (TextEqualNoCase(name, L"_cwp") && length >= 2 && value[1] == L':')
            TextCopy(value, MAX_PATH * 4 + 2, value + 2);
        else if (TextEqualNoCase(name, L"_disk"))
            value[length >= 2 && value[1] == L':' ? 1 : 0] = 0;
    } else if (TextEqualNoCase(name, L"_pid")) {
        TextFormat(value, 64, L"%lu", GetCurrentProcessId());
    } else if (TextEqualNoCase(name, L"_row") || TextEqualNoCase(name, L"_column") ||
               TextEqualNoCase(name, L"_rows") || TextEqualNoCase(name, L"_columns") ||
               TextEqualNoCase(name, L"_fg") || TextEqualNoCase(name, L"_bg")) {
        if (!ScreenInfo(&screen))
            return Give(out, capacity, L"0");
        int number = 0;
        if (TextEqualNoCase(name, L"_row"))
            number = screen.dwCursorPosition.Y;
        else if (TextEqualNoCase(name, L"_column"))
            number = screen.dwCursorPosition.X;
        else if (TextEqualNoCase(name, L"_rows"))
            number = screen.srWindow.Bottom - screen.srWindow.Top + 1;
        else if (TextEqualNoCase(name, L"_columns"))
            number = screen.srWindow.Right - screen.srWindow.Left + 1;
        else if (TextEqualNoCase(name, L"_fg"))
            number = screen.wAttributes & 0x0F;
        else
            number = (screen.wAttributes >> 4) & 0x0F;
        TextFormat(value, 64, L"%d", number);
    } else {
        return 1;
    }
    return Give(out, capacity, value);
}

} // namespace

int LookupVariable(const wchar_t *name, wchar_t *out, size_t capacity)
{
    if (out && capacity)
        out[0] = 0;
    if (!name || !*name)
        return 1;
    if (const Setting *set = Find(variables, name))
        return Give(out, capacity, set->value);
    SetLastError(0);
    DWORD n = GetEnvironmentVariableW(name, out, (DWORD)capacity);
    if (n > 0 && n < capacity)
        return 0;
    if (n >= capacity) {
        if (out && capacity)
            out[0] = 0;
        return 2;
    }
    if (GetLastError() != ERROR_ENVVAR_NOT_FOUND)
        return 0; // defined but empty
    for (const Default &fixed : FixedVariables)
        if (TextEqualNoCase(fixed.name, name))
            return Give(out, capacity, fixed.value);
    return Computed(name, out, capacity);
}

int LookupOption(const wchar_t *name, wchar_t *out, size_t capacity)
{
    if (out && capacity)
        out[0] = 0;
    if (!name)
        return 1;
    if (const Setting *set = Find(options, name))
        return Give(out, capacity, set->value);
    for (const Default &option : DefaultOptions)
        if (TextEqualNoCase(option.name, name))
            return Give(out, capacity, option.value);
    return 1;
}

static wchar_t FirstOf(const wchar_t *option, wchar_t fallback)
{
    wchar_t value[16];
    if (LookupOption(option, value, 16) != 0 || !value[0])
        return fallback;
    return value[0];
}

wchar_t EscapeChar(void)
{
    return FirstOf(L"EscapeChar", L'^');
}
wchar_t CommandSeparator(void)
{
    return FirstOf(L"CommandSep", L'&');
}

extern "C" {

TAKECMD_API void __cdecl HostSetVariable(const wchar_t *name, const wchar_t *value)
{
    Store(variables, name, value);
}

TAKECMD_API void __cdecl HostSetOption(const wchar_t *name, const wchar_t *value)
{
    Store(options, name, value);
}
}
