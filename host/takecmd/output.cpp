#include "host/takecmd/output.h"

#include "frame/host.h"
#include "frame/text.h"
#include "host/takecmd/control.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace
{

// Captured text grows on demand up to a ceiling; output past the ceiling is still written to
// the real handle so that nothing vanishes.
const size_t CaptureCeiling = 16u << 20;
const size_t ChunkUnits = 4096;

struct CaptureStream {
    wchar_t *text;
    size_t length;
    size_t capacity;
};

struct CaptureState {
    bool on;
    HANDLE output;
    HANDLE error;
    HANDLE duplicatedError; // made when both standard handles were the same handle
    HANDLE originalError;
    CaptureStream streams[2];
};

CaptureState capture;

bool Append(CaptureStream &stream, const wchar_t *text, size_t count)
{
    if (stream.length + count + 1 > stream.capacity) {
        size_t wanted = stream.capacity ? stream.capacity : 65536;
        while (wanted < stream.length + count + 1)
            wanted *= 2;
        if (wanted > CaptureCeiling)
            return false;
        wchar_t *grown = (wchar_t *)realloc(stream.text, wanted * sizeof(wchar_t));
        if (!grown)
            return false;
        stream.text = grown;
        stream.capacity = wanted;
    }
    memcpy(stream.text + stream.length, text, count * sizeof(wchar_t));
    stream.length += count;
    stream.text[stream.length] = 0;
    return true;
}

int CaptureIndex(HANDLE handle)
{
    if (!capture.on)
        return -1;
    if (handle == capture.error)
        return 1;
    if (handle == capture.output)
        return 0;
    return -1;
}

// A surrogate pair is never split between two chunks.
size_t ChunkLength(const wchar_t *text, size_t count)
{
    if (count <= ChunkUnits)
        return count;
    size_t n = ChunkUnits;
    if (text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF)
        n--;
    return n;
}

bool WriteChunk(HANDLE handle, const wchar_t *text, size_t count)
{
    DWORD mode, written;
    if (GetConsoleMode(handle, &mode)) {
        while (count) {
            if (!WriteConsoleW(handle, text, (DWORD)count, &written, nullptr) || !written)
                return false;
            text += written;
            count -= written;
        }
        return true;
    }
    char bytes[ChunkUnits * 3 + 4];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, (int)count, bytes, (int)sizeof(bytes), nullptr,
                                nullptr);
    if (n <= 0)
        return count == 0;
    const char *p = bytes;
    while (n > 0) {
        if (!WriteFile(handle, p, (DWORD)n, &written, nullptr) || !written)
            return false;
        p += written;
        n -= (int)written;
    }
    return true;
}

// Formats into a stack buffer when the text fits, else into one of its exact size.
int FormatAndWrite(HANDLE handle, const wchar_t *format, va_list args)
{
    if (!format)
        return 0;
    wchar_t local[8192];
    va_list measure;
    va_copy(measure, args);
    int needed = _vscwprintf(format, measure);
    va_end(measure);
    if (needed < 0)
        return -1;
    wchar_t *text = local;
    if ((size_t)needed >= sizeof(local) / sizeof(local[0])) {
        text = (wchar_t *)malloc(((size_t)needed + 1) * sizeof(wchar_t));
        if (!text)
            return -1;
    }
    int n = TextFormatV(text, (size_t)needed + 1, format, args);
    int result = n < 0 ? -1 : WriteToHandle(handle, text, (size_t)n);
    if (text != local)
        free(text);
    return result;
}

} // namespace

int WriteToHandle(HANDLE handle, const wchar_t *text, size_t count)
{
    if (!text)
        return 0;
    int index = CaptureIndex(handle);
    if (index >= 0 && Append(capture.streams[index], text, count))
        return (int)count;
    size_t done = 0;
    while (done < count) {
        size_t n = ChunkLength(text + done, count - done);
        if (!WriteChunk(handle, text + done, n))
            return done ? (int)done : -1;
        done += n;
    }
    return (int)done;
}

void ShellError(const wchar_t *format, ...)
{
    wchar_t message[1024];
    va_list args;
    va_start(args, format);
    TextCopy(message, 1024, L"TCC: ");
    TextFormatV(message + 5, 1024 - 5 - 2, format, args);
    va_end(args);
    TextAppend(message, 1024, L"\r\n");
    WriteToHandle(GetStdHandle(STD_ERROR_HANDLE), message, TextLength(message));
}

extern "C" {

TAKECMD_API int __cdecl Printf(const wchar_t *format, ...)
{
    va_list args;
    va_start(args, format);
    int n = FormatAndWrite(GetStdHandle(STD_OUTPUT_HANDLE), format, args);
    va_end(args);
    return n;
}

TAKECMD_API int __cdecl Qprintf(HANDLE handle, const wchar_t *format, ...)
{
    va_list args;
    va_start(args, format);
    int n = FormatAndWrite(handle, format, args);
    va_end(args);
    return n;
}

TAKECMD_API int __stdcall QPuts(const wchar_t *text)
{
    return WriteToHandle(GetStdHandle(STD_OUTPUT_HANDLE), text, TextLength(text)) < 0 ? -1 : 0;
}

TAKECMD_API void __stdcall CrLf(void)
{
    WriteToHandle(GetStdHandle(STD_OUTPUT_HANDLE), L"\r\n", 2);
}

TAKECMD_API void __cdecl HostCaptureOutput(int on)
{
    if (on && !capture.on) {
        capture.output = GetStdHandle(STD_OUTPUT_HANDLE);
        capture.error = GetStdHandle(STD_ERROR_HANDLE);
        capture.originalError = capture.error;
        // Both streams on one handle could not be told apart: give standard error its own.
        if (capture.error == capture.output && capture.error &&
            capture.error != INVALID_HANDLE_VALUE &&
            DuplicateHandle(GetCurrentProcess(), capture.error, GetCurrentProcess(),
                            &capture.duplicatedError, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
            capture.error = capture.duplicatedError;
            SetStdHandle(STD_ERROR_HANDLE, capture.error);
        }
        capture.on = true;
    } else if (!on && capture.on) {
        capture.on = false;
        if (capture.duplicatedError) {
            if (GetStdHandle(STD_ERROR_HANDLE) == capture.duplicatedError)
                SetStdHandle(STD_ERROR_HANDLE, capture.originalError);
            CloseHandle(capture.duplicatedError);
            capture.duplicatedError = nullptr;
        }
    }
}

TAKECMD_API int __cdecl HostTakeOutput(int stream, wchar_t *out, int capacity)
{
    if (stream != 1 && stream != 2)
        return -1;
    CaptureStream &source = capture.streams[stream - 1];
    int length = (int)source.length;
    if (out && capacity > 0)
        TextCopyCount(out, (size_t)capacity, source.text ? source.text : L"", source.length);
    source.length = 0;
    if (source.text)
        source.text[0] = 0;
    return length;
}
}
