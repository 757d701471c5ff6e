// Benchmark rows of the console actions: Print History of 10,000 entries against one
// WriteFile of the same bytes, and Clear Screen against one console buffer query.
#include "bench/console.h"

#include "actions/console/clearscreen.h"
#include "actions/console/printhistory.h"
#include "frame/plugin.h"

#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

namespace
{

double Smaller(double a, double b)
{
    return a < b ? a : b;
}

const wchar_t *BenchPath(const wchar_t *name)
{
    static wchar_t path[2][MAX_PATH];
    static int which;
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    which ^= 1;
    swprintf(path[which], MAX_PATH, L"%lslwbench-%lu-%ls", temporary,
             (unsigned long)GetCurrentProcessId(), name);
    return path[which];
}

void BenchPrintHistory(void)
{
    HMODULE shell = GetModuleHandleW(L"TakeCmd.dll");
    typedef void(__cdecl * AddFunction)(const wchar_t *);
    typedef void(__cdecl * ClearFunction)(void);
    AddFunction add = (AddFunction)(void *)GetProcAddress(shell, "HostAddHistory");
    ClearFunction clear = (ClearFunction)(void *)GetProcAddress(shell, "HostClearHistory");
    if (!add || !clear) {
        printf("print history: no stand-in history\n");
        return;
    }
    clear();
    for (int i = 0; i < 10000; i++) {
        wchar_t entry[8];
        swprintf(entry, 8, L"e%04d", i);
        add(entry);
    }
    const wchar_t *history = BenchPath(L"history.txt");
    const wchar_t *plain = BenchPath(L"plain.txt");
    double action = 1e9, floor = 1e9;
    static char bytes[1 << 20];
    DWORD size = 0;
    for (int run = 0; run < 5; run++) {
        double start = Seconds();
        WriteHistoryFile(history, 0, PrintHistoryNumbered);
        action = Smaller(action, Seconds() - start);

        HANDLE in =
            CreateFileW(history, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ReadFile(in, bytes, sizeof bytes, &size, nullptr);
        CloseHandle(in);
        start = Seconds();
        HANDLE out = CreateFileW(plain, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(out, bytes, size, &written, nullptr);
        CloseHandle(out);
        floor = Smaller(floor, Seconds() - start);
    }
    DeleteFileW(history);
    DeleteFileW(plain);
    printf("floor: one WriteFile of %lu bytes (create, write, close) %9.1f us\n",
           (unsigned long)size, floor * 1e6);
    printf("print history, 10,000 entries numbered: %6.2f x that WriteFile\n", action / floor);
}

void BenchClearScreen(void)
{
    HANDLE screen =
        CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
    COORD size = {80, 3000};
    if (screen == INVALID_HANDLE_VALUE || !SetConsoleScreenBufferSize(screen, size)) {
        printf("clear screen: no console buffer\n");
        return;
    }
    HANDLE saved = Plugin.console;
    Plugin.console = screen;
    SetEnvironmentVariableW(L"WT_SESSION", nullptr);
    const int rounds = 200;
    double query = 1e9, move = 1e9, shift = 1e9;
    wchar_t line[8] = L"x";
    for (int run = 0; run < 5; run++) {
        CONSOLE_SCREEN_BUFFER_INFO info;
        double start = Seconds();
        for (int i = 0; i < rounds; i++)
            GetConsoleScreenBufferInfo(screen, &info);
        query = Smaller(query, (Seconds() - start) / rounds);
        KeyEvent event = {};
        event.line = line;
        event.cursor = line;
        start = Seconds();
        for (int i = 0; i < rounds; i++) {
            event.homeRow = event.row = 100 + (i & 1);
            ClearScreen(&event);
        }
        move = Smaller(move, (Seconds() - start) / rounds);
        start = Seconds();
        for (int i = 0; i < rounds; i++) {
            event.homeRow = event.row = 2990;
            ClearScreen(&event);
        }
        shift = Smaller(shift, (Seconds() - start) / rounds);
    }
    Plugin.console = saved;
    CloseHandle(screen);
    printf("floor: one console buffer query %9.1f us\n", query * 1e6);
    printf("clear screen, window moved:                %6.2f x that query\n", move / query);
    printf("clear screen, 80 x 3000 buffer shifted up: %6.2f x that query\n", shift / query);
}

} // namespace

void BenchConsoleActions(void)
{
    BenchPrintHistory();
    BenchClearScreen();
}
