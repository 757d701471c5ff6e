#include "actions/console/textfilewriter.h"

#include "frame/text.h"
#include "frame/textscan.h"

#include <stdlib.h>
#include <string.h>

namespace
{

int WriteBytes(HANDLE file, const void *bytes, DWORD size)
{
    DWORD written = 0;
    if (!WriteFile(file, bytes, size, &written, nullptr))
        return (int)GetLastError();
    return written == size ? 0 : ERROR_WRITE_FAULT;
}

void Release(TextFileWriter *writer)
{
    free(writer->text);
    free(writer->converted);
    free(writer);
}

} // namespace

TextFileWriter *OpenTextFileWriter(TextEncoding encoding, const wchar_t *path)
{
    if (!path || !path[0]) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    TextFileWriter *writer = (TextFileWriter *)calloc(1, sizeof(TextFileWriter));
    if (writer) {
        writer->encoding = encoding;
        writer->text = (wchar_t *)malloc(TextWriterCapacity * sizeof(wchar_t));
        if (encoding == TextUtf8)
            writer->converted = (char *)malloc(TextWriterConversionBytes);
    }
    if (!writer || !writer->text || (encoding == TextUtf8 && !writer->converted)) {
        if (writer)
            Release(writer);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    writer->text[0] = 0;
    writer->file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (writer->file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        Release(writer);
        SetLastError(error);
        return nullptr;
    }
    return writer;
}

int FlushTextFileWriter(TextFileWriter *writer)
{
    if (!writer)
        return ERROR_INVALID_HANDLE;
    if (writer->count == 0)
        return 0;
    int result;
    if (writer->encoding == TextUtf16) {
        // Windows is little-endian: the units are written as they lie in memory.
        result = WriteBytes(writer->file, writer->text, (DWORD)(writer->count * sizeof(wchar_t)));
    } else {
        const int bytes =
            WideCharToMultiByte(CP_UTF8, 0, writer->text, (int)writer->count, writer->converted,
                                TextWriterConversionBytes, nullptr, nullptr);
        if (bytes <= 0) {
            const DWORD error = GetLastError();
            return error ? (int)error : ERROR_NO_UNICODE_TRANSLATION;
        }
        result = WriteBytes(writer->file, writer->converted, (DWORD)bytes);
    }
    if (result == 0) {
        writer->count = 0;
        writer->text[0] = 0;
    }
    return result;
}

size_t TextPieceLength(const wchar_t *text, size_t length)
{
    size_t piece = length < (size_t)TextWriterPiece ? length : (size_t)TextWriterPiece;
    if (piece > 1 && piece < length && IsHighSurrogate(text[piece - 1]) &&
        IsLowSurrogate(text[piece]))
        piece--;
    return piece;
}

int AppendTextCount(TextFileWriter *writer, const wchar_t *text, size_t length)
{
    if (!writer)
        return ERROR_INVALID_HANDLE;
    if (!text || length == 0)
        return 0;
    if (writer->count + length >= TextWriterCapacity) {
        const int result = FlushTextFileWriter(writer);
        if (result != 0)
            return result;
    }
    while (length >= TextWriterCapacity) {
        const size_t piece = TextPieceLength(text, length);
        memcpy(writer->text, text, piece * sizeof(wchar_t));
        writer->count = piece;
        writer->text[piece] = 0;
        const int result = FlushTextFileWriter(writer);
        if (result != 0)
            return result;
        text += piece;
        length -= piece;
    }
    memcpy(writer->text + writer->count, text, length * sizeof(wchar_t));
    writer->count += length;
    writer->text[writer->count] = 0;
    return 0;
}

size_t TextEncodedBytes(TextEncoding encoding, size_t length)
{
    return encoding == TextUtf16 ? length * sizeof(wchar_t) : length * 3;
}

long long EncodeText(TextEncoding encoding, const wchar_t *text, size_t length, char *out)
{
    if (encoding == TextUtf16) {
        memcpy(out, text, length * sizeof(wchar_t));
        return (long long)(length * sizeof(wchar_t));
    }
    // ASCII runs are their own UTF-8; the system converts the runs between them, each whole,
    // so that no surrogate pair is parted.
    size_t i = 0, size = 0;
    while (i < length) {
        const size_t ascii = NarrowAscii(text + i, length - i, out + size);
        i += ascii;
        size += ascii;
        size_t end = i;
        while (end < length && text[end] >= 0x80)
            end++;
        if (end == i)
            continue;
        const int converted = WideCharToMultiByte(CP_UTF8, 0, text + i, (int)(end - i), out + size,
                                                  (int)((end - i) * 3), nullptr, nullptr);
        if (converted <= 0)
            return -1;
        size += (size_t)converted;
        i = end;
    }
    return (long long)size;
}

int WriteEncodedBytes(TextFileWriter *writer, const void *bytes, size_t size)
{
    if (!writer)
        return ERROR_INVALID_HANDLE;
    const int result = FlushTextFileWriter(writer);
    if (result != 0 || size == 0)
        return result;
    return WriteBytes(writer->file, bytes, (DWORD)size);
}

int AppendText(TextFileWriter *writer, const wchar_t *text)
{
    return AppendTextCount(writer, text, text ? wcslen(text) : 0);
}

int CloseTextFileWriter(TextFileWriter *writer)
{
    if (!writer)
        return ERROR_INVALID_HANDLE;
    const int result = FlushTextFileWriter(writer);
    CloseHandle(writer->file);
    Release(writer);
    return result;
}
