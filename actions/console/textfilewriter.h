// A small buffered writer of text files in UTF-8 or UTF-16 little-endian. Text is gathered in
// blocks of 16,384 units so that a long text costs few writes; the UTF-8 conversion buffer is
// sized once for a full block at three bytes a unit.
#pragma once
#include <stddef.h>
#include <windows.h>

enum TextEncoding { TextUtf8, TextUtf16 };

enum {
    TextWriterCapacity = 0x4000,                        // units, the terminator included
    TextWriterPiece = TextWriterCapacity / 8 * 7,       // 14,336 units
    TextWriterConversionBytes = TextWriterCapacity * 3, // 49,152 bytes
};

struct TextFileWriter {
    TextEncoding encoding;
    wchar_t *text;   // TextWriterCapacity units, always terminated
    size_t count;    // units held
    char *converted; // TextWriterConversionBytes bytes for UTF-8, else null
    HANDLE file;
};

// Creates or truncates the file. Null on failure with the thread's last error set:
// ERROR_INVALID_DATA for an empty path, ERROR_NOT_ENOUGH_MEMORY, or the file system's error.
TextFileWriter *OpenTextFileWriter(TextEncoding encoding, const wchar_t *path);

// Adds text, writing full blocks out on the way: 0, or the Windows error of a failed write
// (what did not get written stays buffered).
int AppendText(TextFileWriter *writer, const wchar_t *text);
int AppendTextCount(TextFileWriter *writer, const wchar_t *text, size_t length);

// Text in the writer's encoding, as its blocks would be written: the number of bytes put in
// out, which holds TextEncodedBytes(encoding, length) bytes; -1 when the system cannot
// convert the text.
size_t TextEncodedBytes(TextEncoding encoding, size_t length);
long long EncodeText(TextEncoding encoding, const wchar_t *text, size_t length, char *out);

// Writes the buffered text and then size bytes already in the writer's encoding, with one
// write of the file: 0, or the Windows error.
int WriteEncodedBytes(TextFileWriter *writer, const void *bytes, size_t size);

// Writes the buffered text out: 0, or the Windows error (the buffer is kept then).
int FlushTextFileWriter(TextFileWriter *writer);

// Flushes, closes the file and releases the writer: the flush's result.
int CloseTextFileWriter(TextFileWriter *writer);

// How much of a text of the given length (at least one piece long) goes out as the next
// piece: TextWriterPiece units, one less when the cut would part a surrogate pair.
size_t TextPieceLength(const wchar_t *text, size_t length);
