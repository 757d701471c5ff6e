#include "keys/hotkeys.h"
#include "keys/keytables.h"
#include "settings/settings.h"
#include "tests/support/check.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

namespace
{

const unsigned Untouched = 0xDEADBEEF;
const wchar_t *const NotSet = L"(not set)";

// ParseNumber with end, returning the stop index, or -2 when end was not written.
int ParseWithEnd(const wchar_t *text, unsigned *value)
{
    const wchar_t *end = NotSet;
    if (ParseNumber(text, &end, value) != 0)
        return end == NotSet ? -2 : -3;
    return end == NotSet ? -2 : (int)(end - text);
}

} // namespace

TEST(ParseNumberReadsDecimalAndHexadecimal)
{
    unsigned value = Untouched;
    CHECK_EQ(ParseNumber(L"4294967295", nullptr, &value), 0);
    CHECK_EQ(value, 0xFFFFFFFFu);
    CHECK_EQ(ParseNumber(L"0", nullptr, &value), 0);
    CHECK_EQ(value, 0);
    CHECK_EQ(ParseNumber(L"0x1f", nullptr, &value), 0);
    CHECK_EQ(value, 31);
    value = Untouched;
    CHECK_EQ(ParseNumber(L"0X1F", nullptr, &value), 0);
    CHECK_EQ(value, 31);
    CHECK_EQ(ParseNumber(L"0xFFFFFFFF", nullptr, &value), 0);
    CHECK_EQ(value, 0xFFFFFFFFu);
    CHECK_EQ(ParseNumber(L"007", nullptr, &value), 0);
    CHECK_EQ(value, 7);
}

TEST(ParseNumberFailsWithoutTouchingItsOutputs)
{
    // Not a number at all, or too large: a failure with or without end.
    const wchar_t *never[] = {L"4294967296", L"0x100000000", L"99999999999999999999",
                              L"-1",         L" 1",          L"+1",
                              L"",           L"x1",          L"\x0661"};
    // A number followed by other text: a failure only without end.
    const wchar_t *trailing[] = {L"0x", L"12abc", L"7 ", L"0x1g", L"1.5"};
    for (const wchar_t *text : never) {
        unsigned value = Untouched;
        const wchar_t *end = NotSet;
        if (ParseNumber(text, nullptr, &value) != -1 || value != Untouched)
            CheckFailed(__FILE__, __LINE__, "ParseNumber without end should fail", Show(text));
        if (ParseNumber(text, &end, &value) != -1 || value != Untouched || end != NotSet)
            CheckFailed(__FILE__, __LINE__, "ParseNumber with end should fail", Show(text));
    }
    for (const wchar_t *text : trailing) {
        unsigned value = Untouched;
        if (ParseNumber(text, nullptr, &value) != -1 || value != Untouched)
            CheckFailed(__FILE__, __LINE__, "ParseNumber without end should fail", Show(text));
    }
    CHECK_EQ(ParseNumber(nullptr, nullptr, nullptr), -1);
    unsigned value = Untouched;
    CHECK_EQ(ParseNumber(nullptr, nullptr, &value), -1);
    CHECK_EQ(value, Untouched);
    const wchar_t *end = NotSet;
    CHECK_EQ(ParseNumber(L"5", &end, nullptr), -1);
    CHECK(end == NotSet);
}

TEST(ParseNumberWithEndStopsAtTheFirstOtherCharacter)
{
    unsigned value = Untouched;
    // "0x" with no hexadecimal digit after it is the decimal 0 followed by an x.
    CHECK_EQ(ParseWithEnd(L"0x", &value), 1);
    CHECK_EQ(value, 0);
    value = Untouched;
    CHECK_EQ(ParseWithEnd(L"0xg", &value), 1);
    CHECK_EQ(value, 0);
    CHECK_EQ(ParseWithEnd(L"12abc", &value), 2);
    CHECK_EQ(value, 12);
    CHECK_EQ(ParseWithEnd(L"0x1fz", &value), 4);
    CHECK_EQ(value, 31);
    CHECK_EQ(ParseWithEnd(L"42", &value), 2);
    CHECK_EQ(value, 42);
    CHECK_EQ(ParseWithEnd(L"3,4", &value), 1);
    CHECK_EQ(value, 3);
    // Hexadecimal digits do not continue a decimal number.
    CHECK_EQ(ParseWithEnd(L"12ab", &value), 2);
    CHECK_EQ(value, 12);
}

