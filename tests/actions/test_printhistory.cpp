// Print History's file and the text-file writer, byte for byte: the byte-order mark, the
// numbering, the last m entries, UTF-8 and UTF-16, entries longer than a block cut without
// parting a surrogate pair, and the failures (open, write).
#include "actions/console/printhistory.h"
#include "actions/console/textfilewriter.h"
#include "tests/support/check.h"
#include "tests/support/hostctl.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <windows.h>

namespace
{

const wchar_t *TestPath(const wchar_t *name)
{
    static wchar_t path[MAX_PATH];
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    swprintf(path, MAX_PATH, L"%lslinewise-ph-%lu-%ls", temporary,
             (unsigned long)GetCurrentProcessId(), name);
    return path;
}

std::string ReadAll(const wchar_t *path)
{
    std::string bytes;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "(missing)";
    char block[65536];
    DWORD read = 0;
    while (ReadFile(file, block, sizeof block, &read, nullptr) && read > 0)
        bytes.append(block, read);
    CloseHandle(file);
    return bytes;
}

std::string Utf8(const std::wstring &text)
{
    std::string out(text.size() * 3 + 1, '\0');
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &out[0], (int)out.size(),
                                nullptr, nullptr);
    out.resize(n > 0 ? n : 0);
    return out;
}

std::string Utf16(const std::wstring &text)
{
    return std::string((const char *)text.data(), text.size() * sizeof(wchar_t));
}

void CheckBytes(const char *name, const std::string &actual, const std::string &expected)
{
    if (actual == expected)
        return;
    size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        at++;
    char detail[160];
    snprintf(detail, sizeof detail, "%zu bytes, expected %zu; first difference at byte %zu",
             actual.size(), expected.size(), at);
    CheckFailed(__FILE__, __LINE__, name, detail);
}

void History(int count, const wchar_t *format = L"cmd %d")
{
    Host().ClearHistory();
    for (int i = 1; i <= count; i++) {
        wchar_t entry[64];
        swprintf(entry, 64, format, i);
        Host().AddHistory(entry);
    }
}

// The file expected for entries first..last of History().
std::wstring Lines(int first, int last, bool numbered)
{
    std::wstring text = L"\xFEFF";
    for (int i = first; i <= last; i++) {
        wchar_t line[64];
        if (numbered)
            swprintf(line, 64, L"%5d:  cmd %d\n", i, i);
        else
            swprintf(line, 64, L"cmd %d\n", i);
        text += line;
    }
    return text;
}

// A long text with surrogate pairs standing across the places where a block would be cut.
std::wstring LongText(size_t length, const size_t *pairs, int pairCount)
{
    std::wstring text;
    for (size_t i = 0; i < length; i++)
        text += (wchar_t)(L'a' + i % 26);
    for (int i = 0; i < pairCount; i++) {
        text[pairs[i]] = 0xD83D;
        text[pairs[i] + 1] = 0xDE00;
    }
    return text;
}

} // namespace

TEST(piece_cut_never_parts_a_pair)
{
    struct Row {
        const char *name;
        size_t high; // where a high surrogate stands (-1: none)
        size_t low;  // where a low surrogate stands (-1: none)
        size_t piece;
    } rows[] = {
        {"no surrogates", (size_t)-1, (size_t)-1, TextWriterPiece},
        {"pair across the cut", TextWriterPiece - 1, TextWriterPiece, TextWriterPiece - 1},
        {"pair just before the cut", TextWriterPiece - 2, TextWriterPiece - 1, TextWriterPiece},
        {"pair just after the cut", TextWriterPiece, TextWriterPiece + 1, TextWriterPiece},
        {"lone high before the cut", TextWriterPiece - 1, (size_t)-1, TextWriterPiece},
        {"lone low after the cut", (size_t)-1, TextWriterPiece, TextWriterPiece},
    };
    std::wstring text(20000, L'x');
    for (const Row &row : rows) {
        std::wstring t = text;
        if (row.high != (size_t)-1)
            t[row.high] = 0xD83D;
        if (row.low != (size_t)-1)
            t[row.low] = 0xDE00;
        CHECK_ROW_EQ(row.name, (long long)TextPieceLength(t.data(), t.size()),
                     (long long)row.piece);
    }
    CHECK_EQ(TextWriterPiece, 14336);
}

