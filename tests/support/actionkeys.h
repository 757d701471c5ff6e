// One key for every action id 1-23, for the programs that press every action (the fuzz
// program and the benchmark): Ctrl-Alt and Ctrl-Shift function keys, bound to nothing by
// default, with their key codes.
#pragma once

struct ActionKey {
    const wchar_t *name;
    int code;
};

enum { ActionKeyIds = 23 };

inline constexpr ActionKey ActionKeys[ActionKeyIds + 1] = {
    {nullptr, 0},
    {L"Ctrl-Alt-F1", 0x5005E},
    {L"Ctrl-Alt-F2", 0x5005F},
    {L"Ctrl-Alt-F3", 0x50060},
    {L"Ctrl-Alt-F4", 0x50061},
    {L"Ctrl-Alt-F5", 0x50062},
    {L"Ctrl-Alt-F6", 0x50063},
    {L"Ctrl-Alt-F7", 0x50064},
    {L"Ctrl-Alt-F8", 0x50065},
    {L"Ctrl-Alt-F9", 0x50066},
    {L"Ctrl-Alt-F10", 0x50067},
    {L"Ctrl-Shift-F1", 0x30054},
    {L"Ctrl-Shift-F2", 0x30055},
    {L"Ctrl-Shift-F3", 0x30056},
    {L"Ctrl-Shift-F4", 0x30057},
    {L"Ctrl-Shift-F5", 0x30058},
    {L"Ctrl-Shift-F6", 0x30059},
    {L"Ctrl-Shift-F7", 0x3005A},
    {L"Ctrl-Shift-F8", 0x3005B},
    {L"Ctrl-Shift-F9", 0x3005C},
    {L"Ctrl-Shift-F10", 0x3005D},
    {L"Ctrl-Alt-F11", 0x50089},
    {L"Ctrl-Alt-F12", 0x5008A},
    {L"Ctrl-Shift-F11", 0x30087},
};
