#define _CRT_RAND_S
#include "frame/paths.h"

#include "frame/globals.h"
#include "frame/host.h"
#include "frame/text.h"

#include <stdlib.h>
#include <windows.h>

namespace
{

wchar_t *scratchDirectory; // heap copy of the scratch directory's path, or null

bool IsSeparator(wchar_t ch)
{
    return ch == L'\\' || ch == L'/' || ch == L':';
}

unsigned int RandomNumber(void)
{
    unsigned int r = 0;
    if (rand_s(&r) != 0)
        r = GetTickCount() ^ (GetCurrentProcessId() << 16);
    return r;
}

void ForgetScratchDirectory(void)
{
    free(scratchDirectory);
    scratchDirectory = nullptr;
}

// Removes what a directory holds; the number of entries that could not be removed, or -1
// when the listing could not start.
int RemoveContents(const wchar_t *path)
{
    wchar_t *child = (wchar_t *)malloc(PathCapacity * sizeof(wchar_t));
    if (!child)
        return 1;
    TextCopy(child, PathCapacity, path);
    int failures = -1;
    WIN32_FIND_DATAW entry;
    HANDLE find = INVALID_HANDLE_VALUE;
    if (AppendPathComponent(child, L"*") == 0)
        find = FindFirstFileW(child, &entry);
    if (find != INVALID_HANDLE_VALUE) {
        failures = 0;
        do {
            const wchar_t *name = entry.cFileName;
            if (name[0] == L'.' && (!name[1] || (name[1] == L'.' && !name[2])))
                continue;
            TextCopy(child, PathCapacity, path);
            if (AppendPathComponent(child, name) != 0) {
                failures++;
                continue;
            }
            DWORD attributes = entry.dwFileAttributes;
            if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                // A junction or directory link is removed as a link: following it would
                // delete files that live elsewhere.
                if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                    if (!RemoveDirectoryW(child))
                        failures++;
                } else if (RemoveTree(child) < 1) {
                    failures++;
                }
            } else {
                if (attributes & FILE_ATTRIBUTE_READONLY)
                    SetFileAttributesW(child, FILE_ATTRIBUTE_NORMAL);
                if (!DeleteFileW(child))
                    failures++;
            }
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    free(child);
    return failures;
}

} // namespace

int AppendPathComponent(wchar_t *directory, const wchar_t *name)
{
    if (!directory || !name)
        return -1;
    size_t length = wcsnlen(directory, PathCapacity);
    if (length >= PathCapacity)
        return ERROR_BUFFER_OVERFLOW;
    bool separator =
        length > 0 && !IsSeparator(directory[length - 1]) && name[0] != L'\\' && name[0] != L'/';
    // A path cut short would name some other file: refuse and leave the directory as it was.
    if (length + (separator ? 1 : 0) + TextLength(name) >= PathCapacity)
        return ERROR_BUFFER_OVERFLOW;
    if (separator) {
        directory[length++] = L'\\';
        directory[length] = 0;
    }
    TextCopy(directory + length, PathCapacity - length, name);
    return 0;
}

const wchar_t *FindExtension(wchar_t *out, const wchar_t *name)
{
    if (!name)
        return nullptr;
    const wchar_t *extension = nullptr;
    for (const wchar_t *p = name; *p; p++) {
        if (*p == L'.')
            extension = p;
        else if (IsSeparator(*p))
            extension = nullptr;
    }
    if (!extension)
        return nullptr;
    if (!out)
        return extension;
    TextCopy(out, PathCapacity, extension);
    return out;
}

int IsPlainFile(const wchar_t *path)
{
    if (!path || !path[0])
        return 0;
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 0;
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
        return 0;
    // Reserved device names such as "nul" report ordinary file attributes; what stands behind
    // them is told by the type of an open handle.
    HANDLE handle = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return 1;
    DWORD type = GetFileType(handle);
    CloseHandle(handle);
    return type == FILE_TYPE_DISK ? 1 : 0;
}