TEST(GetEnvNumberReadsOnlyAWholeNumber)
{
    SetEnvironmentVariableW(L"LwTestNumber", L"  7");
    CHECK_EQ(GetEnvNumber(L"LwTestNumber", 99), 7);
    SetEnvironmentVariableW(L"LwTestNumber", L"\t7");
    CHECK_EQ(GetEnvNumber(L"LwTestNumber", 99), 7);
    SetEnvironmentVariableW(L"LwTestNumber", L"0x10");
    CHECK_EQ(GetEnvNumber(L"LwTestNumber", 99), 16);
    SetEnvironmentVariableW(L"LwTestNumber", L"7 ");
    CHECK_EQ(GetEnvNumber(L"LwTestNumber", 99), 99);
    SetEnvironmentVariableW(L"LwTestNumber", L"seven");
    CHECK_EQ(GetEnvNumber(L"LwTestNumber", 99), 99);
    SetEnvironmentVariableW(L"LwTestNumber", L"-7");
    CHECK_EQ(GetEnvNumber(L"LwTestNumber", 99), 99);
    SetEnvironmentVariableW(L"LwTestNumber", L"4294967296");
    CHECK_EQ(GetEnvNumber(L"LwTestNumber", 99), 99);
    SetEnvironmentVariableW(L"LwTestNumber", L"   ");
    CHECK_EQ(GetEnvNumber(L"LwTestNumber", 99), 99);
    SetEnvironmentVariableW(L"LwTestNumber", nullptr);
    CHECK_EQ(GetEnvNumber(L"LwTestNumber", 100), 100);
    CHECK_EQ(GetEnvNumber(nullptr, 100), 0xFFFFFFFFu);
    CHECK_EQ(GetEnvNumber(L"", 100), 0xFFFFFFFFu);
}

TEST(GetEnvNumberFallsBackForAValueTooLongForItsBuffer)
{
    // Blanks and a 7: 1023 units fit the 1024-unit buffer with the terminator, 1024 do not.
    static wchar_t text[1100];
    for (int i = 0; i < 1022; i++)
        text[i] = L' ';
    text[1022] = L'7';
    text[1023] = 0;
    SetEnvironmentVariableW(L"LwTestNumber", text);
    CHECK_EQ(GetEnvNumber(L"LwTestNumber", 5), 7);
    text[1022] = L' ';
    text[1023] = L'7';
    text[1024] = 0;
    SetEnvironmentVariableW(L"LwTestNumber", text);
    CHECK_EQ(GetEnvNumber(L"LwTestNumber", 5), 5);
    SetEnvironmentVariableW(L"LwTestNumber", nullptr);
}

// "All" stands for all six bits and nothing less: every combination of the six named bits,
// with and without higher bits, against the names joined in bit order.
TEST(AutoCloseFlagsReadAllOnlyWhenEverySixBitsAreSet)
{
    const wchar_t *const names[6] = {L"Brackets", L"Parentheses", L"Braces",
                                     L"Quotes",   L"Apostrophes", L"Strong quotes"};
    SettingsBlock saved = Settings;
    const unsigned highBits[] = {0, 64, 0xFFFFFFC0};
    for (unsigned high : highBits)
        for (unsigned bits = 0; bits < 64; bits++) {
            wchar_t expected[128] = L"";
            if (bits == 63) {
                wcscpy(expected, L"All");
            } else {
                for (int i = 0; i < 6; i++)
                    if (bits & (1u << i)) {
                        if (expected[0])
                            wcscat(expected, L", ");
                        wcscat(expected, names[i]);
                    }
                if (!expected[0])
                    wcscpy(expected, L"none");
            }
            Settings.AutoCloseFlags = high | bits;
            if (wcscmp(DescribeAutoCloseFlags(), expected) != 0) {
                char what[64];
                snprintf(what, sizeof what, "/B:%u", high | bits);
                CheckFailed(__FILE__, __LINE__, what, Show(DescribeAutoCloseFlags()));
            }
        }
    Settings = saved;
}

TEST(FlagTextsNameTheSetBits)
{
    SettingsBlock saved = Settings;
    Settings.AutoCloseFlags = 63;
    CHECK_TEXT(DescribeAutoCloseFlags(), L"All");
    Settings.AutoCloseFlags = 127;
    CHECK_TEXT(DescribeAutoCloseFlags(), L"All");
    Settings.AutoCloseFlags = 3;
    CHECK_TEXT(DescribeAutoCloseFlags(), L"Brackets, Parentheses");
    Settings.AutoCloseFlags = 64;
    CHECK_TEXT(DescribeAutoCloseFlags(), L"none");
    Settings.AutoCloseFlags = 0;
    CHECK_TEXT(DescribeAutoCloseFlags(), L"none");
    Settings.AutoCloseFlags = 0x3E;
    CHECK_TEXT(DescribeAutoCloseFlags(),
               L"Parentheses, Braces, Quotes, Apostrophes, Strong quotes");
    Settings.AutoCloseFlags = 0xFFFFFFC0 | 32;
    CHECK_TEXT(DescribeAutoCloseFlags(), L"Strong quotes");

    Settings.LastArgsFlags = 15;
    CHECK_TEXT(DescribeLastArgsFlags(), L"Over, Slashes, KeepOld, Space");
    Settings.LastArgsFlags = 16;
    CHECK_TEXT(DescribeLastArgsFlags(), L"none");
    Settings.LastArgsFlags = 0xFFFFFFF4;
    CHECK_TEXT(DescribeLastArgsFlags(), L"KeepOld");
    Settings.LastArgsFlags = 9;
    CHECK_TEXT(DescribeLastArgsFlags(), L"Over, Space");

    Settings.ScrollyFlags = 3;
    CHECK_TEXT(DescribeScrollyFlags(), L"Wrap, Visible");
    Settings.ScrollyFlags = 2;
    CHECK_TEXT(DescribeScrollyFlags(), L"Visible");
    Settings.ScrollyFlags = 4;
    CHECK_TEXT(DescribeScrollyFlags(), L"none");
    Settings = saved;
}

