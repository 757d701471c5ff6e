#include "actions/console/marks.h"

#include "frame/messages.h"
#include "settings/settings.h"

// A zeroed version record (no version known) counts as an older Windows.
unsigned short CommandMarkBit = 0x2000;

namespace
{

enum {
    OlderMarkBit = 0x2000,
    NewerMarkBit = COMMON_LVB_GRID_LVERTICAL,
    FirstNewerBuild = 19041,
    BlockRows = 512,
    HighByte = 0xFF00,
    Colours = 0x00FF,
    Background = 0x00F0,
    BlueBackground = 0x0010,
};

bool HasCommandMark(unsigned short attribute, unsigned short markBit)
{
    return (attribute & markBit) != 0;
}

HANDLE OpenConsoleOutput(void)
{
    return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

bool Usable(HANDLE handle)
{
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

int Smaller(int a, int b)
{
    return a < b ? a : b;
}

// The top row that shows target at the top, or the buffer's last row at the bottom when the
// target lies too close to the end.
int WindowTopFor(int target, int bufferHeight, int windowHeight)
{
    const int top = Smaller(target, bufferHeight - windowHeight);
    return top < 0 ? 0 : top;
}

bool VisibleMarks(void)
{
    return (Settings.ScrollyFlags & ScrollyVisible) != 0;
}

// Rows actually delivered by a block read; the console may clip the region it was asked for.
int RegionRows(const SMALL_RECT &region)
{
    int rows = region.Bottom - region.Top + 1;
    return rows < 0 ? 0 : Smaller(rows, BlockRows);
}

// Returns 0 when the window was set.
int ScrollConsole(HANDLE console, ScrollDirection direction)
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    ZeroMemory(&info, sizeof info);
    if (!GetConsoleScreenBufferInfo(console, &info))
        ZeroMemory(&info, sizeof info);
    const int height = info.dwSize.Y;
    const int top = info.srWindow.Top;

    CommandMarkRows rows;
    ClearCommandMarkRows(&rows);
    CHAR_INFO cells[BlockRows];
    for (int start = 0; start < height; start += BlockRows) {
        SMALL_RECT region = {0, (SHORT)start, 0, (SHORT)Smaller(start + BlockRows - 1, height - 1)};
        const COORD size = {1, BlockRows};
        const COORD origin = {0, 0};
        if (!ReadConsoleOutputW(console, cells, size, origin, &region))
            return -1;
        ScanCommandMarkBlock(cells, 1, RegionRows(region), region.Top, top, CommandMarkBit, &rows);
    }

    const int windowHeight = info.srWindow.Bottom - info.srWindow.Top + 1;
    const bool wrap = (Settings.ScrollyFlags & ScrollyWrap) != 0;
    const CommandScroll scroll =
        ChooseCommandScroll(&rows, top, height, windowHeight, direction, wrap);
    if (scroll.top < 0)
        return -1;
    const SMALL_RECT window = {0, (SHORT)scroll.top,
                               (SHORT)(info.srWindow.Right - info.srWindow.Left),
                               (SHORT)(scroll.top + windowHeight - 1)};
    return SetConsoleWindowInfo(console, TRUE, &window) ? 0 : -1;
}

int RepaintConsole(HANDLE console, bool visible)
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(console, &info))
        return -1;
    const int height = info.dwSize.Y;
    int count = 0;
    CHAR_INFO cells[2 * BlockRows];
    for (int start = 0; start < height; start += BlockRows) {
        SMALL_RECT region = {0, (SHORT)start, 1, (SHORT)Smaller(start + BlockRows - 1, height - 1)};
        const COORD size = {2, BlockRows};
        const COORD origin = {0, 0};
        ZeroMemory(cells, sizeof cells);
        if (!ReadConsoleOutputW(console, cells, size, origin, &region))
            return -1;
        bool changed = false;
        count += RepaintCommandMarkBlock(cells, RegionRows(region), region.Right - region.Left + 1,
                                         CommandMarkBit, visible, &changed);
        if (changed && !WriteConsoleOutputW(console, cells, size, origin, &region))
            return -1;
    }
    return count;
}

} // namespace

unsigned short ChooseCommandMarkBit(const OSVERSIONINFOEXW *version)
{
    if (!version)
        return OlderMarkBit;
    const DWORD major = version->dwMajorVersion;
    const DWORD minor = version->dwMinorVersion;
    if (major > 10 || (major == 10 && minor > 0))
        return NewerMarkBit;
    if (major == 10 && version->dwBuildNumber >= FirstNewerBuild)
        return NewerMarkBit;
    return OlderMarkBit;
}