TEST(writer_bytes_both_encodings)
{
    const size_t pairs[] = {TextWriterPiece - 1, 2 * TextWriterPiece - 2, 30000};
    const std::wstring longText = LongText(40000, pairs, 3);
    const std::wstring exact(TextWriterCapacity - 1, L'q');
    struct Row {
        const char *name;
        TextEncoding encoding;
        std::wstring parts[3];
    } rows[] = {
        {"utf-8 short", TextUtf8, {L"\xFEFF", L"abc", L"\n"}},
        {"utf-16 short", TextUtf16, {L"\xFEFF", L"abc", L"\n"}},
        {"utf-8 non-ASCII", TextUtf8, {L"\xFEFF", L"\x00E9\x20AC\xD83D\xDE00", L"\n"}},
        {"utf-8 entry of 40,000 units", TextUtf8, {L"\xFEFF", longText, L"\n"}},
        {"utf-16 entry of 40,000 units", TextUtf16, {L"\xFEFF", longText, L"\n"}},
        {"utf-8 text that fills a block", TextUtf8, {L"\xFEFF", exact, L"z\n"}},
        {"utf-8 piece-sized entry after text", TextUtf8, {L"abc", exact + L"de", L"\n"}},
    };
    for (const Row &row : rows) {
        const wchar_t *path = TestPath(L"writer.txt");
        TextFileWriter *writer = OpenTextFileWriter(row.encoding, path);
        CHECK_ROW(row.name, writer != nullptr);
        if (!writer)
            continue;
        std::wstring all;
        for (const std::wstring &part : row.parts) {
            CHECK_ROW_EQ(row.name, AppendText(writer, part.c_str()), 0);
            CHECK_ROW(row.name,
                      writer->count < TextWriterCapacity && writer->text[writer->count] == 0);
            all += part;
        }
        CHECK_ROW_EQ(row.name, CloseTextFileWriter(writer), 0);
        CheckBytes(row.name, ReadAll(path), row.encoding == TextUtf8 ? Utf8(all) : Utf16(all));
        DeleteFileW(path);
    }
}

TEST(writer_open_failures)
{
    struct Row {
        const char *name;
        const wchar_t *path;
        DWORD error;
    } rows[] = {
        {"null path", nullptr, ERROR_INVALID_DATA},
        {"empty path", L"", ERROR_INVALID_DATA},
        {"missing folder", L"C:\\no such folder\\x\\h.txt", ERROR_PATH_NOT_FOUND},
    };
    for (const Row &row : rows) {
        SetLastError(0xdeadbeef);
        CHECK_ROW(row.name, OpenTextFileWriter(TextUtf8, row.path) == nullptr);
        CHECK_ROW_EQ(row.name, GetLastError(), row.error);
    }
    // A folder where the file should be.
    const wchar_t *folder = TestPath(L"folder");
    CreateDirectoryW(folder, nullptr);
    SetLastError(0);
    CHECK(OpenTextFileWriter(TextUtf16, folder) == nullptr);
    CHECK(GetLastError() != 0);
    RemoveDirectoryW(folder);
}

TEST(writer_failed_write_keeps_the_text_and_closes_once)
{
    const wchar_t *path = TestPath(L"readonly.txt");
    TextFileWriter *writer = OpenTextFileWriter(TextUtf8, path);
    CHECK(writer != nullptr);
    if (!writer)
        return;
    // A handle that cannot write stands in for a full or failing disk.
    HANDLE real = writer->file;
    writer->file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    CHECK_EQ(AppendText(writer, L"kept"), 0);
    CHECK(FlushTextFileWriter(writer) != 0);
    CHECK_EQ(writer->count, 4);
    const std::wstring big(TextWriterCapacity + 10, L'b');
    CHECK(AppendText(writer, big.c_str()) != 0);
    CHECK(CloseTextFileWriter(writer) != 0);
    CloseHandle(real);
    CHECK_EQ(ReadAll(path).size(), 0);
    CHECK(DeleteFileW(path)); // no handle of the writer is left open
}

