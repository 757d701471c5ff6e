// The test bench's icu.dll, loaded from the system folder as the plug-in loads it: every name
// in UnicodeData.txt, the algorithmic names, and ICU's buffer and error-code protocol.
#include "tests/support/check.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

namespace
{

typedef int(__cdecl *CharName)(int code, int choice, char *buffer, int capacity, int *error);

CharName Load(void)
{
    static CharName function;
    if (function)
        return function;
    wchar_t path[MAX_PATH];
    GetSystemDirectoryW(path, MAX_PATH);
    wcscat(path, L"\\icu.dll");
    HMODULE icu = LoadLibraryW(path);
    function = icu ? (CharName)(void *)GetProcAddress(icu, "u_charName") : nullptr;
    if (!function) {
        printf("no u_charName in %ls\n", path);
        exit(2);
    }
    return function;
}

const char *Name(int code)
{
    static char buffer[128];
    int error = 0;
    memset(buffer, 'x', sizeof buffer);
    int length = Load()(code, 0, buffer, sizeof buffer, &error);
    if (error != 0 || length != (int)strlen(buffer))
        return "(protocol broken)";
    return buffer;
}

void CheckName(int code, const char *expected, int line)
{
    const char *got = Name(code);
    if (strcmp(got, expected) == 0)
        return;
    char detail[300];
    snprintf(detail, sizeof detail, "U+%04X: got \"%s\", expected \"%s\"", code, got, expected);
    CheckFailed(__FILE__, line, "name", detail);
}

} // namespace

TEST(every_listed_name)
{
    FILE *data = _wfopen(L"Z:\\usr\\share\\unicode\\UnicodeData.txt", L"r");
    CHECK(data != nullptr);
    if (!data)
        return;
    char line[512];
    int checked = 0, failures = 0;
    while (fgets(line, sizeof line, data) && failures < 10) {
        char *semicolon = strchr(line, ';');
        if (!semicolon)
            continue;
        char *end = strchr(semicolon + 1, ';');
        if (!end)
            continue;
        *end = 0;
        int code = (int)strtol(line, nullptr, 16);
        const char *listed = semicolon + 1;
        // <control> and the like have no Unicode name; the ends of ranges are checked below.
        const char *expected = listed[0] == '<' ? "" : listed;
        if (listed[0] == '<' && (strstr(listed, "First>") || strstr(listed, "Last>")))
            continue;
        if (strcmp(Name(code), expected) != 0) {
            CheckName(code, expected, __LINE__);
            failures++;
        }
        checked++;
    }
    fclose(data);
    CHECK(checked > 34000);
}

TEST(algorithmic_and_unnamed)
{
    struct Row {
        int code;
        const char *name;
    } rows[] = {
        {0x4E00, "CJK UNIFIED IDEOGRAPH-4E00"},
        {0x9FFF, "CJK UNIFIED IDEOGRAPH-9FFF"},
        {0x3400, "CJK UNIFIED IDEOGRAPH-3400"},
        {0x20000, "CJK UNIFIED IDEOGRAPH-20000"},
        {0x323AF, "CJK UNIFIED IDEOGRAPH-323AF"},
        {0x17000, "TANGUT IDEOGRAPH-17000"},
        {0x18D08, "TANGUT IDEOGRAPH-18D08"},
        {0xAC00, "HANGUL SYLLABLE GA"},
        {0xAC01, "HANGUL SYLLABLE GAG"},
        {0xD4DB, "HANGUL SYLLABLE PWILH"},
        {0xD7A3, "HANGUL SYLLABLE HIH"},
        {0xC544, "HANGUL SYLLABLE A"},
        {0xF900, "CJK COMPATIBILITY IDEOGRAPH-F900"},
        {0x0041, "LATIN CAPITAL LETTER A"},
        {0x1F600, "GRINNING FACE"},
        {0x0009, ""}, // control: the name is only an alias
        {0x0085, ""},
        {0xD800, ""},               // surrogate
        {0xE000, ""},               // private use
        {0x0378, ""},               // unassigned
        {0xA000, "YI SYLLABLE IT"}, // just past the ideographs
        {0x110000, ""},             // no code point
        {-1, ""},
    };
    for (const Row &row : rows)
        CheckName(row.code, row.name, __LINE__);
}

TEST(buffer_protocol)
{
    CharName charName = Load();
    const char *name = "LATIN CAPITAL LETTER A"; // 22 characters
    struct Row {
        const char *what;
        int capacity;
        int startError;
        int result, error;
        int copied; // characters written
        bool terminated;
    } rows[] = {
        {"room to spare", 64, 0, 22, 0, 22, true},
        {"exactly as long", 22, 0, 22, -124, 22, false},
        {"too short", 10, 0, 22, 15, 10, false},
        {"no buffer at all", 0, 0, 22, 15, 0, false},
        {"failure on entry", 64, 15, 0, 15, 0, false},
        {"warning on entry is cleared", 64, -124, 22, 0, 22, true},
    };
    for (const Row &row : rows) {
        char buffer[80];
        memset(buffer, '#', sizeof buffer);
        int error = row.startError;
        int result = charName(0x41, 0, row.capacity ? buffer : nullptr, row.capacity, &error);
        CheckInt(result, row.result, __FILE__, __LINE__, row.what);
        CheckInt(error, row.error, __FILE__, __LINE__, row.what);
        CheckTrue(memcmp(buffer, name, (size_t)row.copied) == 0, __FILE__, __LINE__, row.what);
        CheckTrue(buffer[row.copied] == (row.terminated ? 0 : '#'), __FILE__, __LINE__, row.what);
    }
    int error = 0;
    char buffer[8];
    CHECK_EQ(charName(0x41, 2, buffer, 8, &error), 0);
    CHECK_EQ(error, 1);
}