TEST(FlagTextsAreRebuiltOnEveryCall)
{
    SettingsBlock saved = Settings;
    Settings.LastArgsFlags = 15;
    const wchar_t *text = DescribeLastArgsFlags();
    Settings.LastArgsFlags = 1;
    CHECK_TEXT(DescribeLastArgsFlags(), L"Over");
    CHECK_TEXT(text, L"Over"); // the same buffer, rebuilt
    Settings = saved;
}

TEST(SoundNamesAndSeparators)
{
    const wchar_t *errorNames[7] = {L"Off",         L"Honk",          L"Asterisk", L"Default Beep",
                                    L"Exclamation", L"Critical Stop", L"Question"};
    for (int i = 0; i < 7; i++) {
        CHECK_TEXT(ErrorSoundNames[i], errorNames[i]);
        CHECK_TEXT(CopyChimeNames[i], i == 1 ? L"Chime" : errorNames[i]);
    }
    CHECK(IsValueSeparator(L':'));
    CHECK(IsValueSeparator(L'='));
    CHECK(!IsValueSeparator(L' '));
    CHECK(!IsValueSeparator(L'/'));
    CHECK(!IsValueSeparator(0));
}

TEST(DefaultsReplaceTheWholeBlockButNotTheEnvironment)
{
    const struct {
        unsigned code;
        unsigned action;
    } expected[21] = {
        {0x10027, 1},  {0x10028, 2}, {0x1003D, 3},  {0x10026, 4},  {0x10083, 5},  {0x20018, 6},
        {0x10016, 7},  {0x1002E, 8}, {0x10011, 9},  {0x50011, 10}, {0x5002C, 11}, {0x15, 12},
        {0x10017, 13}, {0x1, 16},    {0x5008D, 17}, {0x50091, 18}, {0x50021, 19}, {0x20010, 20},
        {0x20011, 21}, {0x10, 22},   {0x50012, 23},
    };
    memset(&HotkeyTable, 0xA5, sizeof HotkeyTable);
    memset(&Settings, 0xA5, sizeof Settings);
    SetEnvironmentVariableW(L"Insert-1", L"first");
    SetEnvironmentVariableW(L"Insert-2", nullptr);
    SetEnvironmentVariableW(L"Insert-3", L"third");

    CHECK_EQ(SetDefaultSettings(), 0);

    CHECK_EQ(HotkeyTable.count, 21);
    for (int i = 0; i < 21; i++) {
        CHECK_EQ((unsigned)HotkeyTable.entries[i].code, expected[i].code);
        CHECK_EQ(HotkeyTable.entries[i].action, expected[i].action);
        CHECK_EQ(HotkeyTable.entries[i].reserved, 0);
        CHECK_EQ(ParseKeyNameIn(false, DefaultHotkeys[i].keyName), (int)expected[i].code);
    }
    static const Hotkey zero[MaxHotkeys - 21] = {};
    CHECK(memcmp(&HotkeyTable.entries[21], zero, sizeof zero) == 0);
    CHECK_EQ(Settings.ErrorSound, 2);
    CHECK_EQ(Settings.CopyChime, 1);
    CHECK_EQ(Settings.LastArgsFlags, 2);
    CHECK_EQ(Settings.ScrollyFlags, 1);
    CHECK_EQ(Settings.AutoCloseFlags, 0);

    wchar_t text[64];
    CHECK_EQ(GetEnvironmentVariableW(L"Insert-1", text, 64), 5);
    CHECK_TEXT(text, L"first");
    CHECK_EQ(GetEnvironmentVariableW(L"Insert-2", text, 64), 0);
    CHECK_EQ(GetLastError(), ERROR_ENVVAR_NOT_FOUND);
    CHECK_EQ(GetEnvironmentVariableW(L"Insert-3", text, 64), 5);
    CHECK_TEXT(text, L"third");
    SetEnvironmentVariableW(L"Insert-1", nullptr);
    SetEnvironmentVariableW(L"Insert-3", nullptr);
}
