#include "tests/support/recorder.h"
#include "tests/support/check.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

#include <shlwapi.h>

namespace
{

const wchar_t RecorderClass[] = L"LinewiseTest.Recorder";
enum { MaxExtensions = 16 };

struct Saved {
    wchar_t extension[16];
    wchar_t value[256]; // the old default value of Software\Classes\<extension>
    bool had;           // whether there was one
    bool keyExisted;    // whether the extension's key was there at all
};
Saved SavedAssociations[MaxExtensions];
int SavedCount;
wchar_t ResultPath[MAX_PATH];
unsigned char *Bytes;
char Overridden[256];

HKEY ClassesRoot(void)
{
    return UnderWine() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

bool SetDefault(const wchar_t *subkey, const wchar_t *value)
{
    HKEY key;
    if (RegCreateKeyExW(ClassesRoot(), subkey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExW(key, nullptr, 0, REG_SZ, (const BYTE *)value,
                                 (DWORD)((wcslen(value) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool ReadDefault(const wchar_t *subkey, wchar_t *out, DWORD capacity)
{
    DWORD size = capacity * sizeof(wchar_t);
    out[0] = 0;
    if (RegGetValueW(ClassesRoot(), subkey, nullptr, RRF_RT_REG_SZ, nullptr, out, &size) !=
        ERROR_SUCCESS)
        return false;
    return true;
}

const wchar_t *ClassesKey(const wchar_t *name)
{
    static wchar_t key[512];
    swprintf(key, 512, L"Software\\Classes\\%ls", name);
    return key;
}

// The command the recorder's verbs run, for a verb.
void RecorderCommand(wchar_t *command, size_t capacity, const wchar_t *verb)
{
    wchar_t recorder[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, recorder, MAX_PATH);
    wchar_t *slash = wcsrchr(recorder, L'\\');
    if (length == 0 || length >= MAX_PATH || !slash) {
        command[0] = 0;
        return;
    }
    slash[1] = 0;
    swprintf(command, capacity, L"\"%lsrecorder.exe\" \"%%1\" /%ls", recorder, verb);
}

// Whether the shell runs the recorder for the extension's verb; why not, into Overridden.
void CheckResolves(const wchar_t *extension, const wchar_t *verb)
{
    wchar_t expected[2 * MAX_PATH], found[2 * MAX_PATH] = L"";
    DWORD size = 2 * MAX_PATH;
    RecorderCommand(expected, 2 * MAX_PATH, verb);
    HRESULT result =
        AssocQueryStringW(ASSOCF_NOTRUNCATE, ASSOCSTR_COMMAND, extension, verb, found, &size);
    if (!Overridden[0] && (result != S_OK || lstrcmpiW(found, expected) != 0))
        snprintf(Overridden, sizeof Overridden,
                 "the %ls verb of %ls files runs %.120ls, not the test's recorder", verb, extension,
                 result == S_OK ? found : L"nothing");
}

bool RegisterVerbs(void)
{
    wchar_t command[2 * MAX_PATH];
    wchar_t key[256];
    bool ok = SetDefault(ClassesKey(RecorderClass), L"Linewise test recorder");
    // The verb's name goes along as a last argument, so a recording tells which verb ran.
    const wchar_t *const verbs[] = {L"print", L"open"};
    for (const wchar_t *verb : verbs) {
        RecorderCommand(command, 2 * MAX_PATH, verb);
        if (!command[0])
            return false;
        swprintf(key, 256, L"Software\\Classes\\%ls\\shell\\%ls\\command", RecorderClass, verb);
        ok = ok && SetDefault(key, command);
    }
    return ok;
}

} // namespace

bool RegisterRecorder(const wchar_t *const *extensions, int count)
{
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    swprintf(ResultPath, MAX_PATH, L"%lslinewise-recorder-%lu.bin", temporary,
             (unsigned long)GetCurrentProcessId());
    SetEnvironmentVariableW(L"LINEWISE_RECORDER_OUT", ResultPath);
    if (!RegisterVerbs())
        return false;
    for (int i = 0; i < count && SavedCount < MaxExtensions; i++) {
        Saved &saved = SavedAssociations[SavedCount++];
        lstrcpynW(saved.extension, extensions[i], 16);
        saved.had = ReadDefault(ClassesKey(saved.extension), saved.value, 256);
        HKEY key;
        saved.keyExisted = RegOpenKeyExW(ClassesRoot(), ClassesKey(saved.extension), 0, KEY_READ,
                                         &key) == ERROR_SUCCESS;
        if (saved.keyExisted)
            RegCloseKey(key);
        if (!SetDefault(ClassesKey(saved.extension), RecorderClass))
            return false;
    }
    Overridden[0] = 0;
    for (int i = 0; i < count; i++) {
        CheckResolves(extensions[i], L"print");
        CheckResolves(extensions[i], L"open");
    }
    return true;
}

const char *RecorderOverridden(void)
{
    return Overridden[0] ? Overridden : nullptr;
}

void RestoreAssociations(void)
{
    for (int i = 0; i < SavedCount; i++) {
        const Saved &saved = SavedAssociations[i];
        if (saved.had) {
            SetDefault(ClassesKey(saved.extension), saved.value);
        } else {
            HKEY key;
            if (RegOpenKeyExW(ClassesRoot(), ClassesKey(saved.extension), 0, KEY_SET_VALUE, &key) ==
                ERROR_SUCCESS) {
                RegDeleteValueW(key, nullptr);
                RegCloseKey(key);
            }
            if (!saved.keyExisted)
                RegDeleteKeyW(ClassesRoot(), ClassesKey(saved.extension));
        }
    }
    SavedCount = 0;
    RegDeleteTreeW(ClassesRoot(), ClassesKey(RecorderClass));
    ClearRecording();
}

void ClearRecording(void)
{
    if (ResultPath[0])
        DeleteFileW(ResultPath);
    free(Bytes);
    Bytes = nullptr;
}

bool WaitForRecording(Recording *recording, int timeoutMs)
{
    memset(recording, 0, sizeof *recording);
    free(Bytes);
    Bytes = nullptr;
    for (int waited = 0;; waited += 50) {
        if (GetFileAttributesW(ResultPath) != INVALID_FILE_ATTRIBUTES)
            break;
        if (waited >= timeoutMs)
            return false;
        Sleep(50);
    }
    HANDLE file =
        CreateFileW(ResultPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(file, nullptr);
    unsigned char *all = (unsigned char *)malloc(size + 2);
    DWORD read = 0;
    bool ok = all && size < RecordedBytesCapacity && ReadFile(file, all, size, &read, nullptr) &&
              read == size;
    CloseHandle(file);
    if (!ok) {
        free(all);
        return false;
    }
    // The header: "<show>|<command line>\n" in UTF-16.
    const wchar_t *text = (const wchar_t *)all;
    size_t units = size / sizeof(wchar_t), end = 0;
    while (end < units && text[end] != L'\n')
        end++;
    if (end == units) {
        free(all);
        return false;
    }
    recording->show = _wtoi(text);
    const wchar_t *bar = wmemchr(text, L'|', end);
    size_t start = bar ? (size_t)(bar - text) + 1 : 0;
    size_t length = end - start < 2047 ? end - start : 2047;
    wmemcpy(recording->commandLine, text + start, length);
    recording->commandLine[length] = 0;
    int count = 0;
    wchar_t **arguments = CommandLineToArgvW(recording->commandLine, &count);
    if (arguments && count >= 2)
        lstrcpynW(recording->file, arguments[1], 1024);
    if (arguments && count >= 3 && arguments[2][0] == L'/')
        lstrcpynW(recording->verb, arguments[2] + 1, 16);
    LocalFree(arguments);
    Bytes = all;
    recording->bytes = all + (end + 1) * sizeof(wchar_t);
    recording->size = size - (end + 1) * sizeof(wchar_t);
    return true;
}