unsigned short MarkedAttribute(unsigned short old, unsigned short markBit, bool visible)
{
    if (!visible || HasCommandMark(old, markBit))
        return (unsigned short)(old | markBit);
    const unsigned short colours =
        (old & Background) == BlueBackground ? MarkColoursOnBlue : MarkColours;
    return (unsigned short)((old & HighByte) | markBit | colours);
}

unsigned short RepaintedAttribute(unsigned short marked, unsigned short neighbour,
                                  unsigned short markBit, bool visible)
{
    const unsigned short colours = visible ? MarkColours : (neighbour & Colours);
    return (unsigned short)((marked & HighByte) | markBit | colours);
}

void ClearCommandMarkRows(CommandMarkRows *rows)
{
    rows->first = rows->above = rows->below = rows->last = -1;
}

void NoteCommandMark(CommandMarkRows *rows, int row, int top)
{
    if (rows->first < 0)
        rows->first = row;
    rows->last = row;
    if (row < top)
        rows->above = row;
    else if (row > top && rows->below < 0)
        rows->below = row;
}

void ScanCommandMarkBlock(const CHAR_INFO *cells, int stride, int count, int firstRow, int top,
                          unsigned short markBit, CommandMarkRows *rows)
{
    for (int i = 0; i < count; i++)
        if (HasCommandMark(cells[i * stride].Attributes, markBit))
            NoteCommandMark(rows, firstRow + i, top);
}

int RepaintCommandMarkBlock(CHAR_INFO *cells, int count, int columns, unsigned short markBit,
                            bool visible, bool *changed)
{
    int marks = 0;
    for (int i = 0; i < count; i++) {
        CHAR_INFO &cell = cells[2 * i];
        if (!HasCommandMark(cell.Attributes, markBit))
            continue;
        marks++;
        // A buffer one column wide has no neighbour: the cell keeps its own colours.
        const unsigned short neighbour =
            columns >= 2 ? cells[2 * i + 1].Attributes : cell.Attributes;
        const unsigned short repainted =
            RepaintedAttribute(cell.Attributes, neighbour, markBit, visible);
        if (repainted != cell.Attributes) {
            cell.Attributes = repainted;
            *changed = true;
        }
    }
    return marks;
}

CommandScroll ChooseCommandScroll(const CommandMarkRows *rows, int top, int bufferHeight,
                                  int windowHeight, ScrollDirection direction, bool wrap)
{
    int target;
    if (direction == ScrollUp) {
        target = rows->above;
        if (target < 0 && wrap)
            target = rows->last;
    } else {
        target = rows->below;
        if (target < 0 && wrap)
            target = rows->first;
        // The window already shows the end of the buffer and cannot move down.
        if (target > 0 && WindowTopFor(target, bufferHeight, windowHeight) == top)
            target = wrap ? rows->first : -1;
    }
    CommandScroll scroll = {target, -1};
    if (target < 0 || target >= bufferHeight)
        return scroll;
    scroll.top = WindowTopFor(target, bufferHeight, windowHeight);
    return scroll;
}

void MarkCommandLine(int row)
{
    // A cell coordinate is 16 bits wide; a larger row would wrap onto another row.
    if (row < 0 || row > 0x7FFF)
        return;
    HANDLE console = OpenConsoleOutput();
    if (!Usable(console))
        return;
    const COORD cell = {0, (SHORT)row};
    WORD attribute = 0;
    DWORD done = 0;
    if (ReadConsoleOutputAttribute(console, &attribute, 1, cell, &done) && done == 1) {
        const WORD marked = MarkedAttribute(attribute, CommandMarkBit, VisibleMarks());
        WriteConsoleOutputAttribute(console, &marked, 1, cell, &done);
    }
    CloseHandle(console);
}

int ScrollByCommands(ScrollDirection direction)
{
    HANDLE console = OpenConsoleOutput();
    int result = -1;
    if (Usable(console)) {
        result = ScrollConsole(console, direction);
        CloseHandle(console);
    }
    if (result != 0)
        PlayErrorSound();
    return result;
}

int RepaintCommandMarks(void)
{
    HANDLE console = OpenConsoleOutput();
    if (!Usable(console))
        return -1;
    const int count = RepaintConsole(console, VisibleMarks());
    CloseHandle(console);
    return count;
}

int ScrollUpByCommands(KeyEvent *event)
{
    ScrollByCommands(ScrollUp);
    ConsumeKey(event);
    return 0;
}

int ScrollDownByCommands(KeyEvent *event)
{
    ScrollByCommands(ScrollDown);
    ConsumeKey(event);
    return 0;
}
