#include "host/launcher/script.h"

#include "frame/text.h"
#include "host/launcher/keynames.h"

#include <wchar.h>

namespace
{

enum { PieceCapacity = 65536 };

bool TypeText(const wchar_t *text, size_t length, ScriptSink sink)
{
    for (size_t i = 0; i < length; i++)
        if (!sink(CharacterKeyEvent(text[i])))
            return false;
    return true;
}

bool ReplayPiece(const wchar_t *piece, size_t length, ScriptSink sink)
{
    if (length > 0 && piece[0] == L'"') {
        size_t end = length;
        if (end >= 2 && piece[end - 1] == L'"')
            end--;
        return TypeText(piece + 1, end - 1, sink);
    }
    static wchar_t name[PieceCapacity];
    TextCopyCount(name, PieceCapacity, piece, length);
    KEY_EVENT_RECORD record;
    if (length < 64 && ParseScriptKey(name, &record))
        return sink(record);
    return TypeText(piece, length, sink);
}

} // namespace

bool ReplayScript(const wchar_t *script, wchar_t separator, bool fileRules, int delayMs,
                  ScriptSink sink)
{
    const wchar_t *p = script;
    while (p && *p) {
        const wchar_t *end = wcschr(p, separator);
        size_t length = end ? (size_t)(end - p) : wcslen(p);
        const wchar_t *next = end ? end + 1 : nullptr;
        if (fileRules && length > 0 && p[length - 1] == L'\r')
            length--;
        bool skip = fileRules && (length == 0 || p[0] == L'#');
        if (!skip && length > 0) {
            if (!ReplayPiece(p, length, sink))
                return false;
            if (delayMs > 0)
                Sleep((DWORD)delayMs);
        }
        p = next;
    }
    return true;
}

int ReadScriptFile(const wchar_t *path, wchar_t *out, size_t capacity)
{
    if (!out || capacity == 0)
        return ERROR_INVALID_PARAMETER;
    out[0] = 0;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return (int)GetLastError();
    LARGE_INTEGER size;
    int result = 0;
    if (!GetFileSizeEx(file, &size))
        result = (int)GetLastError();
    else if ((unsigned long long)size.QuadPart >= capacity)
        result = ERROR_FILE_TOO_LARGE;
    char *bytes = nullptr;
    DWORD read = 0;
    if (result == 0) {
        bytes = (char *)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)size.QuadPart + 2);
        if (!bytes)
            result = ERROR_NOT_ENOUGH_MEMORY;
        else if (!ReadFile(file, bytes, (DWORD)size.QuadPart, &read, nullptr))
            result = (int)GetLastError();
    }
    CloseHandle(file);
    if (result == 0) {
        const unsigned char *u = (const unsigned char *)bytes;
        if (read >= 2 && u[0] == 0xFF && u[1] == 0xFE) {
            TextCopyCount(out, capacity, (const wchar_t *)(bytes + 2), (read - 2) / 2);
        } else {
            int skip = (read >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) ? 3 : 0;
            int n = MultiByteToWideChar(CP_UTF8, 0, bytes + skip, (int)read - skip, out,
                                        (int)(capacity - 1));
            if (n < 0 || (read - skip > 0 && n == 0))
                result = ERROR_NO_UNICODE_TRANSLATION;
            else
                out[n] = 0;
        }
    }
    if (bytes)
        HeapFree(GetProcessHeap(), 0, bytes);
    return result;
}