int MakeScratchDirectory(void)
{
    if (scratchDirectory) {
        if (QueryIsDirectory(scratchDirectory))
            return 0;
        ForgetScratchDirectory();
    }

    wchar_t temporary[262];
    DWORD length = GetTempPathW(261, temporary);
    if (length == 0 || length >= 261)
        return 0;
    temporary[length] = 0;
    if (!QueryIsDirectory(temporary))
        return 0;

    static wchar_t candidate[PathCapacity];
    DWORD process = GetCurrentProcessId();
    TextFormat(candidate, PathCapacity, L"%s%s-%04X", temporary, PLUGIN_NAME, process);
    if (QueryIsFileOrDirectory(candidate)) {
        unsigned int r = RandomNumber();
        for (int tries = 0; tries < 1000; tries++, r++) {
            TextFormat(candidate, PathCapacity, L"%s%s-%04X-%08X", temporary, PLUGIN_NAME, process,
                       r);
            if (!QueryIsFileOrDirectory(candidate))
                break;
        }
    }
    if (!CreateDirectoryW(candidate, nullptr))
        return 0;

    size_t size = TextLength(candidate) + 1;
    scratchDirectory = (wchar_t *)malloc(size * sizeof(wchar_t));
    if (!scratchDirectory) {
        RemoveDirectoryW(candidate);
        return 0;
    }
    TextCopy(scratchDirectory, size, candidate);
    return 1;
}

int NewScratchFileName(wchar_t *out, const wchar_t *extension)
{
    if (!out)
        return -1;
    out[0] = 0;
    if (!scratchDirectory)
        MakeScratchDirectory();
    if (!scratchDirectory)
        return ERROR_INVALID_PARAMETER;
    if (!QueryIsDirectory(scratchDirectory))
        return ERROR_PATH_NOT_FOUND;
    if (!extension || extension[0] != L'.')
        extension = L".tmp";

    SYSTEMTIME now;
    GetLocalTime(&now);
    static wchar_t name[PathCapacity];
    static wchar_t path[PathCapacity];
    if (TextFormat(name, PathCapacity, L"%04u%02u%02u-%02u%02u%02u%s", (unsigned)now.wYear,
                   (unsigned)now.wMonth, (unsigned)now.wDay, (unsigned)now.wHour,
                   (unsigned)now.wMinute, (unsigned)now.wSecond, extension) < 0)
        return ERROR_BUFFER_OVERFLOW;
    TextCopy(path, PathCapacity, scratchDirectory);
    if (AppendPathComponent(path, name) != 0)
        return ERROR_BUFFER_OVERFLOW;

    if (QueryIsFileOrDirectory(path)) {
        unsigned int r = RandomNumber();
        for (int tries = 0; tries < 1000; tries++, r += 1007) {
            if (TextFormat(name, PathCapacity, L"%04u%02u%02u-%02u%02u%02u-%08X%s",
                           (unsigned)now.wYear, (unsigned)now.wMonth, (unsigned)now.wDay,
                           (unsigned)now.wHour, (unsigned)now.wMinute, (unsigned)now.wSecond, r,
                           extension) < 0)
                return ERROR_BUFFER_OVERFLOW;
            TextCopy(path, PathCapacity, scratchDirectory);
            if (AppendPathComponent(path, name) != 0)
                return ERROR_BUFFER_OVERFLOW;
            if (!QueryIsFileOrDirectory(path))
                break;
        }
        if (QueryIsFileOrDirectory(path))
            return ERROR_ALREADY_EXISTS;
    }
    TextCopy(out, PathCapacity, path);
    return 0;
}

int RemoveTree(const wchar_t *path)
{
    if (!path || !path[0])
        return -1;
    if (!QueryIsDirectory(path))
        return 0;
    if (RemoveContents(path) > 0)
        return 0;
    return RemoveDirectoryW(path) ? 1 : 0;
}

const wchar_t *ScratchDirectory(void)
{
    return scratchDirectory;
}

void ReleaseScratchDirectory(void)
{
    if (!scratchDirectory)
        return;
    RemoveTree(scratchDirectory);
    ForgetScratchDirectory();
}