TEST(history_file_lines_and_numbers)
{
    struct Row {
        const char *name;
        int entries;
        unsigned maxLines;
        unsigned flags;
        int first; // first entry printed
    } rows[] = {
        {"150 entries, last 100 numbered", 150, 100, PrintHistoryNumbered, 51},
        {"150 entries, last 100 plain", 150, 100, 0, 51},
        {"more lines than entries", 7, 500, PrintHistoryNumbered, 1},
        {"all, maxLines 0", 12, 0, PrintHistoryNumbered, 1},
        {"one entry", 1, 100, PrintHistoryNumbered, 1},
        {"exactly max", 100, 100, PrintHistoryNumbered, 1},
        {"utf-16, last 3", 10, 3, PrintHistoryNumbered | PrintHistoryUtf16, 8},
    };
    for (const Row &row : rows) {
        History(row.entries);
        const wchar_t *path = TestPath(L"history.txt");
        CHECK_ROW_EQ(row.name, WriteHistoryFile(path, row.maxLines, row.flags), 0);
        const std::wstring text =
            Lines(row.first, row.entries, (row.flags & PrintHistoryNumbered) != 0);
        CheckBytes(row.name, ReadAll(path),
                   (row.flags & PrintHistoryUtf16) ? Utf16(text) : Utf8(text));
        DeleteFileW(path);
    }
}

TEST(history_numbers_widths)
{
    // 100,000 does not fit in the host's history; five-digit numbers come from a long history
    // of short entries: 10,010 entries, the last 10 printed.
    Host().ClearHistory();
    for (int i = 1; i <= 10010; i++) {
        wchar_t entry[8];
        swprintf(entry, 8, L"%d", i % 10);
        Host().AddHistory(entry);
    }
    const wchar_t *path = TestPath(L"widths.txt");
    CHECK_EQ(CountHistoryEntries(), 10010);
    CHECK_EQ(WriteHistoryFile(path, 10, PrintHistoryNumbered), 0);
    std::string bytes = ReadAll(path);
    CHECK(bytes.compare(0, 3, "\xEF\xBB\xBF") == 0);
    CHECK(bytes.compare(3, 9, "10001:  1") == 0);
    History(1);
    CHECK_EQ(WriteHistoryFile(path, 10, PrintHistoryNumbered), 0);
    CHECK(ReadAll(path) == "\xEF\xBB\xBF    1:  cmd 1\n");
    DeleteFileW(path);
}

TEST(history_long_entry_in_pieces)
{
    const size_t pairs[] = {TextWriterPiece - 12, TextWriterPiece - 1, 2 * TextWriterPiece - 2};
    const std::wstring entry = LongText(40000, pairs, 3);
    Host().ClearHistory();
    Host().AddHistory(L"before");
    Host().AddHistory(entry.c_str());
    Host().AddHistory(L"after");
    for (unsigned flags : {0u, (unsigned)PrintHistoryUtf16}) {
        const wchar_t *path = TestPath(L"long.txt");
        CHECK_EQ(WriteHistoryFile(path, 0, flags | PrintHistoryNumbered), 0);
        std::wstring text = L"\xFEFF    1:  before\n    2:  " + entry + L"\n    3:  after\n";
        CheckBytes(flags ? "utf-16" : "utf-8", ReadAll(path), flags ? Utf16(text) : Utf8(text));
        DeleteFileW(path);
    }
}

TEST(history_file_failures)
{
    Host().ClearHistory();
    CHECK_EQ(CountHistoryEntries(), 0);
    CHECK_EQ(WriteHistoryFile(TestPath(L"empty.txt"), 100, 0), -1);
    CHECK(GetFileAttributesW(TestPath(L"empty.txt")) == INVALID_FILE_ATTRIBUTES);
    History(3);
    CHECK_EQ(WriteHistoryFile(L"C:\\no such folder\\x\\h.txt", 100, 0), ERROR_PATH_NOT_FOUND);
    CHECK_EQ(WriteHistoryFile(L"", 100, 0), ERROR_INVALID_DATA);
}
